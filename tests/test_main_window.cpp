// The main window as it starts: title, log, combo lists, read-out, hidden
// expert controls, minimum size, the F12 expert view, the About tab's logo and
// link, and closing with a board connected.
#include "support/window_fixture.h"

#include "app/frame_pacer.h"
#include "app/images.h"

#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLCDNumber>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>

namespace {
const QString kStartedLine = QStringLiteral("Application started: TorvelM4 0.57");

QStringList itemTexts(QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->itemText(i));
    return texts;
}

QStringList fileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        if (!line.isEmpty())
            lines.append(line.mid(Logger::kTimeStampLength));
    return lines;
}

struct About {
    QString link;
    QSize logo;
};

// Builds a window whose working directory holds release/Logo.png of the given
// size (none for an invalid size, an unreadable file for an empty one).
About aboutWith(const QSize& logoSize)
{
    WindowFixture f([&](const QDir& dir) {
        if (!logoSize.isValid())
            return;
        dir.mkpath(QStringLiteral("release"));
        const QString file = dir.filePath(QStringLiteral("release/Logo.png"));
        if (logoSize.isEmpty()) {
            QFile garbage(file);
            if (garbage.open(QIODevice::WriteOnly))
                garbage.write("not a picture");
            return;
        }
        QImage image(logoSize, QImage::Format_ARGB32);
        image.fill(Qt::darkGreen);
        image.save(file);
    });
    return {f.find<QLabel>("lblVisitUs")->text(),
            f.find<QLabel>("lblLogo")->pixmap(Qt::ReturnByValue).size()};
}
// A widget that counts its paints.
class PaintCount : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithoutDeviceInItsInitialState();
    void cannotShrinkBelowItsMinimumSize();
    void f12TogglesTheExpertViewAndTwiceRestoresIt();
    void aboutTabLogoAndLinkFollowLogoPng_data();
    void aboutTabLogoAndLinkFollowLogoPng();
    void closingWithABoardConnectedSendsAndLogsNothing();
    void startedInHomeTheLogGoesToTheStateDirectory_data();
    void startedInHomeTheLogGoesToTheStateDirectory();
    void repaintsWithinAFrameArePaintedOnceWhenItIsOver();
};

void MainWindowTest::startsWithoutDeviceInItsInitialState()
{
    WindowFixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("TorvelM4 0.57 - No device connected"));
    Torvel.USBEnumTimerHandler(); // a scan without a board
    const QString logFile = f.path(QStringLiteral("log.txt"));
    QCOMPARE(f.lines(), (QStringList{QStringLiteral("Log file: ") + logFile, kStartedLine}));
    QCOMPARE(fileLines(logFile), QStringList{kStartedLine});

    QCOMPARE(itemTexts(f.find<QComboBox>("cbStepMode")),
             (QStringList{"Full-step", "Half step", "1/4 step", "1/8 step", "1/16 step",
                          "1/32 step", "1/64 step", "1/128 step", "1/256 step"}));
    QCOMPARE(itemTexts(f.find<QComboBox>("cbDecayMode")),
             (QStringList{"0-Force slow decay at all times",
                          "1-Slow decay for increasing current, mixed decay for decreasing "
                          "current (indexer mode only)",
                          "2-Force fast decay at all times", "3-Use mixed decay at all times",
                          "4-Slow decay for increasing current, auto mixed decay for decreasing "
                          "current (indexer mode only)",
                          "5-Use auto mixed decay at all times"}));
    QCOMPARE(f.entries(), (QStringList{"Default configuration", "Low temp configuration"}));
    QCOMPARE(f.find<QComboBox>("cbConfigurations")->currentIndex(), 0);

    QCOMPARE(f.find<QPlainTextEdit>("pteRegistersValues")->toPlainText().split('\n'),
             (QStringList{
                 "IDRIVE > Q / RT == 100.0mA > 43.0nC / 450.0ns = 95.6mA",
                 "TDRIVE > 2 x RT == 1000.0ns > 900.0ns",
                 "DTIME = 450.0ns, TBLANK = 1000ns, TOFF = 15000ns, (TDECAY = 500ns) >> fPWM ~ "
                 "59.2kHz",
                 "Q < 20mA/4xfPWM == 84.5nC",
                 "3;2.2;1.0;85;0.5;1;5;1.00;0;0.5;15.0;0",
                 "0x619;0x787;0x01D;0x031;0x500;0xF00;0x5AF;0x000;85;0x37A;0x33D",
             }));
    QCOMPARE(f.find<QLabel>("lblTblank")->text(), QStringLiteral("1.00us"));
    QCOMPARE(f.find<QLabel>("lblTdecay")->text(), QStringLiteral("0.5us"));
    QCOMPARE(f.find<QLabel>("lblToff")->text(), QStringLiteral("15.0us"));
    QCOMPARE(f.find<QLabel>("lblTon")->text(), QStringLiteral("1.00us < "));

    QVERIFY(f.find<QPlainTextEdit>("pteRegistersValues")->isHidden());
    QVERIFY(f.find<QPlainTextEdit>("ptePWMValues")->isHidden());
    QVERIFY(!f.find<QCheckBox>("cbAutoApplyChanges")->isEnabled());
    QVERIFY(!f.find<QCheckBox>("cbAutoApplyChanges")->isChecked());
    QVERIFY(!f.find<QWidget>("gbAdvancedDriverSetup")->isEnabled());
    QVERIFY(f.find<QFrame>("frmStatus")->isHidden());
    QCOMPARE(f.find<QTabWidget>("tabMainTab")->currentIndex(), 0);
}

void MainWindowTest::cannotShrinkBelowItsMinimumSize()
{
    WindowFixture f;
    f.window->show();
    const QSize minimum = f.window->minimumSize();
    QVERIFY(minimum.width() >= 900 && minimum.height() >= 640);
    f.window->resize(400, 300);
    QCOMPARE(f.window->size(), minimum);
}

