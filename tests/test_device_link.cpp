// Finding, opening, identifying and closing boards on the simulated bus.
#include "support/link_fixture.h"

#include "device/protocol.h"
#include "firmware/version_rules.h"

#include "device/board_lock.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace protocol;

namespace {
QList<int> codes(const QList<sim::Report>& reports)
{
    QList<int> result;
    for (const sim::Report& r : reports)
        result.append(r.code());
    return result;
}

// Another program holding a board's lock: flock(1), with the holder line a
// program of ours would have written.
class ForeignHolder {
public:
    explicit ForeignHolder(const QString& lockFile) : m_lockFile(lockFile)
    {
        QFile file(lockFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write("torvelm4ctl 4242\n");
        file.close();
        m_process.start(QStringLiteral("flock"), {QStringLiteral("-o"), lockFile,
                                                  QStringLiteral("sleep"), QStringLiteral("60")});
        m_locked = m_process.waitForStarted() && QTest::qWaitFor([&] { return heldElsewhere(); });
    }
    ~ForeignHolder()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool locked() const { return m_locked; }
    // Until flock's child has closed its copy of the lock's descriptor, the
    // lock outlives flock itself: true once another process can take it.
    bool letGo()
    {
        m_process.kill();
        m_process.waitForFinished();
        return QTest::qWaitFor([&] { return !heldElsewhere(); });
    }

private:
    bool heldElsewhere() const
    {
        return QProcess::execute(QStringLiteral("flock"),
                                 {QStringLiteral("-n"), QStringLiteral("-E"), QStringLiteral("3"),
                                  m_lockFile, QStringLiteral("true")}) == 3;
    }

    const QString m_lockFile;
    QProcess m_process;
    bool m_locked = false;
};

sim::BoardConfig boardWithSerial(const QString& serial, std::uint32_t idSeed = 1)
{
    sim::BoardConfig config;
    config.serial = serial;
    config.uniqueId = {
        {idSeed * 0x01010101u, idSeed * 0x10203040u, idSeed ^ 0x5A5A5A5Au, 0xC0FFEE00u + idSeed}};
    return config;
}
} // namespace

class DeviceLinkTest : public QObject {
    Q_OBJECT
private slots:
    void connectingLogsEachStepInOrder();
    void identificationDecodesTheBoardAndScramblesWhatFollows();
    void bootloaderBoardGetsNoStream();
    void silentBoardGetsFourAttemptsAndStaysOpen();
    void unplugDisconnectsAndReplugReconnectsOnTheNextScan();
    void laterScansDoNotFindTheOpenBoard();
    void secondBoardIsAnnouncedOnceAndNeverOpened();
    void twoBoardsBeforeTheFirstScanOpenOnlyTheFirst();
    void onlyTheBoardsIdentityMatches_data();
    void onlyTheBoardsIdentityMatches();
    void readOrWriteErrorDisconnects_data();
    void readOrWriteErrorDisconnects();
    void failedOpenLeavesTheLinkClosed();
    void unopenableBoardIsReportedAgainAfterLeavingTheBus();
    void unopenableNoticeNamesTheGuideAndTheSudoCommands_data();
    void unopenableNoticeNamesTheGuideAndTheSudoCommands();
    void lockedBoardIsRefusedOnceAndOpensWhenReleased();
    void lockIsSharedWithinTheProcessAndFreedAtDisconnect();
    void lockFilesStayInTheRuntimeDirectory_data();
    void lockFilesStayInTheRuntimeDirectory();
    void nameTravelsAsLatin1_data();
    void nameTravelsAsLatin1();
};

void DeviceLinkTest::connectingLogsEachStepInOrder()
{
    LinkFixture f;
    sim::BoardConfig config = boardWithSerial(QStringLiteral("SN-42"));
    config.product = QStringLiteral("TorvelM4");
    sim::Board* board = f.plugAndScan(config);

    QVERIFY(Torvel.connected);
    const QStringList expected = {
        QStringLiteral("TorvelM4 device found. Serial: SN-42"),
        QStringLiteral("Trying to connect..."),
        QStringLiteral("Connecting to: TorvelM4 Serial: SN-42..."),
        QStringLiteral("Connected to: TorvelM4 Serial: SN-42"),
        QStringLiteral("RX timer started."),
        QStringLiteral("Getting Torvel device info..."),
        QStringLiteral("Getting Torvel driver values..."),
        QStringLiteral("Getting Torvel driver name..."),
        QStringLiteral("Enabling real-time data stream."),
    };
    QCOMPARE(f.lines(), expected);
    const QList<int> sent = {CMD_GET_DEVICE_INFO, CMD_GET_VALUES, CMD_GET_VALUES,
                             CMD_GET_NAME,        CMD_GET_NAME,   CMD_RT_STREAM};
    QCOMPARE(codes(board->received()), sent);

    // The replies are read by the next four receive ticks, one each.
    QVERIFY(Torvel.rxTimer->isActive());
    f.time.advance(4 * TorvelDRV::kRxPeriodMs);
    const QString read = QStringLiteral("Device HID read OK (64 bytes).");
    const QString values = QStringLiteral("Values read from driver.");
    const QString name =
        QStringLiteral("Device name: ") + QString::fromLatin1(board->name()).remove(QChar(0));
    QCOMPARE(f.lines().mid(expected.size()),
             (QStringList{read, values, read, values, read, name, read, name}));
}

void DeviceLinkTest::identificationDecodesTheBoardAndScramblesWhatFollows()
{
    LinkFixture f;
    sim::BoardConfig config;
    config.uniqueId = {{0x12345678u, 0x9ABCDEF0u, 0x0F1E2D3Cu, 0x4B5A6978u}};
    config.bootloaderHigh = 0x02;
    config.bootloaderLow = 0x07;
    sim::Board* board = f.plugAndScan(config);

    QCOMPARE(Torvel.info.BootloaderVersionHigh, 0x02);
    QCOMPARE(Torvel.info.BootloaderVersionLow, 0x07);
    QCOMPARE(Torvel.info.FirmwareVersionHigh, 0x01);
    QCOMPARE(Torvel.info.FirmwareVersionLow, 0x03);
    QVERIFY(!Torvel.info.BootloaderRunning);
    QVERIFY(Torvel.info.SignatureValid);
    QVERIFY(firmware::upToDate(Torvel.info));
    QCOMPARE(Torvel.info.IdText, QStringLiteral("0x4B5A6978-0x0F1E2D3C-0x9ABCDEF0-0x12345678"));
    QCOMPARE(Torvel.scrambleKey, 0x12345678u ^ 0x9ABCDEF0u ^ 0x0F1E2D3Cu ^ 0x4B5A6978u);

    const QList<sim::Report> reports = board->received();
    QVERIFY(reports.size() > 1);
    QVERIFY(!reports.first().scrambled());
    for (int i = 1; i < reports.size(); ++i) {
        QVERIFY2(reports[i].scrambled(), qPrintable(QString::number(i)));
        QCOMPARE(reports[i].at(outbound::kSalt) & scrambling::kSaltMask, int(scrambling::kSaltMask));
    }
}

void DeviceLinkTest::bootloaderBoardGetsNoStream()
{
    LinkFixture f;
    sim::BoardConfig config;
    config.bootloader = true;
    sim::Board* board = f.plugAndScan(config);

    QVERIFY(Torvel.connected);
    QVERIFY(Torvel.info.BootloaderRunning);
    QCOMPARE(Torvel.info.ModeByte, int(deviceinfo::kModeBootloader));
    QVERIFY(board->receivedWithCode(CMD_RT_STREAM).isEmpty());
    QVERIFY(!f.lines().contains(QStringLiteral("Enabling real-time data stream.")));
}

void DeviceLinkTest::silentBoardGetsFourAttemptsAndStaysOpen()
{
    LinkFixture f;
    Torvel.info = DeviceInfo();
    sim::Board* board = sim::plug();
    board->setSilent(true);
    const std::int64_t start = f.time.nowMs();
    Torvel.USBEnumTimerHandler();

    // Each attempt waits, then polls for its full time: 2.6 s in all.
    const int attempt = TorvelDRV::kInfoSettleMs + TorvelDRV::kInfoPollMs;
    const QList<sim::Report> requests = board->receivedWithCode(CMD_GET_DEVICE_INFO);
    QCOMPARE(requests.size(), TorvelDRV::kInfoAttempts);
    for (int i = 1; i < requests.size(); ++i)
        QCOMPARE(requests[i].atMs - requests[i - 1].atMs, qint64(attempt));
    QCOMPARE(f.time.nowMs() - start, std::int64_t(TorvelDRV::kInfoAttempts * attempt));
    QVERIFY(f.lines().contains(QStringLiteral("Error while getting Device info")));
    QVERIFY(Torvel.connected);
    QVERIFY(Torvel.rxTimer->isActive());
    QCOMPARE(Torvel.scrambleKey, 0u);
    QCOMPARE(Torvel.busy, 0);
    QVERIFY(board->receivedWithCode(CMD_GET_VALUES).isEmpty());
    QVERIFY(board->receivedWithCode(CMD_GET_NAME).isEmpty());
}

void DeviceLinkTest::unplugDisconnectsAndReplugReconnectsOnTheNextScan()
{
    LinkFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(Torvel.connected);

    f.clearLog();
    board->unplug();
    f.time.advance(TorvelDRV::kRxPeriodMs); // the next receive tick finds it gone
    QVERIFY(!Torvel.connected);
    const QStringList expected = {QStringLiteral("HID read count < 0. Disconnecting device."),
                                  QStringLiteral("Disconnecting device..."),
                                  QStringLiteral("Torvel device disconnected!")};
    QCOMPARE(f.lines(), expected);
    QCOMPARE(Torvel.scrambleKey, 0u);
    QCOMPARE(Torvel.rt.Voltage, 0.0);
    QCOMPARE(sim::openHandleCount(), 0);

    f.clearLog();
    board->replug();
    Torvel.enumTimer->start(TorvelDRV::kEnumPeriodMs);
    f.time.advance(TorvelDRV::kEnumPeriodMs); // within one scan period
    QVERIFY(Torvel.connected);
    QCOMPARE(f.lines().filter(QStringLiteral("TorvelM4 device found.")).size(), 1);
    QCOMPARE(sim::openHandleCount(), 1);
}

void DeviceLinkTest::laterScansDoNotFindTheOpenBoard()
{
    LinkFixture f;
    f.plugAndScan();
    QVERIFY(Torvel.connected);
    f.clearLog();
    for (int i = 0; i < 3; ++i)
        Torvel.USBEnumTimerHandler();
    QVERIFY(f.lines().isEmpty());
    QVERIFY(!Torvel.deviceFound);
    QCOMPARE(sim::openHandleCount(), 1);
}

void DeviceLinkTest::secondBoardIsAnnouncedOnceAndNeverOpened()
{
    LinkFixture f;
    sim::Board* first = f.plugAndScan(boardWithSerial(QStringLiteral("A"), 1));
    QVERIFY(Torvel.connected);
    f.clearLog();
    sim::Board* second = sim::plug(boardWithSerial(QStringLiteral("B"), 2));
    for (int i = 0; i < 3; ++i)
        Torvel.USBEnumTimerHandler();
    QCOMPARE(f.lines(), QStringList{QStringLiteral("TorvelM4 device found. Serial: B")});
    QVERIFY(!second->isOpen());
    QCOMPARE(sim::openHandleCount(), 1);
    QCOMPARE(Torvel.serial, QStringLiteral("A"));

    // Once the first board is gone, the second one is taken.
    first->unplug();
    f.time.advance(TorvelDRV::kRxPeriodMs);
    QVERIFY(!Torvel.connected);
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    QVERIFY(second->isOpen());
    QCOMPARE(Torvel.serial, QStringLiteral("B"));
}

void DeviceLinkTest::twoBoardsBeforeTheFirstScanOpenOnlyTheFirst()
{
    LinkFixture f;
    sim::Board* first = sim::plug(boardWithSerial(QStringLiteral("A"), 1));
    sim::Board* second = sim::plug(boardWithSerial(QStringLiteral("B"), 2));
    Torvel.USBEnumTimerHandler();
    const QStringList lines = f.lines();
    QCOMPARE(lines.mid(0, 2), (QStringList{QStringLiteral("TorvelM4 device found. Serial: A"),
                                           QStringLiteral("TorvelM4 device found. Serial: B")}));
    QVERIFY(first->isOpen());
    QVERIFY(!second->isOpen());
    QVERIFY(second->received().isEmpty());

    // The second board was announced with the first; later scans keep quiet about it.
    for (int scan = 0; scan < 3; ++scan)
        Torvel.USBEnumTimerHandler();
    QCOMPARE(f.lines().count(QStringLiteral("TorvelM4 device found. Serial: B")), 1);
    QVERIFY(!second->isOpen());
}

void DeviceLinkTest::onlyTheBoardsIdentityMatches_data()
{
    QTest::addColumn<QString>("manufacturer");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::newRow("lower-case maker") << "marlox" << int(kVendorId) << int(kProductId);
    QTest::newRow("upper-case maker") << "MARLOX" << int(kVendorId) << int(kProductId);
    QTest::newRow("maker with blank") << "Marlox " << int(kVendorId) << int(kProductId);
    QTest::newRow("other vendor") << "Marlox" << int(kVendorId + 1) << int(kProductId);
    QTest::newRow("other product") << "Marlox" << int(kVendorId) << int(kProductId + 1);
}

void DeviceLinkTest::onlyTheBoardsIdentityMatches()
{
    QFETCH(QString, manufacturer);
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    LinkFixture f;
    sim::BoardConfig config;
    config.manufacturer = manufacturer;
    config.vendorId = static_cast<std::uint16_t>(vendorId);
    config.productId = static_cast<std::uint16_t>(productId);
    sim::Board* board = f.plugAndScan(config);
    QVERIFY(!Torvel.connected);
    QVERIFY(!Torvel.deviceFound);
    QVERIFY(f.lines().isEmpty());
    QVERIFY(!board->isOpen());
}

void DeviceLinkTest::readOrWriteErrorDisconnects_data()
{
    QTest::addColumn<bool>("onWrite");
    QTest::newRow("read error") << false;
    QTest::newRow("write error") << true;
}

void DeviceLinkTest::readOrWriteErrorDisconnects()
{
    QFETCH(bool, onWrite);
    LinkFixture f;
    sim::Board* board = f.plugAndScan();
    QVERIFY(Torvel.connected);
    Torvel.rxTimer->stop();
    f.clearLog();
    if (onWrite) {
        board->failNextWrite();
        Torvel.SaveDriverValues();
    } else {
        board->failNextRead();
        Torvel.USBRXTimerHandler();
    }
    QVERIFY(!Torvel.connected);
    QVERIFY(f.lines().contains(QStringLiteral("Disconnecting device...")));
    QVERIFY(f.lines().contains(QStringLiteral("Torvel device disconnected!")));
    QCOMPARE(f.lines().contains(QStringLiteral("HID read count < 0. Disconnecting device.")),
             !onWrite);
    QCOMPARE(sim::openHandleCount(), 0);
    QCOMPARE(Torvel.scrambleKey, 0u);

    // The board is still there, so the next scan takes it again.
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
}

void DeviceLinkTest::failedOpenLeavesTheLinkClosed()
{
    LinkFixture f;
    sim::Board* board = sim::plug();
    board->setOpenFails(true);
    Torvel.USBEnumTimerHandler();
    QVERIFY(!Torvel.connected);
    QVERIFY(!Torvel.rxTimer->isActive());
    QVERIFY(board->received().isEmpty());
    QCOMPARE(sim::openHandleCount(), 0);
    const QStringList lines = f.lines();
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.last().startsWith(QStringLiteral("Cannot open the TorvelM4 device ") +
                                    QString::fromLatin1(board->path()) + QLatin1Char(':')));
    QCOMPARE(f.answerer.shown().size(), 1);
    QCOMPARE(f.answerer.shown().first().kind, dialogs::Kind::Information);

