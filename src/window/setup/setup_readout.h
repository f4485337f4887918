// The setup panel's diagnostic read-out: predriver timing, chopping frequency,
// the value string and the register listing, and the decay diagram's labels.
#pragma once

#include "settings/drv_settings.h"

#include <QString>
#include <QStringList>

namespace readout {

struct DiagramLabels {
    QString blanking;
    QString decay;
    QString off;
    QString on;
};

// The four timing lines (value string and listing are added by the caller).
QStringList timingLines(const DrvSettings& settings);
DiagramLabels diagramLabels(const DrvSettings& settings);

} // namespace readout
