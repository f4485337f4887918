// Settings files over their bytes: what a file reads as, what is refused, the
// one number reader, and writing onto a file that keeps everything else.
#include "settings/ini_text.h"
#include "settings/number_text.h"
#include "settings/settings_file.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace settingsfile;

Q_DECLARE_METATYPE(settingsfile::Status)

namespace {
const QByteArray kCrashFile =
    "[DriverSettings]\nDecayMode=@Variant(\\0\\0\\0\\xa8x2\\0\\0\\x\\03)\n";

// Every key set, every field distinct from its missing-key default.
const QByteArray kComplete = "[DriverSettings]\n"
                             "StepMode=4\nFullScaleCurrent=2.2\nIdleCurrent=1\n"
                             "TemperatureLimit=61\nReducedCurrent=0.5\nPredriverSpeed=2\n"
                             "DecayMode=5\nBlankingTime=1\nAdaptiveBlanking=1\n"
                             "MixedDecayTime=2.5\nFixedOffTime=15\nDriverName=Axis 1\n";

DrvSettings sample()
{
    DrvSettings s;
    s.StepMode = 4;
    s.FullScaleCurrent = 2.2;
    s.IdleCurrent = 1.0;
    s.TemperatureLimit = 61;
    s.ReducedCurrent = 0.5;
    s.PredriverSpeed = 2;
    s.DecayMode = 5;
    s.BlankingTime = 1.0;
    s.AdaptiveBlanking = 1;
    s.MixedDecayTime = 2.5;
    s.FixedOffTime = 15.0;
    s.DriverName = QStringLiteral("Axis 1");
    return s;
}

// The fields a file carries, as one comparable text.
QString fileFields(const DrvSettings& s)
{
    return QStringLiteral("%1;%2;%3;%4;%5;%6;%7;%8;%9;%10;%11;%12")
        .arg(s.StepMode)
        .arg(s.FullScaleCurrent, 0, 'g', 17)
        .arg(s.IdleCurrent, 0, 'g', 17)
        .arg(s.TemperatureLimit)
        .arg(s.ReducedCurrent, 0, 'g', 17)
        .arg(s.PredriverSpeed)
        .arg(s.DecayMode)
        .arg(s.BlankingTime, 0, 'g', 17)
        .arg(s.AdaptiveBlanking)
        .arg(s.MixedDecayTime, 0, 'g', 17)
        .arg(s.FixedOffTime, 0, 'g', 17)
        .arg(s.DriverName);
}

// A record no read may leave half-written: every field marked.
DrvSettings marked()
{
    DrvSettings s;
    s.StepMode = 77;
    s.FullScaleCurrent = 77.0;
    s.DriverName = QStringLiteral("marked");
    s.DCMotorMode = 1;
    s.TOff = 77;
    return s;
}

QSettings::SettingsMap readByQt(const QByteArray& bytes, QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("qt.tvs"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    file.close();
    QSettings settings(path, QSettings::IniFormat);
    QSettings::SettingsMap map;
    for (const QString& key : settings.allKeys())
        map.insert(key, settings.value(key));
    return map;
}
} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void numbers_data();
    void numbers();

    void readsLeniently_data();
    void readsLeniently();
    void valuesThatAreNotNumbersReadAsZeroAndAreNamed_data();
    void valuesThatAreNotNumbersReadAsZeroAndAreNamed();
    void missingKeysTakeTheirDefaults();
    void refusedFilesLeaveTheRecord_data();
    void refusedFilesLeaveTheRecord();

    void newFileHoldsTheTwelveKeysAndReadsBack();
    void writingKeepsEveryOtherLineByteForByte();
    void writingDropsLaterDuplicatesSoTheNewValuesCount();
    void writingOntoTheCrashFileReplacesItsValue();
    void writingAgainChangesNothing();
    void writingRefusesFilesThatAreNotSettingsText_data();
    void writingRefusesFilesThatAreNotSettingsText();
    void namesRoundTripHereAndThroughQt_data();
    void namesRoundTripHereAndThroughQt();
};

