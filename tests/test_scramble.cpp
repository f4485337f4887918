// Scrambling of outbound reports, checked by hand-worked bytes and by the
// simulated board's own descrambler.
#include "device/hid_port.h"
#include "device/protocol.h"
#include "device/scramble.h"
#include "sim_control.h"

#include <QRandomGenerator>
#include <QtTest>
#include <array>

using namespace protocol;
using Report = std::array<std::uint8_t, kReportBufferSize>;

namespace {
// A report as the program builds it: bytes 0, 1 and 63 stay 0.
Report randomBuiltReport(QRandomGenerator& random)
{
    Report r{};
    for (int i = 2; i < outbound::kLast; ++i)
        r[i] = static_cast<std::uint8_t>(random.generate());
    r[outbound::kSalt] = static_cast<std::uint8_t>(random.generate()); // leftover of an earlier send
    return r;
}

std::uint32_t nonZeroKey(QRandomGenerator& random)
{
    std::uint32_t key = 0;
    while (key == 0)
        key = random.generate();
    return key;
}
} // namespace

class ScrambleTest : public QObject {
    Q_OBJECT
private slots:
    void keyZeroLeavesTheReportPlain();
    void handWorkedReport();
    void scrambledReportsKeepTheirFrameAndUnscramble();
    void reportThatCannotBeVerifiedGoesOutAsBuilt();
    void boardDescramblesWhatTheProgramSends();
};

void ScrambleTest::keyZeroLeavesTheReportPlain()
{
    QRandomGenerator random(7);
    const Report built = randomBuiltReport(random);
    Report sent = built;
    scramble::encode(sent.data(), 0, 0x5A);
    QVERIFY(std::equal(sent.begin(), sent.begin() + outbound::kSalt, built.begin()));
    QCOMPARE(int(sent[outbound::kSalt]), 0);
}

void ScrambleTest::handWorkedReport()
{
    // CMD_GET_NAME with key K3..K0 = 11 22 33 44 and random byte 0: salt 0x29.
    Report r{};
    r[outbound::kCommand] = CMD_GET_NAME;
    scramble::encode(r.data(), 0x11223344u, 0x00);
    Report expected{};
    expected[2] = 0xC1 ^ 0x29;
    expected[3] = 0x22 | 0x5C;
    const std::uint8_t bands[scrambling::kBandCount] = {0x44, 0x11, 0xA9, 0x22, 0x33, 0x4E, 0x44};
    for (int band = 0; band < scrambling::kBandCount; ++band)
        for (int i = 0; i < scrambling::kBandLength; ++i)
            expected[5 + band * scrambling::kBandLength + i] = bands[band];
    expected[61] = 0x29;
    expected[62] = 0xD7;
    expected[64] = 0x29;
    for (int i = 0; i < kReportBufferSize; ++i)
        QCOMPARE(int(r[i]), int(expected[i]));
}

void ScrambleTest::scrambledReportsKeepTheirFrameAndUnscramble()
{
    QRandomGenerator random(42);
    for (int round = 0; round < 2000; ++round) {
        const Report built = randomBuiltReport(random);
        const std::uint32_t key = nonZeroKey(random);
        Report sent = built;
        scramble::encode(sent.data(), key, static_cast<std::uint8_t>(random.generate()));
        QVERIFY(sent[outbound::kSalt] != 0);
        QCOMPARE(sent[outbound::kSalt] & scrambling::kSaltMask, int(scrambling::kSaltMask));
        QCOMPARE(int(sent[0]), 0);
        QCOMPARE(int(sent[1]), 0);
        QCOMPARE(int(sent[outbound::kLast]), 0);
        scramble::decode(sent.data(), key);
        QVERIFY2(std::equal(sent.begin(), sent.begin() + outbound::kSalt, built.begin()),
                 qPrintable(QStringLiteral("round %1").arg(round)));
    }
}

void ScrambleTest::reportThatCannotBeVerifiedGoesOutAsBuilt()
{
    QRandomGenerator random(3);
    Report built = randomBuiltReport(random);
    built[outbound::kLast] = 0x01;
    Report sent = built;
    scramble::encode(sent.data(), 0xDEADBEEFu, 0x10);
    QVERIFY(sent == built);
}

void ScrambleTest::boardDescramblesWhatTheProgramSends()
{
    QRandomGenerator random(2024);
    for (int round = 0; round < 200; ++round) {
        sim::BoardConfig config;
        for (std::uint32_t& word : config.uniqueId)
            word = random.generate();
        const std::uint32_t key =
            config.uniqueId[0] ^ config.uniqueId[1] ^ config.uniqueId[2] ^ config.uniqueId[3];
        sim::Board* board = sim::plug(config);
        HidDevice device;
        QVERIFY(device.open(board->path()));

        const Report built = randomBuiltReport(random);
        Report sent = built;
        scramble::encode(sent.data(), key, static_cast<std::uint8_t>(random.generate()));
        QCOMPARE(device.write(sent.data(), kReportBufferSize), kReportBufferSize);

        const sim::Report received = board->received().last();
        QCOMPARE(received.scrambled(), key != 0);
        for (int i = 0; i < outbound::kSalt; ++i)
            QCOMPARE(int(received.at(i)), int(built[i]));
        device.close();
        sim::reset();
    }
}

QTEST_MAIN(ScrambleTest)
#include "test_scramble.moc"
