// Pure decoding of inbound reports (64 data bytes, big-endian fields).
#pragma once

#include "device/records.h"

#include <QString>
#include <cstdint>

namespace reply {

constexpr double kAdcFullScale = 1024.0;
constexpr double kAdcReference = 3.3;
constexpr double kDividerTop = 49.2;
constexpr double kDividerBottom = 2.2;
constexpr double kTemperatureUnit = 0.125; // degC per count
constexpr double kMotorPowerVolts = 8.0;
constexpr int kFaultMask = 0x3F;

std::uint16_t be16(const std::uint8_t* at);
std::uint32_t be32(const std::uint8_t* at);

// A reply code of 1, or 0 unless byte 1 is 0xC0 (a name reply's leftovers).
bool isDeviceInfo(const std::uint8_t* rx);
// Versions, mode, signature flag and the unique ID with its text, as the board
// sent them; whether that firmware is current is the version rules' call.
DeviceInfo decodeDeviceInfo(const std::uint8_t* rx);
double deviceInfoTemperature(const std::uint8_t* rx);
std::uint32_t scrambleKey(const DeviceInfo& info);

double supplyVoltage(std::uint16_t raw);
// Motor current from the torque byte and gain code as the stream reports them.
double motorCurrent(std::uint8_t torque, std::uint8_t gainCode);

// Bytes 16 to 47 as Latin-1, skipping every byte of 0x1F or less; the other
// control characters become "?" (boardtext::printable).
QString decodeName(const std::uint8_t* rx);

// Every field of a real-time report except the filtered values; the new
// temperature is averaged with the record's previous one.
void decodeRealTime(const std::uint8_t* rx, RTData& rt);

// Shifts value in as the newest of the five and returns the mean of the middle three.
double filterMiddleThree(double (&history)[kFilterLength], double value);

} // namespace reply
