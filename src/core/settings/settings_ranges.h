// The values the setup panel allows for each key of a settings file (range,
// step, unit) and the checks of a record against them, so that every program
// that sends driver values refuses the same ones. Pure functions, no state.
#pragma once

#include "device/protocol.h"
#include "settings/drv_settings.h"

#include <QLocale>
#include <QString>
#include <cmath>
#include <optional>

namespace settingsrange {

// One numeric key: whole steps of 1 / stepsPerUnit from low to high.
struct Range {
    const char* key;
    int DrvSettings::*integer; // exactly one of the two is set
    double DrvSettings::*real;
    double low;
    double high;
    int stepsPerUnit;
    int decimals; // as the panel shows the value
    const char* unit;
};

constexpr int kRangeCount = 11;
inline constexpr Range kRanges[kRangeCount] = {
    {"StepMode", &DrvSettings::StepMode, nullptr, 0, 8, 1, 0, ""},
    {"FullScaleCurrent", nullptr, &DrvSettings::FullScaleCurrent, 0.0, 6.0, 10, 1, "A"},
    {"IdleCurrent", nullptr, &DrvSettings::IdleCurrent, 0.0, 6.0, 10, 1, "A"},
    {"TemperatureLimit", &DrvSettings::TemperatureLimit, nullptr, 0, 120, 1, 0, "°C"},
    {"ReducedCurrent", nullptr, &DrvSettings::ReducedCurrent, 0.0, 6.0, 10, 1, "A"},
    {"PredriverSpeed", &DrvSettings::PredriverSpeed, nullptr, 0, 3, 1, 0, ""},
    {"DecayMode", &DrvSettings::DecayMode, nullptr, 0, 5, 1, 0, ""},
    {"BlankingTime", nullptr, &DrvSettings::BlankingTime, 0.02, 5.12, 50, 2, "us"},
    {"AdaptiveBlanking", &DrvSettings::AdaptiveBlanking, nullptr, 0, 1, 1, 0, ""},
    {"MixedDecayTime", nullptr, &DrvSettings::MixedDecayTime, 0.5, 128.0, 2, 1, "us"},
    {"FixedOffTime", nullptr, &DrvSettings::FixedOffTime, 0.5, 128.0, 2, 1, "us"},
};
constexpr int kMixedDecayTime = 9;
constexpr int kFixedOffTime = 10;
constexpr int kNameLength = protocol::setname::kLength;

// Closer to a step than this (in steps) is on it: "2.2" reads as 2.2000000000000002.
constexpr double kStepTolerance = 1e-9;
// Far beyond every range, and within what a long long holds.
constexpr double kMaxSteps = 1e12;

inline const Range* find(const QString& key)
{
    for (const Range& range : kRanges)
        if (key == QLatin1String(range.key))
            return &range;
    return nullptr;
}

inline double valueOf(const Range& range, const DrvSettings& settings)
{
    return range.integer ? settings.*range.integer : settings.*range.real;
}

inline void setValue(const Range& range, DrvSettings& settings, double value)
{
    if (range.integer)
        settings.*range.integer = static_cast<int>(std::lround(value));
    else
        settings.*range.real = value;
}

// The number of the step value is on; none when it lies between two steps.
inline std::optional<long long> stepOf(const Range& range, double value)
{
    const double steps = value * range.stepsPerUnit;
    if (!std::isfinite(steps) || std::fabs(steps) > kMaxSteps)
        return std::nullopt;
    const long long nearest = std::llround(steps);
    if (std::fabs(steps - static_cast<double>(nearest)) > kStepTolerance)
        return std::nullopt;
    return nearest;
}

// A step as the double nearest its decimal text (23 gives 2.3, not 2.3000000000000003).
inline double stepValue(const Range& range, long long step)
{
    return static_cast<double>(step) / range.stepsPerUnit;
}

// The value as the panel shows it: on the nearest step.
inline double shownValue(const Range& range, double value)
{
    return stepValue(range, std::llround(value * range.stepsPerUnit));
}

inline QString text(const Range& range, double value)
{
    return QString::number(value, 'f', range.decimals);
}

inline QString unitText(const Range& range)
{
    return range.unit[0] ? QStringLiteral(" ") + QString::fromUtf8(range.unit) : QString();
}

// "0.0 to 6.0 A in steps of 0.1 A", "0 to 8".
inline QString describe(const Range& range)
{
    const QString unit = unitText(range);
    QString result =
        QStringLiteral("%1 to %2%3").arg(text(range, range.low), text(range, range.high), unit);
    if (range.real)
        result +=
            QStringLiteral(" in steps of %1%2").arg(text(range, 1.0 / range.stepsPerUnit), unit);
    return result;
}

// Empty when the panel allows value; else why not, in one line.
inline QString check(const Range& range, double value)
{
    const QString unit = unitText(range);
    const QString given = QString::number(value, 'g', QLocale::FloatingPointShortest);
    const bool within = value >= range.low - kStepTolerance && value <= range.high + kStepTolerance;
    if (!within)
        return QStringLiteral("%1 must be from %2 to %3%4, not %5")
            .arg(QLatin1String(range.key), text(range, range.low), text(range, range.high), unit,
                 given);
    if (!stepOf(range, value)) {
        const double below = std::floor(value * range.stepsPerUnit) / range.stepsPerUnit;
        return QStringLiteral("%1 goes in steps of %2%3: %4 lies between %5 and %6")
            .arg(QLatin1String(range.key), text(range, 1.0 / range.stepsPerUnit), unit, given,
                 text(range, below), text(range, below + 1.0 / range.stepsPerUnit));
    }
    return QString();
}

// The mixed-decay time never above the fixed off time; empty when it holds.
inline QString checkTimes(const DrvSettings& settings)
{
    const Range& mixed = kRanges[kMixedDecayTime];
    const Range& off = kRanges[kFixedOffTime];
    if (shownValue(mixed, valueOf(mixed, settings)) <= shownValue(off, valueOf(off, settings)))
        return QString();
    return QStringLiteral("%1 (%2 us) must not be above %3 (%4 us)")
        .arg(QLatin1String(mixed.key), text(mixed, valueOf(mixed, settings)),
             QLatin1String(off.key), text(off, valueOf(off, settings)));
}

// Letters the board holds and gives back: at most 32 of Latin-1, no control
// characters. Empty when name is one; else why not.
inline QString checkName(const QString& name)
{
    bool letters = true;
    for (const QChar c : name)
        letters = letters && c.unicode() >= 0x20 && c.unicode() <= 0xFF &&
                  !(c.unicode() >= 0x7F && c.unicode() < 0xA0);
    if (name.size() <= kNameLength && letters)
        return QString();
    return QStringLiteral("DriverName must be at most %1 Latin-1 characters without control "
                          "characters")
        .arg(kNameLength);
}

} // namespace settingsrange
