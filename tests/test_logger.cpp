// The log file, the choice of where it lives, and its echo in the log view.
#include "app/logger.h"
#include "log_location.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class LoggerTest : public QObject {
    Q_OBJECT
private slots:
    void oversizedFileIsDeletedAtStart_data();
    void oversizedFileIsDeletedAtStart();
    void lineIsTimeStampedAndFlushedAtOnce();
    void fileIsUtf8();
    void withoutAFileNameTheViewStillGetsEveryLine();
    void unwritableFileLeavesTheViewWorking();
    void logFileChoice_data();
    void logFileChoice();
    void fallsBackToTheNextFileInPrivateFolders();
    void aFileThatFailsLaterIsSaidOnce();
};

namespace {
QStringList viewLines(const QPlainTextEdit& view)
{
    QStringList lines;
    for (const QString& line : view.toPlainText().split(QLatin1Char('\n')))
        lines.append(line.mid(Logger::kTimeStampLength));
    return lines;
}
} // namespace

void LoggerTest::oversizedFileIsDeletedAtStart_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("kept");
    QTest::newRow("at the limit") << Logger::kMaxStartSize << true;
    QTest::newRow("one byte over") << Logger::kMaxStartSize + 1 << false;
}

void LoggerTest::oversizedFileIsDeletedAtStart()
{
    QFETCH(qint64, size);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("log.txt"));
    {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(QByteArray(size, 'x')) == size);
    }
    {
        Logger logger(nullptr, name, nullptr);
        logger.write(QStringLiteral("Application started: TorvelM4 0.57"));
    }
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(content.startsWith("xxx"), kept);
    QVERIFY(content.endsWith("Application started: TorvelM4 0.57\n"));
    QCOMPARE(content.size() > size, kept);
}

void LoggerTest::lineIsTimeStampedAndFlushedAtOnce()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("log.txt"));
    QPlainTextEdit view;
    Logger logger(nullptr, name, &view);
    logger.write(QStringLiteral("Trying to connect..."));
    logger.write(QStringLiteral("first\nsecond"));

    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4); // three lines and the empty rest after the last line end
    const QRegularExpression stamp(QStringLiteral(
        "^\\d{4}\\.\\d{2}\\.\\d{2}\\. \\d{2}:\\d{2}:\\d{2} Trying to connect\\.\\.\\.$"));
    QVERIFY2(stamp.match(lines[0]).hasMatch(), qPrintable(lines[0]));
    const QDateTime when =
        QDateTime::fromString(lines[0].left(20), QStringLiteral("yyyy.MM.dd. hh:mm:ss"));
    QVERIFY(qAbs(when.secsTo(QDateTime::currentDateTime())) < 5);
    QCOMPARE(lines[2], QStringLiteral("second")); // only the first physical line is stamped
    const QStringList shown = view.toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(shown.first().mid(Logger::kTimeStampLength), QStringLiteral("Log file: ") + name);
    QCOMPARE(shown.mid(1), lines.mid(0, 3));
}

void LoggerTest::fileIsUtf8()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("log.txt"));
    {
        Logger logger(nullptr, name, nullptr);
        logger.write(QStringLiteral("Device name: Achse ÄÖÜ €"));
    }
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().endsWith(QStringLiteral("Device name: Achse ÄÖÜ €\n").toUtf8()));
}

