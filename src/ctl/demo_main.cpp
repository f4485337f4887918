// torvelm4ctl-demo: the command-line program with simulated boards plugged in
// at start, for trying it without hardware and for the tests. Its --sim-*
// options set the boards up and record what they received; with
// TORVEL_DEMO_VIRTUAL_TIME=1 it runs on a virtual clock (demo_time.h).
#include "arguments.h"
#include "demo_time.h"
#include "device/protocol.h"
#include "firmware/firmware_image.h"
#include "program.h"
#include "sim_control.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>

namespace {
constexpr int kMaxBoards = 8;
constexpr int kMaxRate = 10000;
constexpr int kOffWordHigh = 5;    // high byte of word 2 in the values block
constexpr char kDcMotorBit = 0x01; // bit 8 of that word
constexpr std::uint8_t kEnableInput = 0x02;

QString g_record;

QList<ctl::Option> simOptions()
{
    return {
        {QStringLiteral("sim-boards"), QStringLiteral("N"),
         QStringLiteral("Plug in N boards, serials TM4-000001 on (default 1).")},
        {QStringLiteral("sim-firmware"), QStringLiteral("HHLL"),
         QStringLiteral("Their firmware version, four hex digits (default 0103).")},
        {QStringLiteral("sim-bootloader"), QString(),
         QStringLiteral("They start in their bootloader.")},
        {QStringLiteral("sim-bad-signature"), QString(),
         QStringLiteral("Their firmware has no valid signature.")},
        {QStringLiteral("sim-awake"), QString(),
         QStringLiteral("Their drivers start out of sleep.")},
        {QStringLiteral("sim-dc-mode"), QString(), QStringLiteral("They start in DC motor mode.")},
        {QStringLiteral("sim-rate"), QStringLiteral("N"),
         QStringLiteral("Live records per second (default 100).")},
        {QStringLiteral("sim-record"), QStringLiteral("FILE"),
         QStringLiteral(
             "At exit, write every report the boards received and their state to FILE.")},
    };
}

bool prepare(const ctl::Arguments& args, QString* error)
{
    qint64 count = 1;
    qint64 rate = 100;
    if ((args.isSet(QStringLiteral("sim-boards")) &&
         !ctl::wholeNumber(args.value(QStringLiteral("sim-boards")), 1, kMaxBoards,
                           QStringLiteral("--sim-boards"), &count)) ||
        (args.isSet(QStringLiteral("sim-rate")) &&
         !ctl::wholeNumber(args.value(QStringLiteral("sim-rate")), 0, kMaxRate,
                           QStringLiteral("--sim-rate"), &rate))) {
        *error = QStringLiteral("bad simulator option");
        return false;
    }
    sim::BoardConfig config;
    if (args.isSet(QStringLiteral("sim-firmware"))) {
        const QString value = args.value(QStringLiteral("sim-firmware"));
        if (!QRegularExpression(QStringLiteral("^[0-9A-Fa-f]{4}$")).match(value).hasMatch()) {
            *error = QStringLiteral("--sim-firmware takes four hex digits, e.g. 0102");
            return false;
        }
        const int version = value.toInt(nullptr, 16);
        config.firmwareHigh = std::uint8_t(version >> 8);
        config.firmwareLow = std::uint8_t(version & 0xFF);
    }
    config.bootloader = args.isSet(QStringLiteral("sim-bootloader"));
    config.validSignature = !args.isSet(QStringLiteral("sim-bad-signature"));
    g_record = args.value(QStringLiteral("sim-record"));
    for (int i = 1; i <= count; ++i) {
        config.serial = QStringLiteral("TM4-%1").arg(i, 6, 10, QLatin1Char('0'));
        config.uniqueId[0] += 0x01010101u; // each board its own scramble key
        sim::Board* board = sim::plug(config);
        board->setStreamRate(int(rate));
        if (i > 1)
            board->setName(QByteArrayLiteral("Bench axis ") + QByteArray::number(i));
        if (args.isSet(QStringLiteral("sim-dc-mode"))) {
            QByteArray block = board->registers();
            block[kOffWordHigh] = char(block[kOffWordHigh] | kDcMotorBit);
            board->setRegisters(block);
        }
        if (args.isSet(QStringLiteral("sim-awake"))) {
            sim::LiveValues values = board->live();
            values.inputs |= kEnableInput;
            board->setLive(values);
            board->releaseLive();
        }
    }
    return true;
}

// One line per received report ("SERIAL MS HEX", the 65 bytes descrambled),
// then one state line per board.
bool writeRecord()
{
    if (g_record.isEmpty())
        return true;
    QFile file(g_record);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    for (const sim::Board* board : sim::boards())
        for (const sim::Report& report : board->received())
            out << board->config().serial << ' ' << report.atMs << ' ' << report.bytes.toHex()
                << '\n';
    for (sim::Board* board : sim::boards()) {
        const QByteArray flash = board->flash();
        const QByteArray carried(reinterpret_cast<const char*>(kCarriedFirmware.Image) +
                                     protocol::kAppStart,
                                 protocol::kFlashSize - protocol::kAppStart);
        out << "state " << board->config().serial
            << " firmware=" << flash.mid(protocol::kVersionAddress, 2).toHex()
            << " mode=" << (board->bootloaderRunning() ? "bootloader" : "application")
            << " signature=" << (board->signatureValid() ? "valid" : "invalid")
            << " image=" << (flash.mid(protocol::kAppStart) == carried ? "carried" : "other")
            << '\n';
    }
    out.flush();
    return file.error() == QFile::NoError;
}
} // namespace

int main(int argc, char* argv[])
{
    const DemoTime time;
    return ctl::run(argc, argv,
                    {QStringLiteral("torvelm4ctl-demo"), QStringLiteral("Simulator options"),
                     simOptions(), prepare, writeRecord});
}
