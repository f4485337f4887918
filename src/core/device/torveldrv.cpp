// The device object's construction, timers and busy wait.
#include "device/torveldrv.h"

#include "log_sink.h"

#include <QElapsedTimer>
#include <QThread>
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
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = ms; left > 0; left = ms - clock.elapsed())
        QThread::usleep(static_cast<unsigned long>(qMin<qint64>(left, 1) * 1000));
}

void TorvelDRV::log(const QString& line)
{
    if (logger)
        logger->write(line);
}
