// Checks of the driver settings codec: current conversion, record <-> image,
// the two wire blocks, the text forms and configuration-string parsing.
#include "settings/register_codec.h"

#include <QtTest>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

using namespace codec;

namespace {

const QString kDefaultValues = QStringLiteral("3;2.2;1.0;85;0.5;1;5;1.00;0;0.5;15.0;0");
const QString kLowTempValues = QStringLiteral("3;2.2;1.0;45;0.5;1;5;1.00;0;0.5;15.0;0");
const QString kDefaultListing =
    QStringLiteral("0x619;0x787;0x01D;0x031;0x500;0xF00;0x5AF;0x000;85;0x37A;0x33D");
const QString kZeroValues = QStringLiteral("0;0.0;0.0;0;0.0;0;0;0.00;0;0.0;0.0;0");

constexpr std::size_t kValuesBlockSize = 21;
constexpr std::size_t kWriteBlockSize = 23;
constexpr std::uint8_t kMarker = 0xEE;

// The start-up record as the panel leaves it after applying the default preset.
DrvSettings defaultRecord()
{
    DrvSettings s;
    s.StepMode = 3;
    s.FullScaleCurrent = 2.2;
    s.IdleCurrent = 1.0;
    s.TemperatureLimit = 85;
    s.ReducedCurrent = 0.5;
    s.PredriverSpeed = 1;
    s.DecayMode = 5;
    s.BlankingTime = 1.0;
    s.AdaptiveBlanking = 0;
    s.MixedDecayTime = 0.5;
    s.FixedOffTime = 15.0;
    s.DCMotorMode = 0;
    s.TBlank = 49;
    s.TOff = 29;
    s.TDecay = 0;
    s.DTime = 1;
    s.TDrive = 2;
    s.IDrive = 1;
    return s;
}

// Values no operation may derive, to see which fields an operation leaves alone.
DrvSettings untouchableRecord()
{
    DrvSettings s;
    s.DriverName = QStringLiteral("axis;1");
    s.TBlank = 201;
    s.TOff = 202;
    s.TDecay = 203;
    s.DTime = 2;
    s.TDrive = 3;
    s.IDrive = 0;
    return s;
}

QByteArray bytes(const std::uint8_t* p, std::size_t n)
{
    return QByteArray(reinterpret_cast<const char*>(p), static_cast<int>(n));
}

} // namespace

class SettingsCodecTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void workedExampleValueString();
    void workedExampleRegisterListing();
    void workedExampleDecodesBack();
    void valueStringRoundsHalvesAsPrintfDoes_data();
    void valueStringRoundsHalvesAsPrintfDoes();

    void currentToTorqueSearchesHalvingGains_data();
    void currentToTorqueSearchesHalvingGains();
    void torqueToCurrentUsesLowByteAndGainCode_data();
    void torqueToCurrentUsesLowByteAndGainCode();

    void predriverSpeedSetsCodesAndDriveWord_data();
    void predriverSpeedSetsCodesAndDriveWord();
    void decodeTakesPredriverSpeedFromDeadTime_data();
    void decodeTakesPredriverSpeedFromDeadTime();

    void dcMotorModeSetsOffWordAndModeByte_data();
    void dcMotorModeSetsOffWordAndModeByte();
    void writeBlockLayout();
    void valuesBlockLayout_data();
    void valuesBlockLayout();

    void temperatureLimitChangesOnlyItsListingField();
    void decodeKeepsIndexesBeyondTheLists_data();
    void decodeKeepsIndexesBeyondTheLists();
    void stepModeIsPlacedUnmasked_data();
    void stepModeIsPlacedUnmasked();
    void unvalidatedFieldsStayDefined();

    void parsesConfigurationStrings_data();
    void parsesConfigurationStrings();
};

