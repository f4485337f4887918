// The settings-file reader and writer: any bytes read safely, and whatever
// is written onto them reads back as the record that was written, unchanged
// by writing it again.
#include "fuzz_check.h"
#include "settings/settings_file.h"

#include <cmath>

namespace {
DrvSettings sample()
{
    DrvSettings s;
    s.StepMode = 4;
    s.FullScaleCurrent = 2.2;
    s.IdleCurrent = 1.0;
    s.TemperatureLimit = 61;
    s.ReducedCurrent = 0.5;
    s.PredriverSpeed = 2;
    s.DecayMode = 5;
    s.BlankingTime = 1.24;
    s.AdaptiveBlanking = 1;
    s.MixedDecayTime = 2.5;
    s.FixedOffTime = 15.0;
    s.DriverName = QStringLiteral("Axis 1");
    return s;
}

bool sameFileFields(const DrvSettings& a, const DrvSettings& b)
{
    return a.StepMode == b.StepMode && a.FullScaleCurrent == b.FullScaleCurrent &&
           a.IdleCurrent == b.IdleCurrent && a.TemperatureLimit == b.TemperatureLimit &&
           a.ReducedCurrent == b.ReducedCurrent && a.PredriverSpeed == b.PredriverSpeed &&
           a.DecayMode == b.DecayMode && a.BlankingTime == b.BlankingTime &&
           a.AdaptiveBlanking == b.AdaptiveBlanking && a.MixedDecayTime == b.MixedDecayTime &&
           a.FixedOffTime == b.FixedOffTime && a.DriverName == b.DriverName;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    DrvSettings record = sample();
    const settingsfile::ReadResult read = settingsfile::parse(bytes, record);
    for (double value : {record.FullScaleCurrent, record.IdleCurrent, record.ReducedCurrent,
                         record.BlankingTime, record.MixedDecayTime, record.FixedOffTime})
        FUZZ_REQUIRE(std::isfinite(value));
    FUZZ_REQUIRE(fuzzcheck::printable(record.DriverName));
    if (read.status != settingsfile::Status::Ok)
        FUZZ_REQUIRE(sameFileFields(record, sample()));

    const settingsfile::ComposeResult composed = settingsfile::compose(bytes, record);
    if (composed.status != settingsfile::Status::Ok)
        return 0;
    DrvSettings back;
    const settingsfile::ReadResult reread = settingsfile::parse(composed.bytes, back);
    FUZZ_REQUIRE(reread.status == settingsfile::Status::Ok && reread.notNumbers.isEmpty());
    FUZZ_REQUIRE(sameFileFields(back, record));
    FUZZ_REQUIRE(settingsfile::compose(composed.bytes, record).bytes == composed.bytes);
    return 0;
}
