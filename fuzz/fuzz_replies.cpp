// The reply decoders: device info, name, and the values block through the
// register codec and back to the wire.
#include "device/protocol.h"
#include "device/reply_decode.h"
#include "fuzz_check.h"
#include "settings/register_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t rx[protocol::kReportBufferSize] = {};
    std::memcpy(rx, data, std::min<std::size_t>(protocol::kReplySize, size));

    reply::isDeviceInfo(rx);
    const DeviceInfo info = reply::decodeDeviceInfo(rx);
    FUZZ_REQUIRE(info.IdText.size() == 43);
    reply::scrambleKey(info);
    FUZZ_REQUIRE(std::isfinite(reply::deviceInfoTemperature(rx)));

    const QString name = reply::decodeName(rx);
    FUZZ_REQUIRE(name.size() <= protocol::setname::kLength && fuzzcheck::printable(name));

    DrvSettings settings;
    codec::decode(codec::fromValuesBlock(rx + protocol::valuesreply::kBlock), settings);
    FUZZ_REQUIRE(std::isfinite(settings.FullScaleCurrent) && std::isfinite(settings.IdleCurrent) &&
                 std::isfinite(settings.ReducedCurrent));
    std::uint8_t block[protocol::kReportBufferSize] = {};
    codec::toWriteBlock(codec::encode(settings), settings.DCMotorMode, block);
    codec::valueString(settings);
    codec::registerListing(codec::encode(settings));
    return 0;
}
