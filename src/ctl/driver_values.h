// Writing a board's own driver values back with one change: the record
// decoded from its register image does not always encode to that image again
// (a decoded current can fall a hair short of its torque byte), so what is
// written is checked against what the board holds.
#pragma once

#include "settings/drv_settings.h"

namespace ctl {

// Prepares settings, decoded from the board's image, so that they encode to
// that image again, apart from the DC-motor bit and the unused word 7: the
// predriver codes as the setup panel derives them, the currents as decoded
// or else at the panel's 0.1 A steps. False, with settings unchanged, when
// neither gives the board's image back.
bool reproduceBoardValues(DrvSettings& settings, const DriverRegisters& board);

} // namespace ctl