    // Later scans retry without repeating a line or a box, until the node opens.
    for (int i = 0; i < 5; ++i)
        Torvel.USBEnumTimerHandler();
    QCOMPARE(f.lines(), lines);
    QCOMPARE(f.answerer.shown().size(), 1);
    board->setOpenFails(false);
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    QVERIFY(f.lines().contains(QStringLiteral("RX timer started.")));
}

void DeviceLinkTest::unopenableBoardIsReportedAgainAfterLeavingTheBus()
{
    LinkFixture f;
    sim::Board* board = sim::plug();
    board->setOpenFails(true);
    Torvel.USBEnumTimerHandler();
    board->unplug();
    Torvel.USBEnumTimerHandler();
    f.clearLog();
    board->replug();
    Torvel.USBEnumTimerHandler();
    QCOMPARE(f.lines().filter(QStringLiteral("TorvelM4 device found.")).size(), 1);
    QCOMPARE(f.lines().filter(QStringLiteral("Cannot open the TorvelM4 device")).size(), 1);
    QCOMPARE(f.answerer.shown().size(), 2);
}

void DeviceLinkTest::unopenableNoticeNamesTheGuideAndTheSudoCommands_data()
{
    QTest::addColumn<bool>("installed");
    QTest::newRow("run from the build tree") << false;
    QTest::newRow("installed beside bin/") << true;
}

