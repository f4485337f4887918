// The sector checksum, the full update against a simulated bootloader, and
// the version check that follows every identification.
#include "support/link_fixture.h"

#include "device/protocol.h"
#include "firmware/firmware_image.h"
#include "firmware/sector_checksum.h"
#include "firmware/version_check.h"
#include "firmware/version_rules.h"

#include <QSignalSpy>
#include <QtTest>
#include <vector>

using namespace protocol;

namespace {
QStringList updateLines(const QStringList& lines)
{
    const int start = lines.indexOf(QStringLiteral("Starting full update..."));
    return start < 0 ? QStringList() : lines.mid(start);
}

const QStringList kSuccessfulUpdate = {
    QStringLiteral("Starting full update..."),
    QStringLiteral("Erasing sectors..."),
    QStringLiteral("Erasing done!"),
    QStringLiteral("Uploading new FW..."),
    QStringLiteral("Uploading OK."),
    QStringLiteral("Reading CRCs..."),
    QStringLiteral("CRC 2 is OK."),
    QStringLiteral("CRC 3 is OK."),
    QStringLiteral("CRC 4 is OK."),
    QStringLiteral("CRC 5 is OK."),
    QStringLiteral("CRC 6 is OK."),
    QStringLiteral("CRC 7 is OK."),
    QStringLiteral("All CRCs OK."),
    QStringLiteral("Writing signature."),
    QStringLiteral("Restarting device..."),
};

const QString kFailure = QStringLiteral(
    "Device disconnected during CRC check or CRC(s) failed. Please reconnect device.");

sim::BoardConfig bootloaderBoard(std::uint8_t firmwareLow, bool validSignature = true)
{
    sim::BoardConfig config;
    config.bootloader = true;
    config.validSignature = validSignature;
    config.firmwareLow = firmwareLow;
    return config;
}

// A board connected in its bootloader with the version check answered Cancel,
// ready for an update started by hand.
sim::Board* connectInBootloader(LinkFixture& f)
{
    f.answerer.setAnswerOk(false);
    sim::Board* board = f.plugAndScan(bootloaderBoard(0x02));
    board->clearReceived();
    f.clearLog();
    f.answerer.setAnswerOk(true);
    return board;
}
} // namespace

class FirmwareTest : public QObject {
    Q_OBJECT
private slots:
    void checksumReferenceValues_data();
    void checksumReferenceValues();
    void carriedImageCarriesItsVersion();
    void versionRulesCompareBothBytesWithTheCarriedImage_data();
    void versionRulesCompareBothBytesWithTheCarriedImage();

    void successfulUpdateFlashesTheImage();
    void wrongChecksumFailsWithoutSignature();
    void checksumReplyForAnotherSectorIsNotTaken();
    void unansweredChecksumsFail();
    void unplugDuringUpdate_data();
    void unplugDuringUpdate();

    void versionCheck_data();
    void versionCheck();
    void outdatedBoardIsRestartedFlashedAndComesBackCurrent();
};

void FirmwareTest::checksumReferenceValues_data()
{
    QTest::addColumn<int>("pattern");
    QTest::addColumn<uint>("checksum");
    QTest::newRow("zeros") << 0 << 0u;
    QTest::newRow("all 0xFF") << 1 << 0xA0000280u;
    QTest::newRow("i mod 256") << 2 << 0xD2D2D78Fu;
}

void FirmwareTest::checksumReferenceValues()
{
    QFETCH(int, pattern);
    QFETCH(uint, checksum);
    std::vector<std::uint8_t> flash(kFlashSize, 0);
    const int sector = 5;
    for (int i = 0; i < kSectorSize; ++i)
        flash[sector * kSectorSize + i] = pattern == 0   ? 0
                                          : pattern == 1 ? 0xFF
                                                         : static_cast<std::uint8_t>(i % 256);
    QCOMPARE(Torvel.CalculateCRC(sector, flash.data()), checksum);
    QCOMPARE(Torvel.CalculateCRC(0, flash.data()), 0u);
}

void FirmwareTest::carriedImageCarriesItsVersion()
{
    QCOMPARE(kCarriedFirmware.VersionHigh, 0x01);
    QCOMPARE(kCarriedFirmware.VersionLow, 0x03);
    const std::uint8_t* image = kCarriedFirmware.Image;
    QVERIFY(std::equal(kVersionTag, kVersionTag + 4, image + kVersionTagAddress));
    QCOMPARE(int(image[kVersionAddress]), 0x01);
    QCOMPARE(int(image[kVersionAddress + 1]), 0x03);
}