void LoggerTest::withoutAFileNameTheViewStillGetsEveryLine()
{
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    QPlainTextEdit view;
    {
        Logger logger(nullptr, QString(), &view);
        logger.write(QStringLiteral("one"));
        logger.write(QStringLiteral("two"));
    }
    QCOMPARE(view.toPlainText().split(QLatin1Char('\n')).size(), 2);
    QVERIFY(view.toPlainText().endsWith(QStringLiteral(" two")));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

void LoggerTest::unwritableFileLeavesTheViewWorking()
{
    QTemporaryDir dir;
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile(blocked).open(QIODevice::WriteOnly); // a file where a folder would have to be
    const QString name = blocked + QStringLiteral("/log.txt");
    QPlainTextEdit view;
    Logger logger(nullptr, name, &view);
    logger.write(QStringLiteral("still shown"));
    logger.write(QStringLiteral("and this"));
    QCOMPARE(viewLines(view),
             (QStringList{QStringLiteral("No log file could be written (tried ") + name +
                              QStringLiteral("); this run is logged here only."),
                          QStringLiteral("still shown"), QStringLiteral("and this")}));
    QVERIFY(logger.fileName().isEmpty());
}

void LoggerTest::logFileChoice_data()
{
    QTest::addColumn<QString>("workingDir");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("xdgStateHome");
    QTest::addColumn<QStringList>("expected");
    const QString state = QStringLiteral("/home/ada/.local/state/torvelm4/log.txt");
    QTest::newRow("shell in a project folder") << "/home/ada/rig" << true << "/home/ada"
                                               << "" << QStringList{"/home/ada/rig/log.txt", state};
    QTest::newRow("desktop menu: home") << "/home/ada" << true << "/home/ada"
                                        << "" << QStringList{state};
    QTest::newRow("home written with a trailing slash") << "/home/ada" << true << "/home/ada/"
                                                        << "" << QStringList{state};
    QTest::newRow("folder not writable") << "/" << false << "/home/ada"
                                         << "" << QStringList{state};
    QTest::newRow("XDG_STATE_HOME set")
        << "/home/ada" << true << "/home/ada"
        << "/var/state/ada" << QStringList{"/var/state/ada/torvelm4/log.txt"};
    QTest::newRow("relative XDG_STATE_HOME ignored") << "/home/ada" << true << "/home/ada"
                                                     << "state" << QStringList{state};
    QTest::newRow("no home, no XDG_STATE_HOME") << "/" << false << ""
                                                << "" << QStringList{};
    QTest::newRow("no home, shell in a writable folder") << "/srv/rig" << true << ""
                                                         << "" << QStringList{"/srv/rig/log.txt"};
}

void LoggerTest::logFileChoice()
{
    QFETCH(QString, workingDir);
    QFETCH(bool, writable);
    QFETCH(QString, home);
    QFETCH(QString, xdgStateHome);
    QFETCH(QStringList, expected);
    logLocation::Places places;
    places.workingDir = workingDir;
    places.workingDirWritable = writable;
    places.home = home;
    places.xdgStateHome = xdgStateHome;
    QCOMPARE(logLocation::candidates(places), expected);
}

void LoggerTest::fallsBackToTheNextFileInPrivateFolders()
{
    QTemporaryDir dir;
    const QString taken = dir.filePath(QStringLiteral("log.txt"));
    QVERIFY(QDir().mkdir(taken)); // a folder of that name cannot be opened as the file
    const QString state = dir.filePath(QStringLiteral("state/torvelm4/log.txt"));
    QPlainTextEdit view;
    {
        Logger logger(nullptr, QStringList{taken, state}, &view);
        QCOMPARE(logger.fileName(), state);
        logger.write(QStringLiteral("Application started: TorvelM4 0.57"));
    }
    QCOMPARE(viewLines(view), (QStringList{QStringLiteral("Log file: ") + state,
                                           QStringLiteral("Application started: TorvelM4 0.57")}));
    QFile file(state);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().endsWith("Application started: TorvelM4 0.57\n"));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    for (const QString& folder : {QStringLiteral("state"), QStringLiteral("state/torvelm4")}) {
        const QFile::Permissions given = QFile::permissions(dir.filePath(folder));
        QVERIFY(given.testFlag(QFile::ReadOwner) && given.testFlag(QFile::WriteOwner));
        QCOMPARE(given & others, QFile::Permissions());
    }
}

void LoggerTest::aFileThatFailsLaterIsSaidOnce()
{
    const QString full = QStringLiteral("/dev/full"); // opens, but every write fails
    if (!QFileInfo(full).isWritable())
        QSKIP("no /dev/full here");
    QPlainTextEdit view;
    Logger logger(nullptr, full, &view);
    logger.write(QStringLiteral("one"));
    logger.write(QStringLiteral("two"));
    QCOMPARE(viewLines(view),
             (QStringList{QStringLiteral("Log file: /dev/full"),
                          QStringLiteral("Log file /dev/full can no longer be written; the rest "
                                         "of this run is logged here only."),
                          QStringLiteral("one"), QStringLiteral("two")}));
    QVERIFY(logger.fileName().isEmpty());
}

QTEST_MAIN(LoggerTest)
#include "test_logger.moc"
