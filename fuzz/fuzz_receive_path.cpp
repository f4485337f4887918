// The whole receive path through the device object: inbound reports of any
// length and content, read by the receive tick from a connected simulated
// board, as the RX timer would.
#include "device/torveldrv.h"
#include "fuzz_check.h"
#include "sim_control.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
sim::Board* g_board = nullptr;

// A signed, current board in its bootloader: no question is asked and no
// stream runs, so only the fuzzer's reports are ever read.
void connectBoard()
{
    sim::reset();
    sim::BoardConfig config;
    config.bootloader = true;
    g_board = sim::plug(config);
    g_board->setBootloaderTimeoutMs(0);
    g_board->setReplyLatencyMs(0);
    Torvel.USBEnumTimerHandler();
    Torvel.rxTimer->stop();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    Torvel.StartTimers();
    Torvel.enumTimer->stop();
    connectBoard();
    return 0;
}

// Each report is one length byte (1..64 after "% 64 + 1") and that many bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!Torvel.connected)
        connectBoard();
    FUZZ_REQUIRE(Torvel.connected);
    Torvel.ClearHIDReadBuffer();
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at] % 64 + 1, size - at - 1);
        ++at;
        if (length == 0)
            break;
        g_board->injectReport(
            QByteArray(reinterpret_cast<const char*>(data + at), static_cast<int>(length)));
        at += length;
        Torvel.USBRXTimerHandler();
        Torvel.rxTimer->stop();
        FUZZ_REQUIRE(Torvel.connected);
        FUZZ_REQUIRE(std::isfinite(Torvel.rt.FilteredVoltage) &&
                     std::isfinite(Torvel.rt.FilteredTemperature) &&
                     std::isfinite(Torvel.settings.FullScaleCurrent));
        FUZZ_REQUIRE(fuzzcheck::printable(Torvel.settings.DriverName));
    }
    return 0;
}