void SettingsFileTest::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isInt");
    QTest::addColumn<bool>("isReal");
    QTest::addColumn<double>("value");
    QTest::newRow("int") << "42" << true << true << 42.0;
    QTest::newRow("signs and blanks") << " -7 " << true << true << -7.0;
    QTest::newRow("plus") << "+3" << true << true << 3.0;
    QTest::newRow("int limits") << "-2147483648" << true << true << -2147483648.0;
    QTest::newRow("past int") << "2147483648" << false << true << 2147483648.0;
    QTest::newRow("wraps in 32 bits") << "4294967299" << false << true << 4294967299.0;
    QTest::newRow("real") << "2.2" << false << true << 2.2;
    QTest::newRow("exponent") << "1e-3" << false << true << 0.001;
    QTest::newRow("nan") << "nan" << false << false << 0.0;
    QTest::newRow("NaN with payload") << "nan(1)" << false << false << 0.0;
    QTest::newRow("inf") << "inf" << false << false << 0.0;
    QTest::newRow("-infinity") << "-infinity" << false << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << false << 0.0;
    QTest::newRow("trailing junk") << "2.2A" << false << false << 0.0;
    QTest::newRow("comma decimal") << "2,2" << false << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << false << 0.0;
    QTest::newRow("two signs") << "+-1" << false << false << 0.0;
    QTest::newRow("empty") << "" << false << false << 0.0;
    QTest::newRow("typed value") << "@Variant(\\0)" << false << false << 0.0;
    QTest::newRow("embedded NUL") << QString::fromUtf8("1\0002", 3) << false << false << 0.0;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\xEF\xBC\x91") << false << false << 0.0;
}

void SettingsFileTest::numbers()
{
    QFETCH(QString, text);
    QFETCH(bool, isInt);
    QFETCH(bool, isReal);
    QFETCH(double, value);
    const std::optional<int> i = numtext::readInt(text);
    const std::optional<double> r = numtext::readReal(text);
    QCOMPARE(i.has_value(), isInt);
    QCOMPARE(r.has_value(), isReal);
    if (isInt)
        QCOMPARE(double(*i), value);
    if (isReal)
        QCOMPARE(*r, value);
}

void SettingsFileTest::readsLeniently_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain") << kComplete;
    QTest::newRow("comments, blank lines, lines without =")
        << QByteArray("; saved by hand\n# note\n\nstray words\n") + kComplete + "# trailing note\n";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF") + kComplete;
    QTest::newRow("CRLF") << QByteArray(kComplete).replace("\n", "\r\n");
    QTest::newRow("CR only") << QByteArray(kComplete).replace("\n", "\r");
    QTest::newRow("no line end at the end") << kComplete.left(kComplete.size() - 1);
    QTest::newRow("blanks, quotes and comments around values")
        << QByteArray(kComplete)
               .replace("StepMode=4", "  StepMode = \"4\" ; as shipped")
               .replace("[DriverSettings]", " [ DriverSettings ] ");
    QTest::newRow("other groups around it")
        << QByteArray("[General]\nStepMode=8\n") + kComplete + "[Other]\nStepMode=1\n";
    QTest::newRow("last of a key counts")
        << QByteArray("[DriverSettings]\nStepMode=1\n") + kComplete;
    QTest::newRow("Latin-1 comment") << QByteArray("; Achse f\xFCr X\n") + kComplete;
    QTest::newRow("exactly the size limit")
        << kComplete + "; " + QByteArray(kMaxFileBytes - kComplete.size() - 3, 'x') + "\n";
}

void SettingsFileTest::readsLeniently()
{
    QFETCH(QByteArray, bytes);
    DrvSettings s = marked();
    const ReadResult result = parse(bytes, s);
    QCOMPARE(result.status, Status::Ok);
    QCOMPARE(result.notNumbers, QStringList());
    QCOMPARE(fileFields(s), fileFields(sample()));
    QCOMPARE(s.DCMotorMode, 1); // not a file field
    QCOMPARE(s.TOff, 77);
}

void SettingsFileTest::valuesThatAreNotNumbersReadAsZeroAndAreNamed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("named");
    QTest::addColumn<QString>("fields"); // missing keys at their defaults
    QTest::newRow("a typed value")
        << kCrashFile << QStringList{"DecayMode"} << "-1;0;0;0;0;-1;0;0;0;0;0;";
    QTest::newRow("NaN and infinite currents")
        << QByteArray("[DriverSettings]\nFullScaleCurrent=nan\nIdleCurrent=inf\n"
                      "ReducedCurrent=1e999\n")
        << QStringList{"FullScaleCurrent", "IdleCurrent", "ReducedCurrent"}
        << "-1;0;0;0;0;-1;-1;0;0;0;0;";
    QTest::newRow("ints out of range or with junk")
        << QByteArray("[DriverSettings]\nStepMode=4294967299\nTemperatureLimit=85C\n"
                      "PredriverSpeed=1.0\nAdaptiveBlanking=\n")
        << QStringList{"StepMode", "TemperatureLimit", "PredriverSpeed", "AdaptiveBlanking"}
        << "0;0;0;0;0;0;-1;0;0;0;0;";
    QTest::newRow("typed and list forms")
        << QByteArray("[DriverSettings]\nBlankingTime=@ByteArray(1)\nMixedDecayTime=2,5\n"
                      "FixedOffTime=@Variant(\\0\\0\\0\\x6\\x40\\x2e)\n")
        << QStringList{"BlankingTime", "MixedDecayTime", "FixedOffTime"}
        << "-1;0;0;0;0;-1;-1;0;0;0;0;";
}