void DeviceLinkTest::unopenableNoticeNamesTheGuideAndTheSudoCommands()
{
    QFETCH(bool, installed);
    // The documentation folder as an installation lays it out next to bin/.
    const QDir docs(QCoreApplication::applicationDirPath() +
                    QStringLiteral("/../share/doc/torvelm4"));
    const QString readme = QDir::cleanPath(docs.filePath(QStringLiteral("README.md")));
    const auto cleanUp = qScopeGuard([&] {
        QFile::remove(readme);
        QDir().rmpath(docs.path()); // the folders, as far as they are empty
    });
    if (installed) {
        QVERIFY(docs.mkpath(QStringLiteral(".")));
        QFile file(readme);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    LinkFixture f;
    Torvel.USBEnumTimerHandler(); // forgets boards that earlier cases left unopenable
    sim::plug()->setOpenFails(true);
    Torvel.USBEnumTimerHandler();
    QCOMPARE(f.answerer.shown().size(), 1);
    const QString text = f.answerer.shown().first().text;
    const QString guide = installed ? readme : QStringLiteral("the README");
    QVERIFY2(
        text.contains(QStringLiteral("see ") + guide + QStringLiteral(", section Troubleshooting")),
        qPrintable(text));
    QVERIFY(f.lines().last().contains(guide + QStringLiteral(", section Troubleshooting")));
    for (const QString& command : {QStringLiteral("\nsudo udevadm control --reload-rules\n"),
                                   QStringLiteral("\nsudo udevadm trigger\n"),
                                   QStringLiteral("\nsudo usermod -aG plugdev $USER\n")})
        QVERIFY2(text.contains(command), qPrintable(command));
}

void DeviceLinkTest::lockedBoardIsRefusedOnceAndOpensWhenReleased()
{
    LinkFixture f;
    const sim::BoardConfig config = boardWithSerial(QStringLiteral("SN-LOCKED"));
    ForeignHolder holder(BoardLock::fileFor(config.serial, QByteArray()));
    QVERIFY2(holder.locked(), "flock(1) from util-linux holds the lock");
    sim::Board* board = f.plugAndScan(config);

    QVERIFY(!Torvel.connected);
    QCOMPARE(sim::openHandleCount(), 0);
    QVERIFY(board->received().isEmpty());
    const QStringList lines = f.lines();
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.last(), QStringLiteral("TorvelM4 device SN-LOCKED is in use by torvelm4ctl "
                                          "(pid 4242); not opened, retrying quietly."));
    QCOMPARE(f.answerer.shown().size(), 1);
    QVERIFY(f.answerer.shown().first().text.contains(QStringLiteral("torvelm4ctl (pid 4242)")));

    for (int i = 0; i < 3; ++i)
        Torvel.USBEnumTimerHandler();
    QCOMPARE(f.lines(), lines);
    QCOMPARE(f.answerer.shown().size(), 1);

    QVERIFY(holder.letGo());
    Torvel.USBEnumTimerHandler();
    QVERIFY(Torvel.connected);
    QVERIFY(Torvel.lock.held());
}

