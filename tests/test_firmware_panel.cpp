// The "Firmware" tab and the window title as boards come, go and are flashed.
#include "support/virtual_time.h"

#include "app/mainwindow.h"
#include "device/protocol.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "sim_control.h"

#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace protocol;

class FirmwarePanelTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void titleAndFirmwareLogFollowTheBoard_data();
    void titleAndFirmwareLogFollowTheBoard();
    void disconnectKeepsTheLastDecodedValues();
    void fullUpdateButtonMovesTheProgressBarAcrossItsRange();
    void restartAndDeviceInfoButtons();
    void manualFullUpdateReconnectsTheBoardWithinOneScan();
    void failedFullUpdateKeepsReceiving();
    void boardStringsStayOnOneLine();

private:
    template <typename T> T* widget(const char* name)
    {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QStringList firmwareLog()
    {
        return widget<QPlainTextEdit>("pteFWLog")->toPlainText().split('\n');
    }

    std::unique_ptr<VirtualTime> m_time;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_window;
    dialogs::ScriptedAnswerer m_answerer;
};

void FirmwarePanelTest::init()
{
    m_time = std::make_unique<VirtualTime>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    m_answerer = dialogs::ScriptedAnswerer(false);
    dialogs::setAnswerer(&m_answerer);
    m_window = std::make_unique<MainWindow>();
    Torvel.enumTimer->stop();
}

void FirmwarePanelTest::cleanup()
{
    if (Torvel.connected)
        Torvel.DisconnectDevice();
    Torvel.rxTimer->stop();
    m_window.reset();
    Torvel.logger = nullptr;
    sim::reset();
    dialogs::setAnswerer(nullptr);
    QDir::setCurrent(QDir::tempPath());
    m_dir.reset();
    m_time.reset();
}

void FirmwarePanelTest::titleAndFirmwareLogFollowTheBoard_data()
{
    QTest::addColumn<bool>("bootloader");
    QTest::addColumn<int>("firmwareLow");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("application, current")
        << false << 3 << "TorvelM4 0.57 - TorvelM4. Serial: SN-7; BL: 0x0102, AP: 0x0103, A5, 1"
        << QStringList{"BLver: 0x0102", "AP: 0x0103, FW OK", "Mode: A5", "Sig: 1"};
    QTest::newRow("bootloader, older")
        << true << 2 << "TorvelM4 0.57 - TorvelM4. Serial: SN-7; BL: 0x0102, AP: 0x0102, B0, 1"
        << QStringList{"BLver: 0x0102", "AP: 0x0102 - Update needed", "Mode: B0", "Sig: 1"};
}

void FirmwarePanelTest::titleAndFirmwareLogFollowTheBoard()
{
    QFETCH(bool, bootloader);
    QFETCH(int, firmwareLow);
    QFETCH(QString, title);
    QFETCH(QStringList, lines);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("TorvelM4 0.57 - No device connected"));
    sim::BoardConfig config;
    config.serial = QStringLiteral("SN-7");
    config.product = QStringLiteral("TorvelM4");
    config.bootloader = bootloader;
    config.firmwareLow = static_cast<std::uint8_t>(firmwareLow);
    sim::plug(config);
    Torvel.USBEnumTimerHandler(); // the update question is answered Cancel

    QCOMPARE(m_window->windowTitle(), title);
    QCOMPARE(firmwareLog(), lines);
    QCOMPARE(widget<QGroupBox>("gbFWUpdate")->isEnabled(), bootloader);
}

void FirmwarePanelTest::disconnectKeepsTheLastDecodedValues()
{
    sim::Board* board = sim::plug();
    Torvel.USBEnumTimerHandler();
    const QStringList connectedLines = firmwareLog();
    board->unplug();
    m_time->advance(TorvelDRV::kRxPeriodMs); // the next receive tick finds it gone
    QVERIFY(!Torvel.connected);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("TorvelM4 0.57 - No device connected"));
    QCOMPARE(firmwareLog(), connectedLines);
}