void SettingsFileTest::valuesThatAreNotNumbersReadAsZeroAndAreNamed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, named);
    QFETCH(QString, fields);
    DrvSettings s = marked();
    const ReadResult result = parse(bytes, s);
    QCOMPARE(result.status, Status::Ok);
    QCOMPARE(result.notNumbers, named);
    QCOMPARE(fileFields(s), fields);
}

void SettingsFileTest::missingKeysTakeTheirDefaults()
{
    DrvSettings s = marked();
    const ReadResult result =
        parse("[DriverSettings]\nDriverName=\nTemperatureLimit=45\n[Other]\nStepMode=2\n", s);
    QCOMPARE(result.status, Status::Ok);
    QCOMPARE(result.notNumbers, QStringList());
    QCOMPARE(result.presentKeys, (QStringList{"TemperatureLimit", "DriverName"}));
    QCOMPARE(fileFields(s), QStringLiteral("-1;0;0;45;0;-1;-1;0;0;0;0;"));
}

void SettingsFileTest::refusedFilesLeaveTheRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Status>("status");
    QTest::newRow("one byte over the limit")
        << kComplete + "; " + QByteArray(kMaxFileBytes - kComplete.size() - 2, 'x') + "\n"
        << Status::TooLarge;
    QTest::newRow("NUL byte") << QByteArray(kComplete).replace("Axis", QByteArray("Ax\0s", 4))
                              << Status::NotText;
    QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << Status::NotText;
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE[\0D\0", 6) << Status::NotText;
    QTest::newRow("empty") << QByteArray() << Status::NoSettings;
    QTest::newRow("keys outside the group")
        << QByteArray("StepMode=3\n[Other]\nFullScaleCurrent=1\n") << Status::NoSettings;
    QTest::newRow("group name in another case")
        << QByteArray(kComplete).replace("DriverSettings", "driversettings") << Status::NoSettings;
    QTest::newRow("broken group header")
        << QByteArray("[DriverSettings\nTemperatureLimit=3\n") << Status::NoSettings;
}

void SettingsFileTest::refusedFilesLeaveTheRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Status, status);
    DrvSettings s = marked();
    QCOMPARE(parse(bytes, s).status, status);
    QCOMPARE(fileFields(s), fileFields(marked()));
    QVERIFY(!describe(status).isEmpty());
}

void SettingsFileTest::newFileHoldsTheTwelveKeysAndReadsBack()
{
    const ComposeResult composed = compose(QByteArray(), sample());
    QCOMPARE(composed.status, Status::Ok);
    QCOMPARE(composed.bytes, kComplete);
    QTemporaryDir dir;
    const QSettings::SettingsMap qt = readByQt(composed.bytes, dir);
    QCOMPARE(qt.size(), 12);
    QCOMPARE(qt.value("DriverSettings/FullScaleCurrent").toDouble(), 2.2);
    QCOMPARE(qt.value("DriverSettings/DriverName").toString(), QStringLiteral("Axis 1"));
}

void SettingsFileTest::writingKeepsEveryOtherLineByteForByte()
{
    const QByteArray old = "\xEF\xBB\xBF; made by hand\r\n[Other]\r\nkey=@Variant(\\0)\r\n"
                           "stray\r\n[DriverSettings]\r\nExtra=2\r\nStepMode=1 ; old\r\n"
                           "# note\r\n[Tail]\r\nx=\"1,2\"";
    DrvSettings record = sample();
    record.FixedOffTime = 2.2;
    const ComposeResult composed = compose(old, record);
    QCOMPARE(composed.status, Status::Ok);
    const QByteArray expected =
        "\xEF\xBB\xBF; made by hand\r\n[Other]\r\nkey=@Variant(\\0)\r\nstray\r\n"
        "[DriverSettings]\r\nExtra=2\r\nStepMode=4\r\nFullScaleCurrent=2.2\r\nIdleCurrent=1\r\n"
        "TemperatureLimit=61\r\nReducedCurrent=0.5\r\nPredriverSpeed=2\r\nDecayMode=5\r\n"
        "BlankingTime=1\r\nAdaptiveBlanking=1\r\nMixedDecayTime=2.5\r\nFixedOffTime=2.2\r\n"
        "DriverName=Axis 1\r\n# note\r\n[Tail]\r\nx=\"1,2\"";
    QCOMPARE(composed.bytes, expected);
    DrvSettings back;
    QCOMPARE(parse(composed.bytes, back).status, Status::Ok);
    QCOMPARE(fileFields(back), fileFields(record));

    // Appended to a file without the group, after a line that had no end.
    const ComposeResult appended = compose("[Other]\nkey=1", sample());
    QCOMPARE(appended.bytes, QByteArray("[Other]\nkey=1\n\n") + kComplete);
}

