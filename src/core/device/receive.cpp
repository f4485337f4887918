// The receive tick: at most one inbound report per 10 ms, dispatched by its
// reply code.
#include "device/torveldrv.h"

#include "device/reply_decode.h"

#include <QTimer>
#include <algorithm>
#include <exception>
#include <iterator>

using namespace protocol;

namespace {
// Replies to the frequent step, PWM and trajectory commands and the stream stay out of the log.
bool isQuietReply(std::uint8_t code)
{
    return code == ECHO_TRAJECTORY || code == ECHO_PWM || code == REPLY_REAL_TIME ||
           code == ECHO_STEP_FREQ;
}
} // namespace

void TorvelDRV::USBRXTimerHandler()
{
    if (!connected) {
        rxTimer->stop();
        log(QStringLiteral("Device disconection detected within RX handler. RX timer stopped."));
        return;
    }
    try {
        lastResult = device.read(rx, kReportBufferSize);
        if (lastResult < 0) {
            log(QStringLiteral("HID read count < 0. Disconnecting device."));
            DisconnectDevice();
            return;
        }
        if (lastResult != kReplySize) {
            busy = 0;
            return;
        }
        const std::uint8_t code = rx[inbound::kReplyCode];
        if (!isQuietReply(code))
            log(QStringLiteral("Device HID read OK (64 bytes)."));
        switch (code) {
        case REPLY_VALUES:
            Buffer2DriverRegisters();
            DriverRegisters2DrvSettings();
            ++valuesReplies;
            emit newDriverValuesAvailable();
            log(QStringLiteral("Values read from driver."));
            break;
        case REPLY_REAL_TIME:
            Buffer2RTData();
            liveRecord = true;
            emit newRTDataAvailable();
            break;
        case REPLY_NAME: {
            const QString name = reply::decodeName(rx);
            log(QStringLiteral("Device name: ") + name);
            settings.DriverName = name;
            emit newDriverValuesAvailable();
            break;
        }
        default:
            break;
        }
        busy = 0;
    } catch (const std::exception&) {
        rxTimer->stop();
        const QString text = QStringLiteral("Unexpected error occured while pull-reading from a "
                                            "device. Please try reconnecting device.");
        reportHidException(QStringLiteral("Error reading Torvel device"), text, text);
        busy = 0;
    }
}

void TorvelDRV::Buffer2RTData()
{
    reply::decodeRealTime(rx, rt);
    VM_T_Filter();
}

void TorvelDRV::VM_T_Filter()
{
    // The first record of a link must not be averaged with zeros or with the
    // values of a board that has since left.
    if (!liveRecord) {
        std::fill(std::begin(rt.VoltageHistory), std::end(rt.VoltageHistory), rt.Voltage);
        std::fill(std::begin(rt.TemperatureHistory), std::end(rt.TemperatureHistory),
                  rt.Temperature);
    }
    rt.FilteredVoltage = reply::filterMiddleThree(rt.VoltageHistory, rt.Voltage);
    rt.FilteredTemperature = reply::filterMiddleThree(rt.TemperatureHistory, rt.Temperature);
}
