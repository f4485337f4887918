// What the simulated board measures and reports about its motor side. The
// protocol handling asks this model for values and tells it the commands that
// change them; a model of motion over time belongs here too.
#pragma once

#include "sim_control.h"

#include <QByteArray>

namespace sim {

class BoardModel {
public:
    LiveValues values() const { return live_; }
    void setValues(const LiveValues& values) { live_ = values; }

    // The enable command drives the enable input and wakes the driver to idle
    // or puts it to sleep.
    void setEnabled(bool enabled);

    // A 64-byte real-time report carrying the present values.
    QByteArray realTimeReport() const;

private:
    LiveValues live_;
};

} // namespace sim
