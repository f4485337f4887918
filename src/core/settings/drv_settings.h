// The driver settings record (physical quantities and register counts) and the
// register image of the board's motor-driver chip.
#pragma once

#include <QString>
#include <cstdint>

struct DrvSettings {
    // The twelve fields of the value string, in its order.
    int StepMode = 0;
    double FullScaleCurrent = 0.0; // A
    double IdleCurrent = 0.0;      // A
    int TemperatureLimit = 0;      // degC
    double ReducedCurrent = 0.0;   // A
    int PredriverSpeed = 0;
    int DecayMode = 0;
    double BlankingTime = 0.0; // us
    int AdaptiveBlanking = 0;
    double MixedDecayTime = 0.0; // us
    double FixedOffTime = 0.0;   // us
    int DCMotorMode = 0;

    QString DriverName;
    // Register counts beside the times: Time = (count + 1) * unit.
    int TBlank = 0;
    int TOff = 0;
    int TDecay = 0;
    // Predriver codes derived from PredriverSpeed.
    int DTime = 0;
    int TDrive = 0;
    int IDrive = 0;
};

// Eleven items, each in a 32-bit holder; only their low 16 (or 8) bits reach the wire.
struct DriverRegisters {
    std::uint32_t CtrlWord = 0;
    std::uint32_t TorqueWord = 0;
    std::uint32_t OffWord = 0;
    std::uint32_t BlankWord = 0;
    std::uint32_t DecayWord = 0;
    std::uint32_t Word5 = 0;
    std::uint32_t DriveWord = 0;
    std::uint32_t Word7 = 0;
    std::uint32_t TempLimitByte = 0;
    std::uint32_t IdleWord = 0;
    std::uint32_t ReducedWord = 0;

    bool operator==(const DriverRegisters& o) const
    {
        return CtrlWord == o.CtrlWord && TorqueWord == o.TorqueWord && OffWord == o.OffWord &&
               BlankWord == o.BlankWord && DecayWord == o.DecayWord && Word5 == o.Word5 &&
               DriveWord == o.DriveWord && Word7 == o.Word7 && TempLimitByte == o.TempLimitByte &&
               IdleWord == o.IdleWord && ReducedWord == o.ReducedWord;
    }
};
