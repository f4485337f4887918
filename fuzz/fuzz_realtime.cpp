// The real-time decoder and the voltage and temperature filter, over a run of
// 64-byte reports cut from the input.
#include "device/protocol.h"
#include "device/reply_decode.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    RTData rt;
    for (std::size_t at = 0; at < size; at += protocol::kReplySize) {
        std::uint8_t report[protocol::kReportBufferSize] = {};
        std::memcpy(report, data + at, std::min<std::size_t>(protocol::kReplySize, size - at));
        reply::decodeRealTime(report, rt);
        rt.FilteredVoltage = reply::filterMiddleThree(rt.VoltageHistory, rt.Voltage);
        rt.FilteredTemperature = reply::filterMiddleThree(rt.TemperatureHistory, rt.Temperature);
        FUZZ_REQUIRE(std::isfinite(rt.FilteredVoltage) && std::isfinite(rt.FilteredTemperature));
        FUZZ_REQUIRE(rt.Current >= 0.0 && std::isfinite(rt.Current));
        FUZZ_REQUIRE(rt.FaultBits == (rt.FaultBits & reply::kFaultMask));
    }
    return 0;
}