void FirmwarePanelTest::fullUpdateButtonMovesTheProgressBarAcrossItsRange()
{
    sim::BoardConfig config;
    config.bootloader = true;
    config.firmwareLow = 0x02;
    sim::Board* board = sim::plug(config);
    Torvel.USBEnumTimerHandler();
    QVERIFY(widget<QGroupBox>("gbFWUpdate")->isEnabled());

    auto* bar = widget<QProgressBar>("pbUploadStatus");
    QCOMPARE(bar->minimum(), 256);
    QCOMPARE(bar->maximum(), 1023);
    QSignalSpy progress(bar, &QProgressBar::valueChanged);
    widget<QPushButton>("btnFullUpdate")->click();

    QCOMPARE(progress.size(), 767); // the first block's 256 is already the bar's value
    QCOMPARE(progress.first().first().toInt(), 257);
    QCOMPARE(progress.last().first().toInt(), 1023);
    QCOMPARE(board->receivedWithCode(CMD_BL_WRITE_BLOCK).size(), 768);
    QVERIFY(board->signatureValid());
}

void FirmwarePanelTest::restartAndDeviceInfoButtons()
{
    sim::Board* board = sim::plug();
    Torvel.USBEnumTimerHandler();
    board->clearReceived();
    widget<QPushButton>("btnGetDeviceInfo")->click();
    QCOMPARE(board->receivedWithCode(CMD_GET_DEVICE_INFO).size(), 1);
    QVERIFY(board->receivedWithCode(CMD_RT_STREAM).isEmpty()); // the stream is not re-enabled
    widget<QPushButton>("btnRestart")->click();
    QCOMPARE(board->received().last().code(), CMD_RESTART);
}

void FirmwarePanelTest::manualFullUpdateReconnectsTheBoardWithinOneScan()
{
    sim::BoardConfig config;
    config.bootloader = true;
    config.firmwareLow = 0x02;
    sim::Board* board = sim::plug(config);
    const int offBusMs = 100;
    board->setRestartOffBusMs(offBusMs);
    Torvel.USBEnumTimerHandler(); // the update question is answered Cancel
    widget<QPushButton>("btnFullUpdate")->click();
    QVERIFY(!Torvel.connected);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("TorvelM4 0.57 - No device connected"));

    m_time->advance(offBusMs);
    QVERIFY(board->onBus());
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    QVERIFY(!Torvel.info.BootloaderRunning);
    QVERIFY(m_window->windowTitle().contains(QStringLiteral("AP: 0x0103, A5")));
    QCOMPARE(firmwareLog().at(1), QStringLiteral("AP: 0x0103, FW OK"));
    QVERIFY(board->streaming());
    // One report per receive tick: the two values and two name replies, then the stream.
    QSignalSpy realTime(&Torvel, &TorvelDRV::newRTDataAvailable);
    m_time->advance(7 * TorvelDRV::kRxPeriodMs);
    QCOMPARE(realTime.count(), 3);
}

void FirmwarePanelTest::failedFullUpdateKeepsReceiving()
{
    sim::BoardConfig config;
    config.bootloader = true;
    config.validSignature = false;
    sim::Board* board = sim::plug(config);
    Torvel.USBEnumTimerHandler();
    board->setWrongChecksumSector(3);
    widget<QPushButton>("btnFullUpdate")->click();
    QVERIFY(!board->signatureValid());
    QVERIFY(Torvel.connected);
    QVERIFY(Torvel.rxTimer->isActive());
}

void FirmwarePanelTest::boardStringsStayOnOneLine()
{
    sim::BoardConfig config;
    config.serial = QStringLiteral("SN-1\n2024.01.01. 00:00:00 Settings saved to file: x");
    config.product = QStringLiteral("TorvelM4\r\n\x1B[2J\u2028\u202E");
    sim::plug(config);
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    const QString serial = QStringLiteral("SN-1?2024.01.01. 00:00:00 Settings saved to file: x");
    const QString product = QStringLiteral("TorvelM4???[2J??");
    QCOMPARE(m_window->windowTitle().section(QLatin1Char(';'), 0, 0),
             QStringLiteral("TorvelM4 0.57 - ") + product + QStringLiteral(". Serial: ") + serial);

    // One physical line per event in the log file, each with its time stamp.
    QFile file(QStringLiteral("log.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const QRegularExpression stamped(QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d\\. "));
    for (const QString& line : lines)
        QVERIFY2(stamped.match(line).hasMatch(), qPrintable(line));
    QCOMPARE(lines.filter(QStringLiteral("Settings saved to file")).size(), 3);
    QCOMPARE(lines.filter(QStringLiteral("TorvelM4 device found. Serial: ") + serial).size(), 1);
    QCOMPARE(lines
                 .filter(QStringLiteral("Connected to: ") + product + QStringLiteral(" Serial: ") +
                         serial)
                 .size(),
             1);
}

QTEST_MAIN(FirmwarePanelTest)
#include "test_firmware_panel.moc"
