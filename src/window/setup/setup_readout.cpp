// Formatting of the setup panel's read-out from the predriver tables.
#include "setup/setup_readout.h"

#include "c_format.h"
#include "settings/register_codec.h"

namespace readout {
namespace {
struct Predriver {
    double deadNs;
    double driveNs;
    double currentMa;
};

Predriver predriverOf(const DrvSettings& s)
{
    auto at = [](const double(&table)[4], int code) { return table[code & 3]; };
    return {at(codec::kDeadTimeNs, s.DTime), at(codec::kDriveTimeNs, s.TDrive),
            at(codec::kDriveCurrentMa, s.IDrive)};
}
} // namespace

QStringList timingLines(const DrvSettings& s)
{
    const Predriver p = predriverOf(s);
    const double q = codec::kPredriverChargeNc;
    const double chopHz = 1e9 / ((s.BlankingTime * 1000 + 2 * p.deadNs) + s.FixedOffTime * 1000);
    return {
        cformat("IDRIVE > Q / RT == %0.1fmA > %0.1fnC / %0.1fns = %0.1fmA", p.currentMa, q,
                p.deadNs, (q * 1000) / p.deadNs),
        cformat("TDRIVE > 2 x RT == %0.1fns > %0.1fns", p.driveNs, 2 * p.deadNs),
        cformat("DTIME = %0.1fns, TBLANK = %0.0fns, TOFF = %0.0fns, (TDECAY = %0.0fns) >> fPWM ~ "
                "%0.1fkHz",
                p.deadNs, s.BlankingTime * 1000, s.FixedOffTime * 1000, s.MixedDecayTime * 1000,
                chopHz / 1000),
        cformat("Q < 20mA/4xfPWM == %0.1fnC", 0.02 / (chopHz * 4) * 1e9),
    };
}

DiagramLabels diagramLabels(const DrvSettings& s)
{
    const double driveUs = predriverOf(s).driveNs / 1000;
    const double on = driveUs > s.BlankingTime ? driveUs : s.BlankingTime;
    return {cformat("%0.2fus", s.BlankingTime), cformat("%0.1fus", s.MixedDecayTime),
            cformat("%0.1fus", s.FixedOffTime), cformat("%0.2fus < ", on)};
}

} // namespace readout
