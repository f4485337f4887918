// The window fits its text: at the font an X desktop gives and at one half as
// large again, on every tab, in the status column and in the expert view, no
// text is clipped, no two siblings overlap, no widget leaves its parent, and
// both tab bars show all their tabs.
#include "support/window_fixture.h"

#include "app/eliding_combo.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace {
// What an X session (and Xvfb) gives as "Sans Serif" 9 pt.
const QString kDesktopFamily = QStringLiteral("DejaVu Sans");
constexpr double kDesktopPoints = 9.0;
// What a desktop set to a larger text size typically gives.
constexpr double kLargerDesktopPoints = 11.0;
const QSize kDesignMinimum(900, 640);

QString where(const QWidget* w)
{
    return w->objectName() + QStringLiteral(" (") + QLatin1String(w->metaObject()->className()) +
           QLatin1Char(')');
}

QString sizeText(const QSize& s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// Empty frames and pictures are drawn behind what sits on them.
bool isBackdrop(const QWidget* w)
{
    if (w->metaObject() == &QFrame::staticMetaObject && !w->layout())
        return true;
    const auto* label = qobject_cast<const QLabel*>(w);
    return label && label->text().isEmpty();
}

QList<QWidget*> visibleFormChildren(const QWidget* parent)
{
    QList<QWidget*> children;
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        const QString name = child ? child->objectName() : QString();
        if (child && child->isVisible() && !child->isWindow() && !name.isEmpty() &&
            !name.startsWith(QLatin1String("qt_")))
            children.append(child);
    }
    return children;
}

void checkText(QWidget* w, QStringList& problems)
{
    QSize need;
    QSize room = w->size();
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty())
            return;
        if (Qt::mightBeRichText(label->text()) || label->textFormat() == Qt::RichText) {
            need = label->sizeHint();
        } else {
            need = QFontMetrics(label->font()).size(0, label->text());
            const int inset = 2 * label->margin() + qMax(0, label->indent());
            room = label->contentsRect().size() - QSize(inset, 0);
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // Every item must fit the field the current one is drawn in.
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.frame = combo->hasFrame();
        room =
            combo->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                .size();
        const QFontMetrics metrics(combo->font());
        need = QSize(0, metrics.height());
        for (int i = 0; i < combo->count(); ++i)
            need.setWidth(qMax(need.width(), metrics.horizontalAdvance(combo->itemText(i))));
        // A box that ends what does not fit in an ellipsis, with the whole item as
        // its tooltip, cuts nothing silently.
        if (elidingcombo::elides(combo))
            return;
    } else if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w) ||
               qobject_cast<QAbstractSpinBox*>(w)) {
        need = w->minimumSizeHint();
    } else if (w->layout()) {
        need = w->minimumSizeHint(); // a container squeezed below its content
    } else {
        return;
    }
    if (need.width() > room.width() || need.height() > room.height())
        problems
            << QStringLiteral("%1 needs %2, has %3").arg(where(w), sizeText(need), sizeText(room));
}

void checkChildren(QWidget* parent, QStringList& problems)
{
    const QList<QWidget*> children = visibleFormChildren(parent);
    for (int i = 0; i < children.size(); ++i) {
        QWidget* a = children.at(i);
        checkText(a, problems);
        if (!parent->rect().contains(a->geometry()))
            problems << QStringLiteral("%1 leaves %2").arg(where(a), where(parent));
        for (int j = i + 1; j < children.size(); ++j) {
            QWidget* b = children.at(j);
            if (!isBackdrop(a) && !isBackdrop(b) && a->geometry().intersects(b->geometry()))
                problems << QStringLiteral("%1 overlaps %2").arg(where(a), where(b));
        }
    }
    // Widgets inside Qt's own parts (tab pages in their stack) are walked too.
    for (QObject* object : parent->children())
        if (auto* child = qobject_cast<QWidget*>(object); child && child->isVisible())
            checkChildren(child, problems);
}

void checkTabBars(QWidget* window, QStringList& problems)
{
    for (QTabBar* bar : window->findChildren<QTabBar*>()) {
        if (!bar->isVisible())
            continue;
        if (bar->sizeHint().width() > bar->width())
            problems << QStringLiteral("%1 needs %2 px, has %3")
                            .arg(where(bar->parentWidget()))
                            .arg(bar->sizeHint().width())
                            .arg(bar->width());
        for (QToolButton* arrow : bar->findChildren<QToolButton*>())
            if (arrow->isVisible())
                problems << where(bar->parentWidget()) + QStringLiteral(" shows scroll arrows");
    }
}

// The label's text in full inside its contents rectangle.
bool labelFits(const QLabel* label)
{
    const QSize text = QFontMetrics(label->font()).size(0, label->text());
    const QSize room = label->contentsRect().size() - QSize(2 * label->margin(), 0);
    return text.width() <= room.width() && text.height() <= room.height();
}

void useDesktopFont(double points)
{
    QFont font(kDesktopFamily);
    font.setPointSizeF(points);
    QApplication::setFont(font);
}

