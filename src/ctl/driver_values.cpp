// Matching a decoded record to the board's register image.
#include "driver_values.h"

#include "settings/register_codec.h"

#include <cmath>

namespace ctl {
namespace {
constexpr double kPanelStepsPerAmpere = 10.0;
constexpr std::uint32_t kDcMotorBit = 1u << 8;

double panelCurrent(double amps)
{
    return std::round(amps * kPanelStepsPerAmpere) / kPanelStepsPerAmpere;
}

bool sameImage(DriverRegisters a, DriverRegisters b)
{
    a.OffWord &= ~kDcMotorBit;
    b.OffWord &= ~kDcMotorBit;
    a.Word7 = b.Word7 = 0;
    return a == b;
}
} // namespace

bool reproduceBoardValues(DrvSettings& settings, const DriverRegisters& board)
{
    DrvSettings candidate = settings;
    const codec::PredriverCodes codes = codec::predriverCodes(candidate.PredriverSpeed);
    candidate.DTime = codes.DTime;
    candidate.TDrive = codes.TDrive;
    candidate.IDrive = codes.IDrive;
    if (sameImage(codec::encode(candidate), board)) {
        settings = candidate;
        return true;
    }
    candidate.FullScaleCurrent = panelCurrent(candidate.FullScaleCurrent);
    candidate.IdleCurrent = panelCurrent(candidate.IdleCurrent);
    candidate.ReducedCurrent = panelCurrent(candidate.ReducedCurrent);
    if (!sameImage(codec::encode(candidate), board))
        return false;
    settings = candidate;
    return true;
}

} // namespace ctl
