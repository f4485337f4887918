// Settings files on disk, and the device object's load and save over them.
#include "settings/settings_file_io.h"

#include "device/torveldrv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace settingsfile {

Status readFileBytes(const QString& fileName, QByteArray& bytes)
{
    const QFileInfo info(fileName);
    // Opening a FIFO or a device would block or never end.
    if (!info.isFile() || !info.isReadable())
        return Status::Unreadable;
    if (info.size() > kMaxFileBytes)
        return Status::TooLarge;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Status::Unreadable;
    bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Status::Unreadable;
    return bytes.size() > kMaxFileBytes ? Status::TooLarge : Status::Ok;
}

bool writeFileBytes(const QString& fileName, const QByteArray& bytes)
{
    // A new file may name a folder that does not exist yet.
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace settingsfile

settingsfile::ReadResult TorvelDRV::LoadDrvSettings(const QString& fileName)
{
    QByteArray bytes;
    const settingsfile::Status status = settingsfile::readFileBytes(fileName, bytes);
    if (status != settingsfile::Status::Ok) {
        settingsfile::ReadResult refused;
        refused.status = status;
        return refused;
    }
    return settingsfile::parse(bytes, settings);
}

settingsfile::Status TorvelDRV::SaveDrvSettings(const QString& fileName)
{
    QByteArray old;
    if (QFileInfo::exists(fileName)) {
        const settingsfile::Status status = settingsfile::readFileBytes(fileName, old);
        if (status != settingsfile::Status::Ok)
            return status;
    }
    const settingsfile::ComposeResult composed = settingsfile::compose(old, settings);
    if (composed.status != settingsfile::Status::Ok)
        return composed.status;
    return settingsfile::writeFileBytes(fileName, composed.bytes)
               ? settingsfile::Status::Ok
               : settingsfile::Status::Unwritable;
}
