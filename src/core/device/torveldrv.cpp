// The device object's construction, timers and busy wait.
#include "device/torveldrv.h"

#include "clock.h"
#include "log_sink.h"

#include <QTimer>

TorvelDRV::TorvelDRV() : enumTimer(new QTimer(this)), rxTimer(new QTimer(this)) {}

// Nothing is sent at exit; the handle is only released.
TorvelDRV::~TorvelDRV() = default;

void TorvelDRV::StartTimers()
{
    connect(enumTimer, &QTimer::timeout, this, &TorvelDRV::USBEnumTimerHandler,
            Qt::UniqueConnection);
    enumTimer->start(kEnumPeriodMs);
    connect(rxTimer, &QTimer::timeout, this, &TorvelDRV::USBRXTimerHandler, Qt::UniqueConnection);
}

void TorvelDRV::WaitMs(int ms)
{
    timing::waitMs(ms);
}

void TorvelDRV::log(const QString& line)
{
    if (logger)
        logger->write(line);
}