QStringList problemsOf(QWidget* window, const QString& view)
{
    QStringList problems;
    checkChildren(window, problems);
    checkTabBars(window, problems);
    for (QString& problem : problems)
        problem.prepend(view + QStringLiteral(": "));
    return problems;
}
} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QApplication::setFont(QFont()); }
    void everyViewFitsItsText_data();
    void everyViewFitsItsText();
    void stepReadoutsShowTheirWidestValues_data();
    void stepReadoutsShowTheirWidestValues();
    void statusLabelsShowEveryText_data();
    void statusLabelsShowEveryText();
};

void LayoutTest::everyViewFitsItsText_data()
{
    QTest::addColumn<double>("points");
    QTest::newRow("desktop font") << kDesktopPoints;
    QTest::newRow("11 pt font") << kLargerDesktopPoints;
    QTest::newRow("1.5x font") << kDesktopPoints * 1.5;
}

void LayoutTest::everyViewFitsItsText()
{
    QFETCH(double, points);
    useDesktopFont(points);
    WindowFixture f;
    MainWindow* window = f.window.get();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(window->width() >= kDesignMinimum.width());
    QVERIFY(window->height() >= kDesignMinimum.height());
    QCOMPARE(window->minimumSize().expandedTo(kDesignMinimum), window->minimumSize());

    auto* mainTabs = f.find<QTabWidget>("tabMainTab");
    auto* leftTabs = f.find<QTabWidget>("tabWidget_2");
    QStringList problems;
    for (bool expert : {false, true}) {
        if (expert)
            f.pressF12();
        for (int left = 0; left < leftTabs->count(); ++left) {
            leftTabs->setCurrentIndex(left);
            for (int tab = 0; tab < mainTabs->count(); ++tab) {
                mainTabs->setCurrentIndex(tab);
                QCoreApplication::processEvents();
                problems << problemsOf(window, QStringLiteral("%1%2 / %3")
                                                   .arg(expert ? "expert view, " : "")
                                                   .arg(leftTabs->tabText(left))
                                                   .arg(mainTabs->tabText(tab)));
            }
        }
    }
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void LayoutTest::stepReadoutsShowTheirWidestValues_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("actual");
    for (double points : {kDesktopPoints, kDesktopPoints * 1.5}) {
        QTest::addRow("%g pt, -70588", points) << points << -70588 << "Actual speed: -70588";
        QTest::addRow("%g pt, fastest reverse", points)
            << points << -250000 << "Actual speed: -252631";
    }
}

void LayoutTest::stepReadoutsShowTheirWidestValues()
{
    QFETCH(double, points);
    QFETCH(int, rate);
    QFETCH(QString, actual);
    useDesktopFont(points);
    WindowFixture f;
    f.window->show();
    f.edit(QStringLiteral("dialMaxStepSpeed"), 250000);
    f.edit(QStringLiteral("dialStepSpeed"), rate);
    const auto* speed = f.find<QLabel>("lblFrequency");
    const auto* reached = f.find<QLabel>("lblPR");
    const auto* max = f.find<QLabel>("lblMaxStepSpeed");
    QCOMPARE(speed->text(), QString::number(rate));
    QCOMPARE(reached->text(), actual);
    QCOMPARE(max->text(), QStringLiteral("250000"));
    for (const QLabel* label : {speed, reached, max})
        QVERIFY2(labelFits(label), qPrintable(label->objectName()));
}

void LayoutTest::statusLabelsShowEveryText_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("faults");
    QTest::addColumn<int>("voltageRaw");
    for (double points : {kDesktopPoints, kDesktopPoints * 1.5}) {
        QTest::addRow("%g pt, sleeping", points) << points << 1 << 0 << 333;
        QTest::addRow("%g pt, all faults", points) << points << 4 << 0x3F << 333;
        QTest::addRow("%g pt, unknown state", points) << points << 255 << 0 << 333;
        QTest::addRow("%g pt, no motor power", points) << points << 0 << 0 << 100;
    }
}

void LayoutTest::statusLabelsShowEveryText()
{
    QFETCH(double, points);
    QFETCH(int, state);
    QFETCH(int, faults);
    QFETCH(int, voltageRaw);
    useDesktopFont(points);
    WindowFixture f;
    f.window->show();
    const auto* driver = f.find<QLabel>("lblDriverStatus");
    const auto* fault = f.find<QLabel>("lblFaultsStatus");
    QVERIFY(labelFits(driver) && labelFits(fault)); // no board yet
    sim::Board* board = f.plugForRecords();
    QVERIFY(board);
    sim::LiveValues v = support::poweredRecord();
    v.driverState = std::uint8_t(state);
    v.faults = std::uint8_t(faults);
    v.voltageRaw = std::uint16_t(voltageRaw);
    f.feed(board, v);
    QVERIFY2(labelFits(driver), qPrintable(driver->text()));
    QVERIFY2(labelFits(fault), qPrintable(fault->text()));
}

QTEST_MAIN(LayoutTest)
#include "test_layout.moc"