void SettingsCodecTest::initTestCase()
{
    // A comma-decimal default locale must not leak into any text form.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void SettingsCodecTest::workedExampleValueString()
{
    QCOMPARE(valueString(defaultRecord()), kDefaultValues);
}

void SettingsCodecTest::workedExampleRegisterListing()
{
    QCOMPARE(registerListing(encode(defaultRecord())), kDefaultListing);
}

void SettingsCodecTest::workedExampleDecodesBack()
{
    DrvSettings s = untouchableRecord();
    s.StepMode = 99;
    s.DecayMode = 99;
    decode(encode(defaultRecord()), s);

    QCOMPARE(s.FullScaleCurrent, 2.197265625);
    QCOMPARE(valueString(s), kDefaultValues);
    QCOMPARE(s.TBlank, 49);
    QCOMPARE(s.TOff, 29);
    QCOMPARE(s.TDecay, 0);
    QCOMPARE(s.DTime, 1);
    QCOMPARE(s.DriverName, QStringLiteral("axis;1"));
    QCOMPARE(s.TDrive, 3);
    QCOMPARE(s.IDrive, 0);
}

void SettingsCodecTest::valueStringRoundsHalvesAsPrintfDoes_data()
{
    QTest::addColumn<double>("amps");
    QTest::addColumn<double>("blankingUs");
    QTest::addColumn<QString>("fields");
    // Exact binary halves round to even, as the C library's printf does;
    // other values round to the nearer side of their binary value.
    QTest::newRow("6.25 A") << 6.25 << 1.0 << "6.2;1.00";
    QTest::newRow("2.25 A") << 2.25 << 1.0 << "2.2;1.00";
    QTest::newRow("0.75 A") << 0.75 << 1.0 << "0.8;1.00";
    QTest::newRow("0.35 A, below its half") << 0.35 << 1.0 << "0.3;1.00";
    QTest::newRow("0.125 us") << 1.0 << 0.125 << "1.0;0.12";
    QTest::newRow("0.375 us") << 1.0 << 0.375 << "1.0;0.38";
}

void SettingsCodecTest::valueStringRoundsHalvesAsPrintfDoes()
{
    QFETCH(double, amps);
    QFETCH(double, blankingUs);
    QFETCH(QString, fields);
    DrvSettings s = defaultRecord();
    s.FullScaleCurrent = amps;
    s.BlankingTime = blankingUs;
    const QStringList values = valueString(s).split(QLatin1Char(';'));
    QCOMPARE(values.at(1) + QLatin1Char(';') + values.at(7), fields);
}

void SettingsCodecTest::currentToTorqueSearchesHalvingGains_data()
{
    QTest::addColumn<double>("amps");
    QTest::addColumn<int>("torque");
    QTest::addColumn<int>("gainCode");

    QTest::newRow("0 A takes the top gain") << 0.0 << 0 << 3;
    QTest::newRow("example full scale 2.2 A") << 2.2 << 135 << 2;
    QTest::newRow("example idle 1.0 A") << 1.0 << 122 << 3;
    QTest::newRow("example reduced 0.5 A") << 0.5 << 61 << 3;
    QTest::newRow("gain 40 limit itself") << 2.0751953125 << 255 << 3;
    QTest::newRow("just past gain 40") << 2.1 << 129 << 2;
    QTest::newRow("gain 20 limit itself") << 4.150390625 << 255 << 2;
    QTest::newRow("just past gain 20") << 4.2 << 129 << 1;
    QTest::newRow("panel maximum 6.0 A") << 6.0 << 184 << 1;
    QTest::newRow("gain 10 limit itself") << 8.30078125 << 255 << 1;
    QTest::newRow("gain 5") << 8.31 << 127 << 0;
    QTest::newRow("below gain 5 still code 0") << 20.0 << 153 << 0;
    QTest::newRow("far below gain 5") << 1.0e6 << 234 << 0;
    QTest::newRow("negative keeps low 8 bits") << -1.0 << 134 << 3;
    QTest::newRow("NaN") << std::nan("") << 0 << 0;
    QTest::newRow("+inf") << std::numeric_limits<double>::infinity() << 0 << 0;
    QTest::newRow("-inf") << -std::numeric_limits<double>::infinity() << 0 << 3;
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << 245 << 0;
}

void SettingsCodecTest::currentToTorqueSearchesHalvingGains()
{
    QFETCH(double, amps);
    QFETCH(int, torque);
    QFETCH(int, gainCode);

    const TorqueGain tg = currentToTorque(amps);
    QCOMPARE(int(tg.torque), torque);
    QCOMPARE(tg.gainCode, gainCode);
}

void SettingsCodecTest::torqueToCurrentUsesLowByteAndGainCode_data()
{
    QTest::addColumn<uint>("torque");
    QTest::addColumn<uint>("gainCode");
    QTest::addColumn<double>("amps");

    QTest::newRow("zero") << 0u << 3u << 0.0;
    QTest::newRow("example full scale") << 135u << 2u << 2.197265625;
    QTest::newRow("gain 40 limit") << 255u << 3u << 2.0751953125;
    QTest::newRow("gain 20 limit") << 255u << 2u << 4.150390625;
    QTest::newRow("gain 10 limit") << 255u << 1u << 8.30078125;
    QTest::newRow("gain 5 limit") << 255u << 0u << 16.6015625;
    QTest::newRow("whole words") << 0xC387u << 0xC3u << 1.0986328125;
}

void SettingsCodecTest::torqueToCurrentUsesLowByteAndGainCode()
{
    QFETCH(uint, torque);
    QFETCH(uint, gainCode);
    QFETCH(double, amps);

    QCOMPARE(torqueToCurrent(torque, gainCode), amps);
}

void SettingsCodecTest::predriverSpeedSetsCodesAndDriveWord_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("dTime");
    QTest::addColumn<int>("tDrive");
    QTest::addColumn<int>("iDrive");
    QTest::addColumn<uint>("driveWord");

    QTest::newRow("0 fast") << 0 << 0 << 2 << 1 << 0x5AFu;
    QTest::newRow("1 medium") << 1 << 1 << 2 << 1 << 0x5AFu;
    QTest::newRow("2 slow") << 2 << 2 << 3 << 1 << 0x5FFu;
    QTest::newRow("3 slowest") << 3 << 3 << 3 << 0 << 0x0FFu;
    QTest::newRow("4 acts as 0") << 4 << 0 << 2 << 1 << 0x5AFu;
    QTest::newRow("7 acts as 0") << 7 << 0 << 2 << 1 << 0x5AFu;
    QTest::newRow("-1 acts as 0") << -1 << 0 << 2 << 1 << 0x5AFu;
    QTest::newRow("INT_MIN acts as 0") << INT_MIN << 0 << 2 << 1 << 0x5AFu;
}

