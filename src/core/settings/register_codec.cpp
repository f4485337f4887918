// The driver settings codec: record <-> register image <-> wire blocks, and the
// record's value string, register listing and configuration-string parsing.
#include "settings/register_codec.h"

#include "c_format.h"
#include "device/protocol.h"
#include "settings/number_text.h"

#include <cmath>

namespace codec {

const char* const kStepModeNames[kStepModeCount] = {
    "Full-step", "Half step", "1/4 step",   "1/8 step",   "1/16 step",
    "1/32 step", "1/64 step", "1/128 step", "1/256 step",
};

const char* const kDecayModeNames[kDecayModeCount] = {
    "0-Force slow decay at all times",
    "1-Slow decay for increasing current, mixed decay for decreasing current (indexer mode only)",
    "2-Force fast decay at all times",
    "3-Use mixed decay at all times",
    ("4-Slow decay for increasing current, auto mixed decay for decreasing current (indexer mode "
     "only)"),
    "5-Use auto mixed decay at all times",
};

namespace {

namespace regs = protocol::regs;
namespace valuesreply = protocol::valuesreply;
namespace writevalues = protocol::writevalues;

constexpr int kConfigurationValueCount = 12;

// Record fields are not validated, so negative ints must be shifted as unsigned.
std::uint32_t bits(int value, unsigned shift)
{
    return static_cast<std::uint32_t>(value) << shift;
}

// Field value = (word >> shift) & mask, as an int of the record.
int field(std::uint32_t word, unsigned shift, std::uint32_t mask)
{
    return static_cast<int>((word >> shift) & mask);
}

std::uint32_t readLe16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

// Bits 0-7 to the low byte, 8-15 to the high byte; higher bits are dropped.
void writeLe16(std::uint32_t value, std::uint8_t* p)
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

// Low 8 bits of t truncated toward zero, for any double: fmod is exact, so no
// float-to-int conversion ever sees a value outside 0..255; NaN and inf give 0.
std::uint8_t lowByteOfTruncated(double t)
{
    double m = std::fmod(std::trunc(t), 256.0);
    if (m < 0.0) {
        m += 256.0;
    }
    if (!(m >= 0.0 && m < 256.0)) {
        return 0;
    }
    return static_cast<std::uint8_t>(m);
}

std::uint32_t currentWord(double amps)
{
    const TorqueGain tg = currentToTorque(amps);
    return tg.torque | bits(tg.gainCode, regs::kGainShift);
}

} // namespace

TorqueGain currentToTorque(double amps)
{
    double g = kGainSearchStart;
    double t = 0.0;
    // Finite currents always end before g underflows; the g > 0 bound only
    // stops NaN and infinite currents, whose t never compares <= the limit.
    do {
        g *= kGainSearchFactor;
        t = ((g * kSenseResistorFactor) * amps) / kSenseConstant;
    } while (!(t <= kTorqueLimit) && g > 0.0);

    TorqueGain result;
    result.torque = lowByteOfTruncated(t);
    // g is one of 40, 20, 10, 5, 2.5, ... here, so the conversion is in range.
    switch (static_cast<int>(g)) {
    case 40:
        result.gainCode = 3;
        break;
    case 20:
        result.gainCode = 2;
        break;
    case 10:
        result.gainCode = 1;
        break;
    default:
        result.gainCode = 0;
        break;
    }
    return result;
}

double torqueToCurrent(std::uint32_t torque, std::uint32_t gainCode)
{
    return (torque & regs::kByteMask) * kSenseConstant /
           (kGains[gainCode & regs::kGainMask] * kSenseResistorFactor);
}

PredriverCodes predriverCodes(int predriverSpeed)
{
    static constexpr PredriverCodes kTable[kPredriverSpeedCount] = {
        {0, 2, 1},
        {1, 2, 1},
        {2, 3, 1},
        {3, 3, 0},
    };
    if (predriverSpeed < 0 || predriverSpeed >= kPredriverSpeedCount) {
        predriverSpeed = 0;
    }
    return kTable[predriverSpeed];
}

DriverRegisters encode(const DrvSettings& s)
{
    DriverRegisters r;
    const TorqueGain fullScale = currentToTorque(s.FullScaleCurrent);

    // StepMode is placed unmasked, as the other counts and flags are.
    r.CtrlWord = regs::kCtrlBase | bits(fullScale.gainCode, regs::kGainShift) |
                 bits(s.DTime, regs::kDTimeShift) | bits(s.StepMode, regs::kStepModeShift);
    r.TorqueWord = fullScale.torque | regs::kTorqueBase;
    r.OffWord = bits(s.DCMotorMode, regs::kFlagShift) | bits(s.TOff, 0);
    r.BlankWord = bits(s.AdaptiveBlanking, regs::kFlagShift) | bits(s.TBlank, 0);
    r.DecayWord = bits(s.DecayMode, regs::kDecayModeShift) | bits(s.TDecay, 0);
    r.Word5 = regs::kWord5;
    // Each predriver code fills two fields of the word.
    r.DriveWord = regs::kDriveBase;
    for (const unsigned shift : regs::kIDriveShifts)
        r.DriveWord |= bits(s.IDrive, shift);
    for (const unsigned shift : regs::kTDriveShifts)
        r.DriveWord |= bits(s.TDrive, shift);
    r.Word7 = 0;
    r.TempLimitByte = static_cast<std::uint32_t>(s.TemperatureLimit);
    r.IdleWord = currentWord(s.IdleCurrent);
    r.ReducedWord = currentWord(s.ReducedCurrent);
    return r;
}

void decode(const DriverRegisters& r, DrvSettings& s)
{
    s.FullScaleCurrent = torqueToCurrent(r.TorqueWord, r.CtrlWord >> regs::kGainShift);
    s.IdleCurrent = torqueToCurrent(r.IdleWord, r.IdleWord >> regs::kGainShift);
    s.ReducedCurrent = torqueToCurrent(r.ReducedWord, r.ReducedWord >> regs::kGainShift);

    s.StepMode = field(r.CtrlWord, regs::kStepModeShift, regs::kStepModeMask);
    // DriveWord is not read back: the panel derives TDrive and IDrive again
    // from the speed, which the dead-time code identifies on its own.
    s.DTime = field(r.CtrlWord, regs::kDTimeShift, regs::kDTimeMask);
    s.PredriverSpeed = s.DTime;

    s.TOff = field(r.OffWord, 0, regs::kByteMask);
    s.DCMotorMode = field(r.OffWord, regs::kFlagShift, regs::kFlagMask);
    s.TBlank = field(r.BlankWord, 0, regs::kByteMask);
    s.AdaptiveBlanking = field(r.BlankWord, regs::kFlagShift, regs::kFlagMask);
    s.TDecay = field(r.DecayWord, 0, regs::kByteMask);
    s.DecayMode = field(r.DecayWord, regs::kDecayModeShift, regs::kDecayModeMask);
    s.TemperatureLimit = static_cast<int>(r.TempLimitByte);

    s.FixedOffTime = (s.TOff + 1) * kHalfMicrosecondUnitUs;
    s.BlankingTime = (s.TBlank + 1) * kBlankingUnitUs;
    s.MixedDecayTime = (s.TDecay + 1) * kHalfMicrosecondUnitUs;
}

DriverRegisters fromValuesBlock(const std::uint8_t* block)
{
    DriverRegisters r;
    std::uint32_t* const words[] = {&r.CtrlWord,  &r.TorqueWord, &r.OffWord,   &r.BlankWord,
                                    &r.DecayWord, &r.Word5,      &r.DriveWord, &r.Word7};
    for (int i = 0; i < valuesreply::kWordCount; ++i) {
        *words[i] = readLe16(block + valuesreply::kWords + 2 * i);
    }
    r.TempLimitByte = block[valuesreply::kTempLimit];
    r.IdleWord = readLe16(block + valuesreply::kIdle);
    r.ReducedWord = readLe16(block + valuesreply::kReduced);
    return r;
}

void toWriteBlock(const DriverRegisters& r, int dcMotorMode, std::uint8_t* block)
{
    const std::uint32_t words[] = {r.CtrlWord,  r.TorqueWord, r.OffWord,  r.BlankWord,
                                   r.DecayWord, r.Word5,      r.DriveWord};
    for (int i = 0; i < writevalues::kWordCount; ++i) {
        writeLe16(words[i], block + writevalues::kWords + 2 * i);
    }
    // Word7 is only ever read from the board; zeros go out in its place.
    writeLe16(0, block + writevalues::kWord7);
    block[writevalues::kMode] =
        dcMotorMode != 0 ? writevalues::kModeDcMotors : writevalues::kModeStepper;
    block[writevalues::kTempLimit] = static_cast<std::uint8_t>(r.TempLimitByte);
    writeLe16(r.IdleWord, block + writevalues::kIdle);
    writeLe16(r.ReducedWord, block + writevalues::kReduced);
}

QString valueString(const DrvSettings& s)
{
    // cformat formats numbers in the C locale, so the text reads back the same
    // on any system.
    return cformat("%d;%0.1f;%0.1f;%d;%0.1f;%d;%d;%0.2f;%d;%0.1f;%0.1f;%d", s.StepMode,
                   s.FullScaleCurrent, s.IdleCurrent, s.TemperatureLimit, s.ReducedCurrent,
                   s.PredriverSpeed, s.DecayMode, s.BlankingTime, s.AdaptiveBlanking,
                   s.MixedDecayTime, s.FixedOffTime, s.DCMotorMode);
}

QString registerListing(const DriverRegisters& r)
{
    return cformat("0x%03X;0x%03X;0x%03X;0x%03X;0x%03X;0x%03X;0x%03X;0x%03X;%d;0x%03X;"
                   "0x%03X",
                   r.CtrlWord, r.TorqueWord, r.OffWord, r.BlankWord, r.DecayWord, r.Word5,
                   r.DriveWord, r.Word7, static_cast<int>(r.TempLimitByte), r.IdleWord,
                   r.ReducedWord);
}

void parseConfiguration(const QString& text, DrvSettings& s)
{
    const QStringList fields = text.split(QLatin1Char(';'), Qt::KeepEmptyParts);
    // Entry names are not escaped, so a name with ";" adds fields in front;
    // the values are always the last twelve.
    const int first = qMax(1, fields.size() - kConfigurationValueCount);
    auto field = [&](int n) {
        const int i = first + n;
        return i < fields.size() ? fields.at(i) : QString();
    };
    // Text that is not a finite number of the field's type gives 0.
    auto toInt = [&](int n) { return numtext::readInt(field(n)).value_or(0); };
    auto toReal = [&](int n) { return numtext::readReal(field(n)).value_or(0.0); };

    s.StepMode = toInt(0);
    s.FullScaleCurrent = toReal(1);
    s.IdleCurrent = toReal(2);
    s.TemperatureLimit = toInt(3);
    s.ReducedCurrent = toReal(4);
    s.PredriverSpeed = toInt(5);
    s.DecayMode = toInt(6);
    s.BlankingTime = toReal(7);
    s.AdaptiveBlanking = toInt(8);
    s.MixedDecayTime = toReal(9);
    s.FixedOffTime = toReal(10);
    s.DCMotorMode = toInt(11);
}

} // namespace codec