void FirmwareTest::versionRulesCompareBothBytesWithTheCarriedImage_data()
{
    QTest::addColumn<int>("high");
    QTest::addColumn<int>("low");
    QTest::addColumn<bool>("bootloader");
    QTest::addColumn<bool>("signature");
    QTest::addColumn<bool>("upToDate");
    QTest::addColumn<bool>("updateNeeded");
    QTest::newRow("carried") << 0x01 << 0x03 << false << true << true << false;
    QTest::newRow("older low byte") << 0x01 << 0x02 << false << true << false << true;
    QTest::newRow("same low byte, other high") << 0x00 << 0x03 << false << true << false << true;
    QTest::newRow("newer") << 0x01 << 0x04 << false << true << false << true;
    QTest::newRow("bootloader, signed, carried") << 0x01 << 0x03 << true << true << true << false;
    QTest::newRow("bootloader, unsigned, carried") << 0x01 << 0x03 << true << false << true << true;
}

void FirmwareTest::versionRulesCompareBothBytesWithTheCarriedImage()
{
    QFETCH(int, high);
    QFETCH(int, low);
    QFETCH(bool, bootloader);
    QFETCH(bool, signature);
    DeviceInfo info;
    info.FirmwareVersionHigh = high;
    info.FirmwareVersionLow = low;
    info.BootloaderRunning = bootloader;
    info.SignatureValid = signature;
    QTEST(firmware::upToDate(info), "upToDate");
    QTEST(firmware::updateNeeded(info), "updateNeeded");
    QCOMPARE(firmware::carriedVersionText(), QStringLiteral("0x0103"));
    QCOMPARE(firmware::boardVersionText(info), QString::asprintf("0x%02X%02X", high, low));
}

void FirmwareTest::successfulUpdateFlashesTheImage()
{
    LinkFixture f;
    sim::Board* board = connectInBootloader(f);
    QSignalSpy progress(&Torvel, &TorvelDRV::newFWProgressValueAvailable);
    QList<int> progressValues;
    connect(&Torvel, &TorvelDRV::newFWProgressValueAvailable, this, [&progressValues] {
        progressValues.append(128 * Torvel.tx[bootloader::kSector] +
                              Torvel.tx[bootloader::kSubsector]);
    });
    Torvel.FullUpdate();
    disconnect(&Torvel, &TorvelDRV::newFWProgressValueAvailable, this, nullptr);

    // The restarting board leaves the bus, so the link is closed for the next scan.
    const QStringList closed = {QStringLiteral("Disconnecting device..."),
                                QStringLiteral("Torvel device disconnected!")};
    QCOMPARE(updateLines(f.lines()), kSuccessfulUpdate + closed);
    QVERIFY(!Torvel.connected);
    QCOMPARE(board->receivedWithCode(CMD_BL_ERASE).size(), 6);
    QCOMPARE(board->receivedWithCode(CMD_BL_WRITE_BLOCK).size(), 768);
    QCOMPARE(board->receivedWithCode(CMD_BL_READ_CRC).size(), 6);
    QCOMPARE(board->receivedWithCode(CMD_BL_WRITE_SIGNATURE).size(), 1);
    QCOMPARE(board->received().last().code(), CMD_RESTART);
    QList<int> erased;
    for (const sim::Report& r : board->receivedWithCode(CMD_BL_ERASE))
        erased.append(r.at(bootloader::kSector));
    QCOMPARE(erased, (QList<int>{7, 6, 5, 4, 3, 2}));
    QCOMPARE(progress.count(), 768);
    QCOMPARE(progressValues.first(), 256);
    QCOMPARE(progressValues.last(), 1023);
    const QByteArray flash = board->flash();
    const QByteArray image(reinterpret_cast<const char*>(kCarriedFirmware.Image), kFlashSize);
    QCOMPARE(flash.mid(kAppStart), image.mid(kAppStart));
    QVERIFY(board->signatureValid());
}