void DeviceLinkTest::lockIsSharedWithinTheProcessAndFreedAtDisconnect()
{
    LinkFixture f;
    const sim::BoardConfig config = boardWithSerial(QStringLiteral("SN-SHARED"));
    const QString file = BoardLock::fileFor(config.serial, QByteArray());
    BoardLock session;
    QVERIFY(session.acquire(config.serial, QByteArray()));
    f.plugAndScan(config);
    QVERIFY(Torvel.connected);

    // Another process sees it held, named by this program and its pid.
    const auto lockedElsewhere = [&file] {
        return QProcess::execute(QStringLiteral("flock"),
                                 {QStringLiteral("-n"), QStringLiteral("-E"), QStringLiteral("3"),
                                  file, QStringLiteral("true")}) == 3;
    };
    QVERIFY(lockedElsewhere());
    QFile content(file);
    QVERIFY(content.open(QIODevice::ReadOnly));
    QCOMPARE(content.readAll().trimmed(),
             QCoreApplication::applicationName().toUtf8() + ' ' +
                 QByteArray::number(QCoreApplication::applicationPid()));

    Torvel.DisconnectDevice();
    QVERIFY(lockedElsewhere()); // the session's share still holds it
    session.release();
    QVERIFY(!lockedElsewhere());
}