void SettingsCodecTest::predriverSpeedSetsCodesAndDriveWord()
{
    QFETCH(int, speed);
    QFETCH(int, dTime);
    QFETCH(int, tDrive);
    QFETCH(int, iDrive);
    QFETCH(uint, driveWord);

    const PredriverCodes codes = predriverCodes(speed);
    QCOMPARE(codes.DTime, dTime);
    QCOMPARE(codes.TDrive, tDrive);
    QCOMPARE(codes.IDrive, iDrive);

    DrvSettings s = defaultRecord();
    s.DTime = codes.DTime;
    s.TDrive = codes.TDrive;
    s.IDrive = codes.IDrive;
    const DriverRegisters r = encode(s);
    QCOMPARE(uint(r.DriveWord), driveWord);
    QCOMPARE(int((r.CtrlWord >> 10) & 3), dTime);
}

void SettingsCodecTest::decodeTakesPredriverSpeedFromDeadTime_data()
{
    QTest::addColumn<uint>("driveWord");

    QTest::newRow("drive word empty") << 0x000u;
    QTest::newRow("drive word of speed 0") << 0x5AFu;
    QTest::newRow("drive word all ones") << 0xFFFFu;
}

void SettingsCodecTest::decodeTakesPredriverSpeedFromDeadTime()
{
    QFETCH(uint, driveWord);

    DriverRegisters r = encode(defaultRecord());
    r.CtrlWord |= 3u << 10;
    r.DriveWord = driveWord;
    DrvSettings s = untouchableRecord();
    decode(r, s);

    QCOMPARE(s.PredriverSpeed, 3);
    QCOMPARE(s.DTime, 3);
    QCOMPARE(s.TDrive, 3);
    QCOMPARE(s.IDrive, 0);
}

