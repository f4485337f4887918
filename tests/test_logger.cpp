// The log file and its echo in the log view.
#include "app/logger.h"

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
};

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
    QCOMPARE(view.toPlainText(), lines.mid(0, 3).join(QLatin1Char('\n')));
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
    QPlainTextEdit view;
    Logger logger(nullptr, dir.filePath(QStringLiteral("missing/dir/log.txt")), &view);
    logger.write(QStringLiteral("still shown"));
    QVERIFY(view.toPlainText().endsWith(QStringLiteral("still shown")));
}

QTEST_MAIN(LoggerTest)
#include "test_logger.moc"
