// One decimal mark in every locale: the real-number boxes show "." and take a
// typed "2.5" or "2,5" as 2.5. CTest runs this suite under LANG=de_DE.UTF-8
// (whose own mark is ",") and under LANG=C.
#include "support/window_fixture.h"

#include <QLineEdit>

class DecimalMarkTest : public QObject {
    Q_OBJECT
private slots:
    void localeIsTheOneAskedFor();
    void currentBoxesTakeEitherMark_data();
    void currentBoxesTakeEitherMark();
    void boxesShowThePoint();
};

// Guards the run itself: under de_DE the process's locale must use ",".
void DecimalMarkTest::localeIsTheOneAskedFor()
{
    const QByteArray lang = qgetenv("LANG");
    if (lang.startsWith("de_DE"))
        QCOMPARE(QLocale::system().decimalPoint(), QLatin1Char(','));
    else
        QCOMPARE(QLocale::system().decimalPoint(), QLatin1Char('.'));
}

void DecimalMarkTest::currentBoxesTakeEitherMark_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("value");
    for (const char* box : {"dsbFSCurrent", "dsbIdleCurrent", "dsbReducedCurrent"}) {
        QTest::addRow("%s point", box) << box << "2.5" << 2.5;
        QTest::addRow("%s comma", box) << box << "2,5" << 2.5;
    }
    QTest::newRow("blanking time comma") << "dsbBlankingTime"
                                         << "1,28" << 1.28;
}

void DecimalMarkTest::currentBoxesTakeEitherMark()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(double, value);
    WindowFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.edit(QStringLiteral("cbEnableAdvancedDriverSetup"), true);
    auto* spin = f.find<QDoubleSpinBox>(qPrintable(box));
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, typed);
    QTest::keyClick(spin, Qt::Key_Return);
    QCOMPARE(spin->value(), value);
}

void DecimalMarkTest::boxesShowThePoint()
{
    WindowFixture f;
    f.edit(QStringLiteral("dsbFSCurrent"), 2.2);
    QCOMPARE(f.find<QDoubleSpinBox>("dsbFSCurrent")->text(), QStringLiteral("2.2"));
    QCOMPARE(f.find<QDoubleSpinBox>("dsbBlankingTime")->text(), QStringLiteral("1.00"));
    QCOMPARE(f.find<QSpinBox>("sbPosLimitUpper")->text(), QStringLiteral("100000"));
}

QTEST_MAIN(DecimalMarkTest)
#include "test_decimal_mark.moc"
