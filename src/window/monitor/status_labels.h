// Texts of the status area's two labels besides the driver-state table and
// the fault number: what the status display shows and the window fit measures.
#pragma once

#include <QString>

namespace statuslabels {

inline const QString kDriverOk = QStringLiteral("Driver OK");
inline const QString kNoFaults = QStringLiteral("No faults detected!");
inline const QString kNoMotorPower = QStringLiteral("No motor power available.");
// While no live record is at hand.
inline const QString kNoBoard = QStringLiteral("No board connected");
inline const QString kNoRecordYet = QStringLiteral("Waiting for live data");
inline const QString kFaultsUnknown = QStringLiteral("Faults unknown");

} // namespace statuslabels