void FirmwareTest::wrongChecksumFailsWithoutSignature()
{
    LinkFixture f;
    sim::Board* board = connectInBootloader(f);
    board->setWrongChecksumSector(4);
    Torvel.FullUpdate();
    const QStringList lines = updateLines(f.lines());
    QCOMPARE(
        lines.mid(6),
        (QStringList{QStringLiteral("CRC 2 is OK."), QStringLiteral("CRC 3 is OK."),
                     QStringLiteral("CRC 4 is NOK."), QStringLiteral("CRC 5 is OK."),
                     QStringLiteral("CRC 6 is OK."), QStringLiteral("CRC 7 is OK."), kFailure}));
    QVERIFY(board->receivedWithCode(CMD_BL_WRITE_SIGNATURE).isEmpty());
    QVERIFY(board->receivedWithCode(CMD_RESTART).isEmpty());
    QVERIFY(!board->signatureValid());
}

// A reply that names another sector is not the answer, however right its
// value: the sector goes unanswered and the board is not signed.
void FirmwareTest::checksumReplyForAnotherSectorIsNotTaken()
{
    LinkFixture f;
    sim::Board* board = connectInBootloader(f);
    board->setMislabelledChecksumSector(4);
    Torvel.FullUpdate();
    const QStringList lines = updateLines(f.lines());
    QCOMPARE(lines.mid(6),
             (QStringList{QStringLiteral("CRC 2 is OK."), QStringLiteral("CRC 3 is OK."),
                          QStringLiteral("CRC 5 is OK."), QStringLiteral("CRC 6 is OK."),
                          QStringLiteral("CRC 7 is OK."), kFailure}));
    QVERIFY(board->receivedWithCode(CMD_BL_WRITE_SIGNATURE).isEmpty());
    QVERIFY(!board->signatureValid());
}

void FirmwareTest::unansweredChecksumsFail()
{
    LinkFixture f;
    sim::Board* board = connectInBootloader(f);
    board->ignoreCommand(CMD_BL_READ_CRC);
    Torvel.FullUpdate();
    const QList<sim::Report> requests = board->receivedWithCode(CMD_BL_READ_CRC);
    QCOMPARE(requests.size(), 6);
    // Each unanswered sector waits its settling time and the whole answer window.
    const qint64 settleAndWindowMs = 20 + 500;
    for (int i = 1; i < requests.size(); ++i)
        QCOMPARE(requests[i].atMs - requests[i - 1].atMs, settleAndWindowMs);
    QCOMPARE(updateLines(f.lines()).mid(6), QStringList{kFailure});
    QVERIFY(board->receivedWithCode(CMD_BL_WRITE_SIGNATURE).isEmpty());
}

void FirmwareTest::unplugDuringUpdate_data()
{
    QTest::addColumn<int>("afterReports");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("erase") << 3 << "Device disconnected during erase. Please reconnect device.";
    QTest::newRow("upload") << 6 + 100
                            << "Device disconnected during upload. Please reconnect device.";
    QTest::newRow("checksum") << 6 + 768 + 2 << "Torvel device disconnected!";
}

void FirmwareTest::unplugDuringUpdate()
{
    QFETCH(int, afterReports);
    QFETCH(QString, lastLine);
    LinkFixture f;
    sim::Board* board = connectInBootloader(f);
    board->unplugAfterReports(afterReports);
    Torvel.FullUpdate();
    QVERIFY(!Torvel.connected);
    QCOMPARE(f.lines().last(), lastLine);
    QCOMPARE(f.lines().filter(QStringLiteral("Disconnecting device...")).size(), 1);
    QVERIFY(board->receivedWithCode(CMD_BL_WRITE_SIGNATURE).isEmpty());
    QVERIFY(!board->signatureValid());
}

