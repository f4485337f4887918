// Lock files of the boards: flock() on a file per serial, shared within the process.
#include "device/board_lock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Longer keys are hashed, so the name stays well within file-name limits.
constexpr int kMaxKeyLength = 80;
constexpr int kMaxHolderLength = 64;
constexpr qint64 kHolderReadLimit = 256;

struct Share {
    int fd = -1;
    int users = 0;
};

// Open lock files of this process by path; never destroyed, like the locks
// they stand for, which the system drops when the process ends.
QHash<QString, Share>& shares()
{
    static auto* const instance = new QHash<QString, Share>;
    return *instance;
}

QString programName()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("unknown program") : name;
}

// What the file says about its holder: "name pid". Another program wrote it,
// so only printable characters of a short name are kept.
QString describeHolder(int fd)
{
    char buffer[kHolderReadLimit] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    const QString text = n > 0 ? QString::fromUtf8(buffer, int(n)).trimmed() : QString();
    const int space = text.lastIndexOf(QLatin1Char(' '));
    bool numeric = false;
    const qint64 pid = space > 0 ? text.mid(space + 1).toLongLong(&numeric) : 0;
    QString name;
    for (const QChar c : text.left(space > 0 ? space : 0))
        if (c.isPrint() && name.size() < kMaxHolderLength)
            name.append(c);
    if (!numeric || pid <= 0 || name.isEmpty())
        return QStringLiteral("another program");
    return QStringLiteral("%1 (pid %2)").arg(name).arg(pid);
}

// Where a session has no XDG_RUNTIME_DIR (ssh, cron, a root shell): a folder
// of this user's own under the temporary directory, as Qt would make it, but
// without Qt's warning on stderr. A folder that another user made does not
// count: their lock files would be theirs to fake.
QString ownRuntimeFolder()
{
    const QByteArray folder = QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-") +
                                                QString::number(::getuid()));
    if (::mkdir(folder.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return QString();
    struct stat info = {};
    if (::lstat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QString();
    return QFile::decodeName(folder);
}

void writeHolder(int fd)
{
    const QByteArray text = programName().toUtf8() + ' ' +
                            QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.constData(), size_t(text.size()), 0) < 0)
        return; // the lock holds all the same; only its holder stays unnamed
}
} // namespace

BoardLock::~BoardLock()
{
    release();
}

QString BoardLock::directory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    return ownRuntimeFolder();
}

QString BoardLock::fileFor(const QString& serial, const QByteArray& path)
{
    const QByteArray key = serial.isEmpty() ? QByteArrayLiteral("node-") + path
                                            : QByteArrayLiteral("serial-") + serial.toUtf8();
    // Letters, digits and "-._~" stay; everything else, "/" included, is %XX.
    QByteArray safe = key.toPercentEncoding();
    if (safe.size() > kMaxKeyLength)
        safe = "sha1-" + QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
    const QString folder = directory();
    if (folder.isEmpty())
        return QString();
    return QDir(folder).filePath(QStringLiteral("torvelm4-%1.lock").arg(QLatin1String(safe)));
}

bool BoardLock::acquire(const QString& serial, const QByteArray& path)
{
    const QString file = fileFor(serial, path);
    if (file.isEmpty())
        return true;
    if (file == m_file)
        return true;
    release();
    m_holder.clear();
    QHash<QString, Share>& open = shares();
    auto share = open.find(file);
    if (share == open.end()) {
        const int fd = ::open(QFile::encodeName(file).constData(),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return true;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            m_holder = errno == EWOULDBLOCK ? describeHolder(fd) : QString();
            ::close(fd);
            return m_holder.isEmpty();
        }
        writeHolder(fd);
        share = open.insert(file, Share{fd, 0});
    }
    ++share->users;
    m_file = file;
    return true;
}

void BoardLock::release()
{
    if (m_file.isEmpty())
        return;
    QHash<QString, Share>& open = shares();
    const auto share = open.find(m_file);
    if (share != open.end() && --share->users <= 0) {
        // Closing drops the lock; the file stays, so a waiting opener never
        // locks a file that is about to disappear.
        ::close(share->fd);
        open.erase(share);
    }
    m_file.clear();
}
