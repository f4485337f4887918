// Settings files: the record's twelve keys in the INI group DriverSettings.
#include "device/torveldrv.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const QString kGroup = QStringLiteral("DriverSettings");
constexpr int kMissingIndex = -1;
const char* const kKeys[] = {"StepMode",         "FullScaleCurrent", "IdleCurrent",
                             "TemperatureLimit", "ReducedCurrent",   "PredriverSpeed",
                             "DecayMode",        "BlankingTime",     "AdaptiveBlanking",
                             "MixedDecayTime",   "FixedOffTime",     "DriverName"};

// Plain text reads as INI too; a file without any of the record's keys is not
// a settings file and must not zero the panel.
bool holdsAnySetting(const QSettings& file)
{
    for (const char* key : kKeys)
        if (file.contains(QLatin1String(key)))
            return true;
    return false;
}

// QSettings parses the sections of a file lazily, so a file that is not INI
// only shows as a format error once every key has been read.
bool parsedCleanly(QSettings& file)
{
    file.allKeys();
    return file.status() == QSettings::NoError;
}
} // namespace

bool TorvelDRV::SaveDrvSettings(const QString& fileName)
{
    QSettings file(fileName, QSettings::IniFormat);
    if (!parsedCleanly(file))
        return false;
    file.beginGroup(kGroup);
    file.setValue(QStringLiteral("StepMode"), settings.StepMode);
    file.setValue(QStringLiteral("FullScaleCurrent"), settings.FullScaleCurrent);
    file.setValue(QStringLiteral("IdleCurrent"), settings.IdleCurrent);
    file.setValue(QStringLiteral("TemperatureLimit"), settings.TemperatureLimit);
    file.setValue(QStringLiteral("ReducedCurrent"), settings.ReducedCurrent);
    file.setValue(QStringLiteral("PredriverSpeed"), settings.PredriverSpeed);
    file.setValue(QStringLiteral("DecayMode"), settings.DecayMode);
    file.setValue(QStringLiteral("BlankingTime"), settings.BlankingTime);
    file.setValue(QStringLiteral("AdaptiveBlanking"), settings.AdaptiveBlanking);
    file.setValue(QStringLiteral("MixedDecayTime"), settings.MixedDecayTime);
    file.setValue(QStringLiteral("FixedOffTime"), settings.FixedOffTime);
    file.setValue(QStringLiteral("DriverName"), settings.DriverName);
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}

bool TorvelDRV::LoadDrvSettings(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile() || !info.isReadable())
        return false;
    QSettings file(fileName, QSettings::IniFormat);
    if (!parsedCleanly(file))
        return false;
    file.beginGroup(kGroup);
    if (!holdsAnySetting(file))
        return false;
    const auto integer = [&file](const char* key, int missing) {
        return file.value(QLatin1String(key), missing).toInt();
    };
    const auto real = [&file](const char* key) {
        return file.value(QLatin1String(key), 0.0).toDouble();
    };
    settings.StepMode = integer("StepMode", kMissingIndex);
    settings.FullScaleCurrent = real("FullScaleCurrent");
    settings.IdleCurrent = real("IdleCurrent");
    settings.TemperatureLimit = integer("TemperatureLimit", 0);
    settings.ReducedCurrent = real("ReducedCurrent");
    settings.PredriverSpeed = integer("PredriverSpeed", kMissingIndex);
    settings.DecayMode = integer("DecayMode", kMissingIndex);
    settings.BlankingTime = real("BlankingTime");
    settings.AdaptiveBlanking = integer("AdaptiveBlanking", 0);
    settings.MixedDecayTime = real("MixedDecayTime");
    settings.FixedOffTime = real("FixedOffTime");
    settings.DriverName = file.value(QStringLiteral("DriverName"), QString()).toString();
    file.endGroup();
    return true;
}