void FirmwareTest::versionCheck_data()
{
    QTest::addColumn<bool>("bootloader");
    QTest::addColumn<bool>("signature");
    QTest::addColumn<int>("firmwareLow");
    QTest::addColumn<bool>("pending");
    QTest::addColumn<bool>("answerOk");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("outcome"); // "none", "restart" or "update"
    const QString restartQuestion = QStringLiteral(
        "Device firmware mismatch detected. Device FW version: 0x0102, update version: 0x0103. "
        "Click OK to restart device and update FW.");
    const QString updateQuestion = QStringLiteral(
        "Device firmware mismatch detected. Device FW version: 0x0102, update version: 0x0103. "
        "Click OK to update FW.");
    const QString corruption =
        QStringLiteral("Device firmware corruption detected. Click OK to update the FW.");
    QTest::newRow("application, current") << false << true << 3 << false << true << ""
                                          << "none";
    QTest::newRow("application, older, OK")
        << false << true << 2 << false << true << restartQuestion << "restart";
    QTest::newRow("application, older, Cancel")
        << false << true << 2 << false << false << restartQuestion << "none";
    QTest::newRow("bootloader, bad signature, OK")
        << true << false << 3 << false << true << corruption << "update";
    QTest::newRow("bootloader, bad signature, Cancel")
        << true << false << 3 << false << false << corruption << "none";
    QTest::newRow("bootloader, current") << true << true << 3 << false << true << ""
                                         << "none";
    QTest::newRow("bootloader, older, OK")
        << true << true << 2 << false << true << updateQuestion << "update";
    QTest::newRow("bootloader, older, Cancel")
        << true << true << 2 << false << false << updateQuestion << "none";
    QTest::newRow("bootloader, older, pending") << true << true << 2 << true << false << ""
                                                << "update";
}

void FirmwareTest::versionCheck()
{
    QFETCH(bool, bootloader);
    QFETCH(bool, signature);
    QFETCH(int, firmwareLow);
    QFETCH(bool, pending);
    QFETCH(bool, answerOk);
    QFETCH(QString, question);
    QFETCH(QString, outcome);
    LinkFixture f;
    f.answerer.setAnswerOk(answerOk);
    sim::BoardConfig config = bootloaderBoard(static_cast<std::uint8_t>(firmwareLow), signature);
    config.bootloader = bootloader;
    sim::Board* board = sim::plug(config);
    board->setRestartOffBusMs(5000); // keeps it away while the test looks
    PendingUpdateId.clear();
    if (pending)
        PendingUpdateId = QStringLiteral("0x4B5A6978-0x0F1E2D3C-0x9ABCDEF0-0x12345678");
    Torvel.USBEnumTimerHandler();

    QStringList asked;
    for (const dialogs::Shown& shown : f.answerer.shown()) {
        QCOMPARE(shown.kind, dialogs::Kind::Question);
        QCOMPARE(shown.title + QLatin1Char(' '), shown.text.left(shown.title.size() + 1));
        asked.append(shown.text);
    }
    QCOMPARE(asked, question.isEmpty() ? QStringList() : QStringList{question});
    if (!question.isEmpty())
        QVERIFY(f.lines().contains(question));
    const bool updated = !board->receivedWithCode(CMD_BL_ERASE).isEmpty();
    const bool restarted = !board->receivedWithCode(CMD_RESTART).isEmpty();
    QCOMPARE(updated, outcome == QLatin1String("update"));
    QCOMPARE(restarted, outcome != QLatin1String("none"));
    if (outcome == QLatin1String("restart"))
        QCOMPARE(PendingUpdateId, Torvel.info.IdText);
    if (outcome == QLatin1String("update") && signature)
        QVERIFY(PendingUpdateId.isEmpty());
    PendingUpdateId.clear();
}

void FirmwareTest::outdatedBoardIsRestartedFlashedAndComesBackCurrent()
{
    LinkFixture f;
    PendingUpdateId.clear();
    sim::BoardConfig config;
    config.firmwareLow = 0x02;
    sim::Board* board = sim::plug(config);
    board->setRestartOffBusMs(100);
    Torvel.enumTimer->start(TorvelDRV::kEnumPeriodMs);
    QVERIFY(f.time.runUntil([&] { return board->streaming(); }));

    QCOMPARE(board->restarts(), 2);
    QVERIFY(Torvel.connected);
    QVERIFY(!Torvel.info.BootloaderRunning);
    QCOMPARE(f.answerer.shown().size(), 1); // only the first, restart question
    QCOMPARE(Torvel.info.FirmwareVersionLow, 0x03);
    QVERIFY(firmware::upToDate(Torvel.info));
    QVERIFY(PendingUpdateId.isEmpty());
    QCOMPARE(updateLines(f.lines()).mid(0, kSuccessfulUpdate.size()), kSuccessfulUpdate);
    QCOMPARE(board->receivedWithCode(CMD_BL_ERASE).size(), 6);
}

QTEST_MAIN(FirmwareTest)
#include "test_firmware.moc"