void SettingsCodecTest::dcMotorModeSetsOffWordAndModeByte_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("offWord");
    QTest::addColumn<int>("modeByte");
    QTest::addColumn<int>("decoded");

    QTest::newRow("stepper") << 0 << 0x01Du << 1 << 0;
    QTest::newRow("DC motors") << 1 << 0x11Du << 3 << 1;
    QTest::newRow("any non-zero is DC on the wire") << 2 << 0x21Du << 3 << 0;
}

void SettingsCodecTest::dcMotorModeSetsOffWordAndModeByte()
{
    QFETCH(int, mode);
    QFETCH(uint, offWord);
    QFETCH(int, modeByte);
    QFETCH(int, decoded);

    DrvSettings s = defaultRecord();
    s.DCMotorMode = mode;
    const DriverRegisters r = encode(s);
    QCOMPARE(uint(r.OffWord), offWord);

    std::uint8_t block[kWriteBlockSize] = {};
    toWriteBlock(r, mode, block);
    QCOMPARE(int(block[17]), modeByte);

    DrvSettings back;
    decode(r, back);
    QCOMPARE(back.DCMotorMode, decoded);
    QCOMPARE(back.TOff, 29);
}

void SettingsCodecTest::writeBlockLayout()
{
    DriverRegisters r;
    r.CtrlWord = 0xABCD1234;
    r.TorqueWord = 0x787;
    r.OffWord = 0x11D;
    r.BlankWord = 0x131;
    r.DecayWord = 0x5FF;
    r.Word5 = 0xF00;
    r.DriveWord = 0x0FF;
    r.Word7 = 0xBEEF;
    r.TempLimitByte = 300;
    r.IdleWord = 0x37A;
    r.ReducedWord = 0x1233D;

    // One byte more than the block, to see that nothing is written past it.
    std::uint8_t buffer[kWriteBlockSize + 1];
    std::fill(std::begin(buffer), std::end(buffer), kMarker);
    toWriteBlock(r, 0, buffer);

    const std::uint8_t expected[kWriteBlockSize + 1] = {
        0x34, 0x12, 0x87, 0x07, 0x1D,    0x01, 0x31, 0x01, 0xFF, 0x05, 0x00, 0x0F,
        0xFF, 0x00, 0x00, 0x00, kMarker, 0x01, 0x2C, 0x7A, 0x03, 0x3D, 0x23, kMarker,
    };
    QCOMPARE(bytes(buffer, sizeof buffer).toHex(' '), bytes(expected, sizeof expected).toHex(' '));
}

void SettingsCodecTest::valuesBlockLayout_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("listing");

    QTest::newRow("board echoes the example image")
        << QByteArray::fromHex("1906 8707 1d00 3100 0005 000f af05 0000 55 7a03 3d03")
        << kDefaultListing;
    QTest::newRow("every byte distinct")
        << QByteArray::fromHex("0102 0304 0506 0708 090a 0b0c 0d0e 0f10 11 1213 1415")
        << QStringLiteral("0x201;0x403;0x605;0x807;0xA09;0xC0B;0xE0D;0x100F;17;0x1312;0x1514");
}