void DeviceLinkTest::lockFilesStayInTheRuntimeDirectory_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("plain") << "TM4-000001" << QByteArray("/dev/hidraw3");
    QTest::newRow("climbing out") << "../../etc/passwd" << QByteArray();
    QTest::newRow("slashes and blanks") << "a b/c\\d" << QByteArray();
    QTest::newRow("no serial: the node") << "" << QByteArray("/dev/hidraw3");
    QTest::newRow("very long") << QString(400, QLatin1Char('x')) << QByteArray();
    QTest::newRow("control characters") << QStringLiteral("A\nB\x01") << QByteArray();
}

void DeviceLinkTest::lockFilesStayInTheRuntimeDirectory()
{
    QFETCH(QString, serial);
    QFETCH(QByteArray, path);
    const QFileInfo file(BoardLock::fileFor(serial, path));
    QCOMPARE(file.absolutePath(), QFileInfo(BoardLock::directory()).absoluteFilePath());
    QVERIFY(file.fileName().startsWith(QStringLiteral("torvelm4-")));
    QVERIFY(file.fileName().size() < 120);
    BoardLock lock;
    QVERIFY(lock.acquire(serial, path));
    QVERIFY(lock.held());
    QVERIFY(file.exists());
}

void DeviceLinkTest::nameTravelsAsLatin1_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("comesBack");
    QTest::newRow("ascii") << "Axis 1"
                           << "Axis 1";
    QTest::newRow("latin-1") << QStringLiteral("Achse Ä ö ü ß é ©")
                             << QStringLiteral("Achse Ä ö ü ß é ©");
    QTest::newRow("outside latin-1") << QStringLiteral("Motor Ω €") << QStringLiteral("Motor ? ?");
    QTest::newRow("32 characters")
        << QString(32, QLatin1Char('x')) << QString(32, QLatin1Char('x'));
    QTest::newRow("longer than the board holds")
        << QString(40, QLatin1Char('y')) << QString(32, QLatin1Char('y'));
}

void DeviceLinkTest::nameTravelsAsLatin1()
{
    QFETCH(QString, name);
    QFETCH(QString, comesBack);
    LinkFixture f;
    sim::Board* board = f.plugAndScan();
    Torvel.SetDriverName(name);
    QCOMPARE(board->received().last().code(), CMD_SET_NAME);
    QCOMPARE(board->received().last().at(outbound::kLast), 0);
    Torvel.settings.DriverName.clear();
    Torvel.GetDriverName();
    QVERIFY(f.time.runUntil([&] { return Torvel.settings.DriverName == comesBack; }));
}

QTEST_MAIN(DeviceLinkTest)
#include "test_device_link.moc"
