// Decoded reply records held by the device object: the device-info record of
// the identification exchange and the real-time data record of the stream.
#pragma once

#include <QString>
#include <cstdint>

struct DeviceInfo {
    int BootloaderVersionHigh = 0;
    int BootloaderVersionLow = 0;
    int FirmwareVersionHigh = 0;
    int FirmwareVersionLow = 0;
    int ModeByte = 0;
    bool BootloaderRunning = false;
    bool SignatureValid = false;
    std::uint32_t UniqueId[4] = {0, 0, 0, 0}; // W0..W3
    QString IdText;
};

constexpr int kFilterLength = 5;

struct RTData {
    double Voltage = 0.0;     // V
    double Temperature = 0.0; // degC, smoothed over two reports
    double Current = 0.0;     // A
    double FilteredVoltage = 0.0;
    double FilteredTemperature = 0.0;
    bool BootloaderOverrideInput = false;
    bool EnableInput = false;
    bool StepInput = false;
    bool DirInput = false;
    bool Bin1Input = false;
    bool Bin2Input = false;
    bool EndSwitchInput = false;
    bool MotorPower = false;
    int FaultBits = 0;
    int OperatingMode = 0;
    int DriverState = 0;
    std::int32_t ActualPosition = 0;
    std::int32_t ActualSpeed = 0;
    // Newest first.
    double VoltageHistory[kFilterLength] = {};
    double TemperatureHistory[kFilterLength] = {};
};