void SettingsCodecTest::valuesBlockLayout()
{
    QFETCH(QByteArray, block);
    QFETCH(QString, listing);
    QCOMPARE(std::size_t(block.size()), kValuesBlockSize);

    const DriverRegisters r = fromValuesBlock(reinterpret_cast<const std::uint8_t*>(block.data()));
    QCOMPARE(registerListing(r), listing);
}

void SettingsCodecTest::temperatureLimitChangesOnlyItsListingField()
{
    DrvSettings s = defaultRecord();
    s.TemperatureLimit = 45;

    QStringList expected = kDefaultListing.split(';');
    expected[8] = QStringLiteral("45");
    QCOMPARE(registerListing(encode(s)).split(';'), expected);
    QCOMPARE(valueString(s), kLowTempValues);
}

void SettingsCodecTest::decodeKeepsIndexesBeyondTheLists_data()
{
    QTest::addColumn<uint>("ctrlWord");
    QTest::addColumn<uint>("decayWord");
    QTest::addColumn<int>("stepMode");
    QTest::addColumn<int>("decayMode");

    QTest::newRow("step 9") << 0x049u << 0x500u << 9 << 5;
    QTest::newRow("step 15") << 0x079u << 0x500u << 15 << 5;
    QTest::newRow("decay 6") << 0x019u << 0x600u << 3 << 6;
    QTest::newRow("decay 7") << 0x019u << 0x700u << 3 << 7;
    QTest::newRow("bits outside the fields") << 0xFFFFFFFFu << 0xFFFFFFFFu << 15 << 7;
}

void SettingsCodecTest::decodeKeepsIndexesBeyondTheLists()
{
    QFETCH(uint, ctrlWord);
    QFETCH(uint, decayWord);
    QFETCH(int, stepMode);
    QFETCH(int, decayMode);

    DriverRegisters r = encode(defaultRecord());
    r.CtrlWord = ctrlWord;
    r.DecayWord = decayWord;
    DrvSettings s;
    decode(r, s);

    QCOMPARE(s.StepMode, stepMode);
    QCOMPARE(s.DecayMode, decayMode);
    QVERIFY(s.DTime >= 0 && s.DTime <= 3);
    QVERIFY(std::isfinite(s.FullScaleCurrent));
}

void SettingsCodecTest::stepModeIsPlacedUnmasked_data()
{
    QTest::addColumn<int>("stepMode");
    QTest::addColumn<uint>("ctrlWord");

    QTest::newRow("15 fills the field") << 15 << 0x679u;
    QTest::newRow("16 spills into bit 7") << 16 << 0x681u;
    QTest::newRow("-1 sets every high bit") << -1 << 0xFFFFFFF9u;
    QTest::newRow("INT_MIN shifts out") << INT_MIN << 0x601u;
}

void SettingsCodecTest::stepModeIsPlacedUnmasked()
{
    QFETCH(int, stepMode);
    QFETCH(uint, ctrlWord);

    DrvSettings s = defaultRecord();
    s.StepMode = stepMode;
    const DriverRegisters r = encode(s);
    QCOMPARE(uint(r.CtrlWord), ctrlWord);

    std::uint8_t block[kWriteBlockSize] = {};
    toWriteBlock(r, 0, block);
    QCOMPARE(int(block[0]), int(ctrlWord & 0xFF));
    QCOMPARE(int(block[1]), int((ctrlWord >> 8) & 0xFF));
}

