// The configuration-string parser: any text gives finite values, and the
// value string of the result reads back as itself.
#include "fuzz_check.h"
#include "settings/register_codec.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    DrvSettings settings;
    codec::parseConfiguration(text, settings);
    for (double value : {settings.FullScaleCurrent, settings.IdleCurrent, settings.ReducedCurrent,
                         settings.BlankingTime, settings.MixedDecayTime, settings.FixedOffTime})
        FUZZ_REQUIRE(std::isfinite(value));

    const QString values = codec::valueString(settings);
    DrvSettings again;
    codec::parseConfiguration(QStringLiteral("entry;") + values, again);
    FUZZ_REQUIRE(codec::valueString(again) == values);
    codec::encode(settings);
    return 0;
}