void SettingsFileTest::writingDropsLaterDuplicatesSoTheNewValuesCount()
{
    const QByteArray old = "[DriverSettings]\nStepMode=1\nStepMode=2\n[Other]\nStepMode=3\n"
                           "[DriverSettings]\nStepMode=5\nDecayMode=0\n";
    const ComposeResult composed = compose(old, sample());
    QCOMPARE(composed.status, Status::Ok);
    QCOMPARE(composed.bytes.count("StepMode="), 2); // ours and the other group's
    QVERIFY(composed.bytes.contains("[Other]\nStepMode=3\n[DriverSettings]\nDecayMode=5\n"));
    DrvSettings back;
    QCOMPARE(parse(composed.bytes, back).status, Status::Ok);
    QCOMPARE(fileFields(back), fileFields(sample()));
}

void SettingsFileTest::writingOntoTheCrashFileReplacesItsValue()
{
    const ComposeResult composed = compose(kCrashFile, sample());
    QCOMPARE(composed.status, Status::Ok);
    QVERIFY(!composed.bytes.contains("@Variant"));
    QVERIFY(composed.bytes.startsWith("[DriverSettings]\nDecayMode=5\n"));
    DrvSettings back;
    QCOMPARE(parse(composed.bytes, back).status, Status::Ok);
    QCOMPARE(fileFields(back), fileFields(sample()));
}

void SettingsFileTest::writingAgainChangesNothing()
{
    // The name's Latin-1 byte makes the old file Latin-1 and the new one UTF-8;
    // lines with a non-breaking space or a byte-order mark mean the same in both.
    const QByteArray old = "[DriverSettings]\n\xC2\xA0StepMode=1\n\xEF\xBB\xBF"
                           "DecayMode=1\n"
                           "DriverName=\x92\n";
    const ComposeResult once = compose(old, sample());
    QCOMPARE(once.status, Status::Ok);
    QVERIFY(once.bytes.contains("\xC2\xA0StepMode=1\n\xEF\xBB\xBF"
                                "DecayMode=1\n"));
    QCOMPARE(compose(once.bytes, sample()).bytes, once.bytes);
    DrvSettings back;
    QCOMPARE(parse(once.bytes, back).status, Status::Ok);
    QCOMPARE(fileFields(back), fileFields(sample()));
}

void SettingsFileTest::writingRefusesFilesThatAreNotSettingsText_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<Status>("status");
    QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << Status::NotText;
    QTest::newRow("too large") << QByteArray(kMaxFileBytes + 1, '\n') << Status::TooLarge;
    QTest::newRow("too large once the keys are added")
        << QByteArray(kMaxFileBytes - 10, '\n') << Status::TooLarge;
}

void SettingsFileTest::writingRefusesFilesThatAreNotSettingsText()
{
    QFETCH(QByteArray, old);
    QFETCH(Status, status);
    const ComposeResult composed = compose(old, sample());
    QCOMPARE(composed.status, status);
    QVERIFY(composed.bytes.isEmpty());
}

void SettingsFileTest::namesRoundTripHereAndThroughQt_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << "Axis 1" << QByteArray("Axis 1");
    QTest::newRow("semicolon and comma") << "x;y, z" << QByteArray("\"x;y, z\"");
    QTest::newRow("quote and backslash") << "a\"b\\c" << QByteArray("a\\\"b\\\\c");
    QTest::newRow("blanks at both ends") << " pad " << QByteArray("\" pad \"");
    QTest::newRow("looks typed") << "@Variant(x)" << QByteArray("@@Variant(x)");
    QTest::newRow("non-ASCII, hex digit after it") << QString::fromUtf8("\xC3\xA9"
                                                                        "a")
                                                   << QByteArray("\\xe9\\x61");
    QTest::newRow("outside the BMP")
        << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("\\xd83d\\xde00");
}

void SettingsFileTest::namesRoundTripHereAndThroughQt()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, written);
    DrvSettings record = sample();
    record.DriverName = name;
    const QByteArray bytes = compose(QByteArray(), record).bytes;
    QVERIFY(bytes.contains("\nDriverName=" + written + "\n"));
    DrvSettings back;
    QCOMPARE(parse(bytes, back).status, Status::Ok);
    QCOMPARE(back.DriverName, name);
    QTemporaryDir dir;
    QCOMPARE(readByQt(bytes, dir).value("DriverSettings/DriverName").toString(), name);
}

QTEST_MAIN(SettingsFileTest)
#include "test_settings_file.moc"
