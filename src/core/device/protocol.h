// Wire constants of the TorvelM4 HID protocol: USB identity, report sizes,
// command and reply codes, the scrambling masks and the firmware layout.
// Shared by the program and by the simulated board so both speak one protocol.
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

// Outbound byte positions.
constexpr int kTxCommand = 2;
constexpr int kTxSalt = 64;
constexpr int kTxArgs = 21; // first argument byte of most commands
constexpr int kTxNameFirst = 3;
constexpr int kTxLast = 63;

// Inbound byte positions.
constexpr int kRxReplyCode = 15;
constexpr std::uint8_t kStaleReplyCode = 0xFF;

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

// Reply codes (inbound byte 15).
constexpr std::uint8_t REPLY_DEVICE_INFO = 0x01;
constexpr std::uint8_t REPLY_DEVICE_INFO_ALT = 0x00;
constexpr std::uint8_t REPLY_VALUES = 0x81;
constexpr std::uint8_t REPLY_REAL_TIME = 0xA0;
constexpr std::uint8_t REPLY_NAME = 0xC0;
constexpr std::uint8_t ECHO_STEP_FREQ = 0x90;
constexpr std::uint8_t ECHO_PWM = 0xB0;
constexpr std::uint8_t ECHO_TRAJECTORY = 0xB1;

// Device-info reply layout (inbound numbering, big-endian).
constexpr int kInfoBootloaderHigh = 1;
constexpr int kInfoBootloaderLow = 2;
constexpr int kInfoFirmwareHigh = 3;
constexpr int kInfoFirmwareLow = 4;
constexpr int kInfoMode = 5;
constexpr int kInfoSignature = 20;
constexpr int kInfoUniqueId = 24;
constexpr int kInfoTemperature = 44;
constexpr std::uint8_t kModeBootloader = 0xB0;
constexpr std::uint32_t kValidSignature = 0xBABE3DC2;

// Values reply: 21-byte register block from inbound byte 40.
constexpr int kRxValuesBlock = 40;
constexpr int kValuesBlockSize = 21;
// Write-values report: 23-byte block from outbound byte 21.
constexpr int kWriteBlockSize = 23;

// Name reply: bytes 16 to 47.
constexpr int kRxNameFirst = 16;
constexpr int kNameLength = 32;

// Real-time report layout (inbound numbering, big-endian).
constexpr int kRtInputs = 6;
constexpr int kRtVoltage = 8;
constexpr int kRtPosition = 20;
constexpr int kRtSpeed = 24;
constexpr int kRtTemperature = 44;
constexpr int kRtDriverState = 46;
constexpr int kRtMode = 47;
constexpr int kRtGain = 48;
constexpr int kRtTorque = 49;
constexpr int kRtFaults = 54;

// Operating modes the real-time report's mode byte carries.
constexpr int kOpModeDefault = 1;
constexpr int kOpModeStepDir = 2;
constexpr int kOpModeDcMotor = 3;
constexpr int kOpModeTrajectory = 4;

// Scrambling masks and the seven XOR bands of bytes 5 to 60.
constexpr std::uint8_t kSaltMask = 0x29;
constexpr std::uint8_t kK2Mask = 0x5C;
constexpr std::uint8_t kBandMaskA = 0xA9;
constexpr std::uint8_t kBandMaskB = 0x4E;
constexpr int kFirstBandByte = 5;
constexpr int kBandLength = 8;
constexpr int kBandCount = 7;
constexpr int kSaltAddByte = 61;
constexpr int kSaltSubtractByte = 62;

// Firmware flash layout addressed by the bootloader.
constexpr int kFlashSize = 0x8000;
constexpr int kSectorSize = 4096;
constexpr int kSubsectorSize = 32;
constexpr int kFirstAppSector = 2;
constexpr int kLastAppSector = 7;
constexpr int kAppStart = kFirstAppSector * kSectorSize;
// The application carries its own version here: a tag, then high and low byte.
constexpr int kVersionTagAddress = kAppStart + 0x100;
constexpr int kVersionAddress = kVersionTagAddress + 4;
constexpr std::uint8_t kVersionTag[4] = {'T', 'M', '4', 'V'};
// Bootloader command arguments.
constexpr int kTxBlSector = 3;
constexpr int kTxBlSubsector = 4;
constexpr int kTxBlData = 5;
constexpr int kTxBlSignature = 8;
constexpr int kRxCrcSector = 16;
constexpr int kRxCrcValue = 1;

} // namespace protocol
