// Pure conversions between the driver settings record, the register image, the
// two wire blocks that carry the image, and the record's text forms.
// No I/O, no state; every function accepts any input without reading outside a table.
#pragma once

#include "settings/drv_settings.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace codec {

constexpr double kSenseConstant = 2.75;
constexpr double kSenseResistorFactor = 8.448;
constexpr double kTorqueLimit = 255.0;
constexpr double kGainSearchStart = 80.0;
constexpr double kGainSearchFactor = 0.5;
constexpr double kGains[4] = {5.0, 10.0, 20.0, 40.0};

constexpr double kBlankingUnitUs = 0.02;
constexpr double kHalfMicrosecondUnitUs = 0.5;

// Predriver timing tables indexed by DTime, TDrive and IDrive.
constexpr double kDeadTimeNs[4] = {400.0, 450.0, 650.0, 850.0};
constexpr double kDriveTimeNs[4] = {250.0, 500.0, 1000.0, 2000.0};
constexpr double kDriveCurrentMa[4] = {50.0, 100.0, 150.0, 200.0};
constexpr double kPredriverChargeNc = 43.0;

constexpr int kStepModeCount = 9;
constexpr int kDecayModeCount = 6;
constexpr int kPredriverSpeedCount = 4;
extern const char* const kStepModeNames[kStepModeCount];
extern const char* const kDecayModeNames[kDecayModeCount];

struct TorqueGain {
    std::uint8_t torque = 0;
    int gainCode = 0; // 0..3, index of kGains
};

struct PredriverCodes {
    int DTime = 0;
    int TDrive = 0;
    int IDrive = 0;
};

// Largest gain of the halving series whose torque byte stays within 255.
TorqueGain currentToTorque(double amps);
double torqueToCurrent(std::uint32_t torque, std::uint32_t gainCode);

// Codes for a predriver speed index; any index outside 0..3 gives those of 0.
PredriverCodes predriverCodes(int predriverSpeed);

// Record to image: all eleven items recomputed from the record's fields and counts.
DriverRegisters encode(const DrvSettings& settings);
// Image to record: currents, modes, counts and times; DriverName, TDrive and
// IDrive are left as they are.
void decode(const DriverRegisters& registers, DrvSettings& settings);

// The 21-byte block of a values reply (little-endian words) to the image.
DriverRegisters fromValuesBlock(const std::uint8_t* block);
// The image to the 23-byte block of a write-values report; offset 16 is not written.
void toWriteBlock(const DriverRegisters& registers, int dcMotorMode, std::uint8_t* block);

// "%d;%0.1f;%0.1f;%d;%0.1f;%d;%d;%0.2f;%d;%0.1f;%0.1f;%d"
QString valueString(const DrvSettings& settings);
// "0x%03X;...;%d;0x%03X;0x%03X"
QString registerListing(const DriverRegisters& registers);
// Applies the twelve value fields of a configuration string (name;v1;...;v12).
// A name containing ";" still applies the right values: with more than twelve
// value fields the last twelve are used. Missing fields, and fields that are
// not finite numbers of their type (numtext), give 0.
void parseConfiguration(const QString& text, DrvSettings& settings);

} // namespace codec
