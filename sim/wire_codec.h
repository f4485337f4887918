// The simulated board's side of the wire: undoing the program's scrambling,
// reading the arguments of each command and building each report the board
// sends. Pure functions with the board's own byte positions, written from the
// report layouts and not from the program's names, so that they check them.
#pragma once

#include "sim_control.h"

#include <QByteArray>
#include <array>
#include <cstdint>

namespace sim::wire {

// A command as the board receives it: report ID, 63 data bytes, salt byte.
constexpr int kCommandLength = 65;
// A report the board sends: 64 data bytes.
constexpr int kReportLength = 64;
constexpr int kValuesBlockLength = 21;
constexpr int kNameLength = 32;
// The bytes a bootloader write-block command carries.
constexpr int kFlashBlockLength = 32;

// Undoes the scrambling of a 65-byte command with the board's key. Byte 64
// keeps the salt; a command whose salt byte is 0 came plain and is left alone.
void descramble(QByteArray& command, std::uint32_t key);

// Command fields.
std::uint8_t code(const QByteArray& command);
bool enableArgument(const QByteArray& command);
struct StepRate {
    std::int32_t divider;
    bool forward;
};
StepRate stepRate(const QByteArray& command);
// Channel A forward, A reverse, B forward, B reverse.
std::array<std::uint8_t, 4> pwmDuties(const QByteArray& command);
struct Trajectory {
    std::int32_t target;
    std::int32_t maxSpeed;
    std::int32_t acceleration;
    std::int32_t deceleration;
};
Trajectory trajectory(const QByteArray& command);
// The values block a write-values command leaves: the block it carries has two
// bytes the board does not keep, the rest maps onto the 21 bytes in order.
QByteArray writtenValues(const QByteArray& command);
QByteArray nameArgument(const QByteArray& command); // 32 raw bytes
int bootloaderSector(const QByteArray& command);
int bootloaderSubsector(const QByteArray& command);
QByteArray flashBlock(const QByteArray& command); // 32 bytes
std::uint32_t signatureArgument(const QByteArray& command);

// Reports.
struct Identity {
    std::uint8_t bootloaderHigh = 0;
    std::uint8_t bootloaderLow = 0;
    std::uint8_t firmwareHigh = 0;
    std::uint8_t firmwareLow = 0;
    bool bootloaderRunning = false;
    std::uint32_t signature = 0;
    std::array<std::uint32_t, 4> uniqueId{};
    std::uint16_t temperatureRaw = 0;
};
QByteArray deviceInfoReply(const Identity& identity);
QByteArray realTimeReport(const LiveValues& values);
QByteArray valuesReply(const QByteArray& block);
QByteArray nameReply(const QByteArray& name);
QByteArray checksumReply(int sector, std::uint32_t checksum);
// The board's answer to a motion command: a report carrying only the code.
QByteArray echoReply(std::uint8_t code);
// Made-up bytes that no reply code the program acts on can be read from.
QByteArray noiseReport(std::uint32_t seed);

} // namespace sim::wire
