// The configuration-string parser: any text gives finite values, and a value
// string made from the result reads back as itself.
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

    // A value string the program made reads back as itself. (Rounding the
    // parsed text first may still turn -0.04 into "-0.0" and then "0.0".)
    DrvSettings once;
    codec::parseConfiguration(QStringLiteral("entry;") + codec::valueString(settings), once);
    const QString values = codec::valueString(once);
    DrvSettings twice;
    codec::parseConfiguration(QStringLiteral("entry;") + values, twice);
    FUZZ_REQUIRE(codec::valueString(twice) == values);
    codec::encode(settings);
    return 0;
}