void SettingsCodecTest::unvalidatedFieldsStayDefined()
{
    DrvSettings s;
    s.StepMode = -1;
    s.FullScaleCurrent = std::nan("");
    s.IdleCurrent = std::numeric_limits<double>::infinity();
    s.ReducedCurrent = -std::numeric_limits<double>::max();
    s.TemperatureLimit = INT_MIN;
    s.PredriverSpeed = -1;
    s.DecayMode = -1;
    s.BlankingTime = std::nan("");
    s.AdaptiveBlanking = INT_MAX;
    s.MixedDecayTime = -std::numeric_limits<double>::infinity();
    s.FixedOffTime = std::numeric_limits<double>::max();
    s.DCMotorMode = -1;
    s.TBlank = -1;
    s.TOff = INT_MIN;
    s.TDecay = INT_MAX;
    s.DTime = -1;
    s.TDrive = INT_MIN;
    s.IDrive = -1;

    const DriverRegisters r = encode(s);
    QCOMPARE(uint(r.TorqueWord), 0x700u);
    QCOMPARE(uint(r.IdleWord), 0x000u);
    QCOMPARE(uint(r.ReducedWord), 0x300u);
    QVERIFY(!valueString(s).isEmpty());
    QVERIFY(!registerListing(r).isEmpty());

    std::uint8_t block[kWriteBlockSize] = {};
    toWriteBlock(r, s.DCMotorMode, block);
    QCOMPARE(int(block[17]), 3);
    QCOMPARE(int(block[18]), 0);

    DrvSettings back;
    decode(r, back);
    QCOMPARE(back.StepMode, 15);
    QCOMPARE(back.DecayMode, 7);
    QCOMPARE(back.PredriverSpeed, 3);
    QCOMPARE(back.FullScaleCurrent, 0.0);
}

void SettingsCodecTest::parsesConfigurationStrings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("values");

    QTest::newRow("default preset")
        << QStringLiteral("Default configuration;3;2.2;1.0;85;0.5;1;5;1.0;0;0.5;15.0;0")
        << kDefaultValues;
    QTest::newRow("low temp preset")
        << QStringLiteral("Low temp configuration;3;2.2;1.0;45;0.5;1;5;1.0;0;0.5;15.0;0")
        << kLowTempValues;
    QTest::newRow("program entry with two-decimal blanking")
        << QStringLiteral("Driver values;") + kDefaultValues << kDefaultValues;
    QTest::newRow("name containing semicolons")
        << QStringLiteral("motors;axis;1.tvs;3;2.2;1.0;45;0.5;1;5;1.0;0;0.5;15.0;0")
        << kLowTempValues;
    QTest::newRow("values cut short") << QStringLiteral("Partial;4;1.5")
                                      << QStringLiteral("4;1.5;0.0;0;0.0;0;0;0.00;0;0.0;0.0;0");
    QTest::newRow("name only") << QStringLiteral("Lonely") << kZeroValues;
    QTest::newRow("empty text") << QString() << kZeroValues;
    QTest::newRow("not numbers give 0")
        << QStringLiteral("Bad;x;1,5;;85C;0.5.1;1.0;5;0.50;on;1.5;15;1")
        << QStringLiteral("0;0.0;0.0;0;0.0;0;5;0.50;0;1.5;15.0;1");
    QTest::newRow("non-finite and out of range give 0")
        << QStringLiteral("Hostile;4294967299;nan;inf;2147483648;1e999;-2147483649;5;NaN;0;0.5;"
                          "-1e400;1")
        << QStringLiteral("0;0.0;0.0;0;0.0;0;5;0.00;0;0.5;0.0;1");
}

void SettingsCodecTest::parsesConfigurationStrings()
{
    QFETCH(QString, text);
    QFETCH(QString, values);

    DrvSettings s = untouchableRecord();
    s.StepMode = 7;
    s.FullScaleCurrent = 9.9;
    parseConfiguration(text, s);

    QCOMPARE(valueString(s), values);
    const DrvSettings kept = untouchableRecord();
    QCOMPARE(s.DriverName, kept.DriverName);
    QCOMPARE(s.TBlank, kept.TBlank);
    QCOMPARE(s.TOff, kept.TOff);
    QCOMPARE(s.TDecay, kept.TDecay);
    QCOMPARE(s.DTime, kept.DTime);
    QCOMPARE(s.TDrive, kept.TDrive);
    QCOMPARE(s.IDrive, kept.IDrive);
}

QTEST_GUILESS_MAIN(SettingsCodecTest)
#include "test_settings_codec.moc"
