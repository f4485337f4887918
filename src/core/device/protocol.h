// Wire constants of the TorvelM4 HID protocol: USB identity, report sizes,
// command and reply codes, the name of every byte position of every report
// the program writes or reads (one namespace per report), the register
// fields, the scrambling and the firmware layout. Outbound positions count
// the program's 65-byte buffer (byte 0 the report ID, byte 2 the command
// code, byte 64 the salt); inbound ones the 64 data bytes of a reply.
// Multi-byte fields are little-endian outbound and big-endian inbound, except
// the register words of the values reply, which are little-endian.
//
// The simulated board uses the codes, the USB identity and the scrambling
// masks from here but keeps report offsets of its own: it is the program's
// independent check.
#pragma once

#include <cstdint>

namespace protocol {

// USB identity of the board.
constexpr std::uint16_t kVendorId = 0x3A7C;
constexpr std::uint16_t kProductId = 0x4D34;
constexpr const char* kMaker = "Marlox";

// An outbound report: report ID, 63 data bytes of command, salt byte.
constexpr int kReportBufferSize = 65;
// An inbound report: 64 data bytes (the report ID is not stored).
constexpr int kReplySize = 64;

// Command codes.
constexpr std::uint8_t CMD_GET_DEVICE_INFO = 0x01;
constexpr std::uint8_t CMD_RESTART = 0x02;
constexpr std::uint8_t CMD_BL_ERASE = 0x03;
constexpr std::uint8_t CMD_BL_WRITE_BLOCK = 0x04;
constexpr std::uint8_t CMD_BL_WRITE_SIGNATURE = 0x05;
constexpr std::uint8_t CMD_BL_READ_CRC = 0x06;
constexpr std::uint8_t CMD_WRITE_VALUES = 0x80;
constexpr std::uint8_t CMD_GET_VALUES = 0x81;
constexpr std::uint8_t CMD_SAVE_VALUES = 0x82;
constexpr std::uint8_t CMD_RESET_FAULTS = 0x86;
constexpr std::uint8_t CMD_SET_STEP_FREQ = 0x90;
constexpr std::uint8_t CMD_RT_STREAM = 0xA0;
constexpr std::uint8_t CMD_SET_ENABLE = 0xA1;
constexpr std::uint8_t CMD_SET_PWM = 0xB0;
constexpr std::uint8_t CMD_WRITE_TRAJECTORY = 0xB1;
constexpr std::uint8_t CMD_STOP_TRAJECTORY = 0xB2;
constexpr std::uint8_t CMD_SET_HOME = 0xB3;
constexpr std::uint8_t CMD_SET_NAME = 0xC0;
constexpr std::uint8_t CMD_GET_NAME = 0xC1;

// Reply codes (inbound::kReplyCode).
constexpr std::uint8_t REPLY_DEVICE_INFO = 0x01;
constexpr std::uint8_t REPLY_DEVICE_INFO_ALT = 0x00;
constexpr std::uint8_t REPLY_VALUES = 0x81;
constexpr std::uint8_t REPLY_REAL_TIME = 0xA0;
constexpr std::uint8_t REPLY_NAME = 0xC0;
constexpr std::uint8_t ECHO_STEP_FREQ = 0x90;
constexpr std::uint8_t ECHO_PWM = 0xB0;
constexpr std::uint8_t ECHO_TRAJECTORY = 0xB1;

// Operating modes the real-time report's mode byte carries.
constexpr int kOpModeDefault = 1;
constexpr int kOpModeStepDir = 2;
constexpr int kOpModeDcMotor = 3;
constexpr int kOpModeTrajectory = 4;

// The signature a flashed and verified application carries.
constexpr std::uint32_t kValidSignature = 0xBABE3DC2;

// Every outbound report.
namespace outbound {
constexpr int kReportId = 0;
constexpr int kCommand = 2;
// 0 in every report the program builds; scrambling keeps it 0.
constexpr int kLast = 63;
constexpr int kSalt = 64;
} // namespace outbound

// Every inbound report.
namespace inbound {
constexpr int kReplyCode = 15;
// Set before every send, so a reply read earlier never passes for the answer.
constexpr std::uint8_t kStale = 0xFF;
} // namespace inbound

// CMD_SET_ENABLE.
namespace enable {
constexpr int kState = 21;
constexpr std::uint8_t kRun = 1;
constexpr std::uint8_t kSleep = 0;
} // namespace enable

// CMD_SET_STEP_FREQ.
namespace step {
constexpr int kDivider = 21; // signed 32-bit; -1 stops the generator
constexpr int kDirection = 25;
constexpr std::uint8_t kForward = 1;
constexpr std::uint8_t kReverse = 0;
} // namespace step

// CMD_SET_PWM.
namespace pwm {
constexpr int kPeriod = 21; // signed 32-bit period register
constexpr int kAForward = 25;
constexpr int kAReverse = 26;
constexpr int kBForward = 27;
constexpr int kBReverse = 28;
} // namespace pwm

// CMD_WRITE_TRAJECTORY: four signed 32-bit fields and the end-switch byte.
namespace trajectory {
constexpr int kPosition = 21;
constexpr int kMaxSpeed = 25;
constexpr int kAcceleration = 29;
constexpr int kDeceleration = 33;
constexpr int kEndSwitch = 37;
constexpr std::uint8_t kEndSwitchEnabled = 1;
constexpr std::uint8_t kEndSwitchNormallyClosed = 2;
} // namespace trajectory

// CMD_WRITE_VALUES: the register image in a 23-byte block; the offsets below
// count from its first byte.
namespace writevalues {
constexpr int kBlock = 21;
constexpr int kBlockSize = 23;
constexpr int kWords = 0; // words 0 to 6, two bytes each
constexpr int kWordCount = 7;
constexpr int kWord7 = 14; // zeros in its place
constexpr int kSpare = 16;
constexpr int kMode = 17;
constexpr int kTempLimit = 18;
constexpr int kIdle = 19;
constexpr int kReduced = 21;
constexpr std::uint8_t kModeStepper = 1;
constexpr std::uint8_t kModeDcMotors = 3;
} // namespace writevalues

// CMD_SET_NAME: the name, one byte a character, then zeros to the end.
namespace setname {
constexpr int kFirst = 3;
constexpr int kLength = 32; // what the board keeps
} // namespace setname

// The bootloader's commands (CMD_BL_...).
namespace bootloader {
constexpr int kSector = 3;
constexpr int kSubsector = 4; // CMD_BL_WRITE_BLOCK: 32-byte block in the sector
constexpr int kData = 5;      // CMD_BL_WRITE_BLOCK: the block's 32 bytes
constexpr int kSignature = 8; // CMD_BL_WRITE_SIGNATURE: big-endian
} // namespace bootloader

// The device-info reply of the identification exchange.
namespace deviceinfo {
// A name reply's leftovers carry REPLY_NAME here with code 0; such a report is
// never taken for device info.
constexpr int kBootloaderHigh = 1;
constexpr int kBootloaderLow = 2;
constexpr int kFirmwareHigh = 3;
constexpr int kFirmwareLow = 4;
constexpr int kMode = 5;
constexpr int kSignature = 20;
constexpr int kUniqueId = 24; // four 32-bit words W0 to W3
constexpr int kUniqueIdWords = 4;
constexpr int kTemperature = 44;
constexpr std::uint8_t kModeBootloader = 0xB0;
} // namespace deviceinfo

// The values reply: the register image in a 21-byte block; the offsets below
// count from its first byte (little-endian words).
namespace valuesreply {
constexpr int kBlock = 40;
constexpr int kBlockSize = 21;
constexpr int kWords = 0; // words 0 to 7, two bytes each
constexpr int kWordCount = 8;
constexpr int kTempLimit = 16;
constexpr int kIdle = 17;
constexpr int kReduced = 19;
} // namespace valuesreply

// The name reply: one character a byte; bytes below kLowestLetter are skipped.
namespace namereply {
constexpr int kFirst = 16;
constexpr int kLength = 32;
constexpr std::uint8_t kLowestLetter = 0x20;
} // namespace namereply

// The real-time report.
namespace rt {
constexpr int kInputs = 6;
constexpr int kVoltage = 8; // unsigned 16-bit ADC count
constexpr int kPosition = 20;
constexpr int kSpeed = 24;
constexpr int kTemperature = 44; // unsigned 16-bit, 1/8 degC
constexpr int kDriverState = 46;
constexpr int kMode = 47;
constexpr int kGain = 48;
constexpr int kTorque = 49;
constexpr int kFaults = 54;
// Bits of kInputs.
constexpr std::uint8_t kBootloaderOverrideInput = 0x01;
constexpr std::uint8_t kEnableInput = 0x02;
constexpr std::uint8_t kStepInput = 0x04;
constexpr std::uint8_t kDirInput = 0x08;
constexpr std::uint8_t kBin1Input = 0x10;
constexpr std::uint8_t kBin2Input = 0x20;
constexpr std::uint8_t kEndSwitchInput = 0x40;
constexpr std::uint8_t kFaultMask = 0x3F;
constexpr std::uint8_t kGainMask = 0x03;
} // namespace rt

// The bootloader's checksum reply.
namespace checksum {
constexpr int kValue = 1; // big-endian 32-bit
constexpr int kSector = 16;
} // namespace checksum

// Fields of the register image's words (Ctrl, Torque, Off, Blank, Decay,
// Word5, Drive, Word7, temperature limit, Idle, Reduced).
namespace regs {
constexpr std::uint32_t kCtrlBase = 0x001;
constexpr unsigned kStepModeShift = 3;
constexpr std::uint32_t kStepModeMask = 0xF;
constexpr unsigned kGainShift = 8; // CtrlWord, IdleWord and ReducedWord
constexpr std::uint32_t kGainMask = 0x3;
constexpr unsigned kDTimeShift = 10;
constexpr std::uint32_t kDTimeMask = 0x3;
constexpr std::uint32_t kTorqueBase = 0x700;
constexpr std::uint32_t kByteMask = 0xFF; // torque bytes and the three counts
constexpr unsigned kFlagShift = 8;        // OffWord: DC motors; BlankWord: adaptive
constexpr std::uint32_t kFlagMask = 0x1;
constexpr unsigned kDecayModeShift = 8;
constexpr std::uint32_t kDecayModeMask = 0x7;
constexpr std::uint32_t kWord5 = 0xF00;
constexpr std::uint32_t kDriveBase = 0x00F;
constexpr unsigned kTDriveShifts[2] = {4, 6};
constexpr unsigned kIDriveShifts[2] = {8, 10};
} // namespace regs

// Scrambling: the salt on the command byte, a key byte on byte 3, byte 4
// mixed with byte 14, seven XOR bands over bytes 5 to 60 and the salt added
// to and taken from bytes 61 and 62.
namespace scrambling {
constexpr std::uint8_t kSaltMask = 0x29;
constexpr std::uint8_t kK2Mask = 0x5C;
constexpr std::uint8_t kBandMaskA = 0xA9;
constexpr std::uint8_t kBandMaskB = 0x4E;
constexpr int kKeyByte = 3;
constexpr int kMixedByte = 4;
constexpr int kMixSource = 14;
constexpr int kFirstBand = 5;
constexpr int kBandLength = 8;
constexpr int kBandCount = 7;
constexpr int kSaltAdd = 61;
constexpr int kSaltSubtract = 62;
} // namespace scrambling

// Firmware flash layout addressed by the bootloader.
constexpr int kFlashSize = 0x8000;
constexpr int kSectorSize = 4096;
constexpr int kSubsectorSize = 32;
constexpr int kSubsectorsPerSector = kSectorSize / kSubsectorSize;
constexpr int kFirstAppSector = 2;
constexpr int kLastAppSector = 7;
constexpr int kAppStart = kFirstAppSector * kSectorSize;
// The application carries its own version here: a tag, then high and low byte.
constexpr int kVersionTagAddress = kAppStart + 0x100;
constexpr int kVersionAddress = kVersionTagAddress + 4;
constexpr std::uint8_t kVersionTag[4] = {'T', 'M', '4', 'V'};

} // namespace protocol