void MainWindowTest::f12TogglesTheExpertViewAndTwiceRestoresIt()
{
    WindowFixture f;
    auto* listing = f.find<QPlainTextEdit>("pteRegistersValues");
    auto* pwmListing = f.find<QPlainTextEdit>("ptePWMValues");
    auto* autoApply = f.find<QCheckBox>("cbAutoApplyChanges");

    QTest::keyClick(f.window.get(), Qt::Key_F11);
    QVERIFY(listing->isHidden());
    QVERIFY(!autoApply->isEnabled());

    f.pressF12();
    QVERIFY(!listing->isHidden());
    QVERIFY(!pwmListing->isHidden());
    QVERIFY(autoApply->isEnabled());
    QVERIFY(!autoApply->isChecked());
    autoApply->setChecked(true);

    f.pressF12();
    QVERIFY(listing->isHidden());
    QVERIFY(pwmListing->isHidden());
    QVERIFY(!autoApply->isEnabled());
    QVERIFY(!autoApply->isChecked());
}

void MainWindowTest::aboutTabLogoAndLinkFollowLogoPng_data()
{
    QTest::addColumn<QSize>("logoSize");
    QTest::addColumn<bool>("replacesLogo");
    QTest::addColumn<bool>("partnerLink");
    QTest::newRow("absent") << QSize() << false << false;
    QTest::newRow("unreadable") << QSize(0, 0) << false << false;
    QTest::newRow("2000 px wide") << QSize(2000, 160) << true << true;
    QTest::newRow("1999 px wide") << QSize(1999, 160) << true << false;
    QTest::newRow("2001 px wide") << QSize(2001, 160) << true << false;
    QTest::newRow("other width") << QSize(640, 90) << true << false;
}

void MainWindowTest::aboutTabLogoAndLinkFollowLogoPng()
{
    QFETCH(QSize, logoSize);
    QFETCH(bool, replacesLogo);
    QFETCH(bool, partnerLink);
    const About plain = aboutWith(QSize());
    const QImage builtIn(images::findReleaseFile(QStringLiteral("release/TorvelLogo.png")));
    QVERIFY(!builtIn.isNull());
    QCOMPARE(plain.logo, builtIn.size());
    QRegularExpression link(QStringLiteral(
        "^Visit us at: <a href=\"([^\"]+)\"><span style=\"[^\"]*underline[^\"]*#0000ff;?\">\\1</"
        "span></a>$"));
    QVERIFY2(link.match(plain.link).hasMatch(), qPrintable(plain.link));

    const About about = aboutWith(logoSize);
    QCOMPARE(about.logo, replacesLogo ? logoSize : builtIn.size());
    QVERIFY2(link.match(about.link).hasMatch(), qPrintable(about.link));
    QCOMPARE(about.link != plain.link, partnerLink);
}

void MainWindowTest::closingWithABoardConnectedSendsAndLogsNothing()
{
    WindowFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(f.waitForReplies());
    board->clearReceived();
    const QStringList logged = fileLines(f.path(QStringLiteral("log.txt")));

    f.window.reset();
    Torvel.logger = nullptr;
    QVERIFY(board->received().isEmpty());
    QCOMPARE(fileLines(f.path(QStringLiteral("log.txt"))), logged);
}

void MainWindowTest::startedInHomeTheLogGoesToTheStateDirectory_data()
{
    QTest::addColumn<QString>("xdgStateHome");
    QTest::addColumn<QString>("expected"); // below the working directory
    QTest::newRow("default state directory") << ""
                                             << ".local/state/torvelm4/log.txt";
    QTest::newRow("XDG_STATE_HOME") << "custom-state"
                                    << "custom-state/torvelm4/log.txt";
}

void MainWindowTest::startedInHomeTheLogGoesToTheStateDirectory()
{
    QFETCH(QString, xdgStateHome);
    QFETCH(QString, expected);
    const QByteArray home = qgetenv("HOME");
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", home);
        qputenv("XDG_STATE_HOME", state);
    });
    WindowFixture f([&](const QDir& dir) {
        qputenv("HOME", dir.path().toLocal8Bit());
        qputenv("XDG_STATE_HOME",
                xdgStateHome.isEmpty() ? QByteArray() : dir.filePath(xdgStateHome).toLocal8Bit());
    });
    QVERIFY(!QFile::exists(f.path(QStringLiteral("log.txt"))));
    QCOMPARE(fileLines(f.path(expected)), QStringList{kStartedLine});
    QCOMPARE(f.lines().first(), QStringLiteral("Log file: ") + f.path(expected));
}

void MainWindowTest::repaintsWithinAFrameArePaintedOnceWhenItIsOver()
{
    constexpr int kFrameMs = app::FramePacer::kFrameIntervalMs;
    VirtualTime time;
    QWidget window;
    new app::FramePacer(&window);
    auto* child = new PaintCount(&window);
    child->setGeometry(0, 0, 20, 20);
    window.resize(40, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto changeAndSettle = [&] {
        child->update();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    };
    time.advance(kFrameMs);
    QCoreApplication::processEvents();

    // After a quiet frame a change is painted at once.
    int paints = child->paints;
    changeAndSettle();
    QCOMPARE(child->paints, paints + 1);

    // Further changes wait for the frame's end and are painted together.
    paints = child->paints;
    changeAndSettle();
    time.advance(kFrameMs / 2);
    changeAndSettle();
    QCOMPARE(child->paints, paints);
    time.advance(kFrameMs - kFrameMs / 2);
    QCoreApplication::processEvents();
    QCOMPARE(child->paints, paints + 1);
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
