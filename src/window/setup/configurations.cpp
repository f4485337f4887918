// The configuration box: the two presets, entries the program adds by itself,
// and the settings files saved and loaded under their file names.
#include "app/mainwindow.h"

#include "app/quiet_update.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "setup/configurations.h"
#include "ui_mainwindow.h"

#include <QFileInfo>

namespace {
const QStringList kPresets = {
    QStringLiteral("Default configuration;3;2.2;1.0;85;0.5;1;5;1.0;0;0.5;15.0;0"),
    QStringLiteral("Low temp configuration;3;2.2;1.0;45;0.5;1;5;1.0;0;0.5;15.0;0"),
};
const QString kCustomSettings = QStringLiteral("Custom settings");

QString entryName(const QString& configuration)
{
    return configuration.section(QLatin1Char(';'), 0, 0);
}

// Storing an entry selects it, and the box's by-name handler would apply it again.
QuietUpdate quietSelection(QComboBox* box, QObject* window)
{
    return QuietUpdate(box, SIGNAL(currentIndexChanged(int)), window,
                       SLOT(on_cbConfigurations_currentIndexChanged(int)));
}

// The entry of a settings file is named after the file, extension included.
QString fileEntryName(const QString& path)
{
    return path.split(QLatin1Char('/')).last();
}
} // namespace

void MainWindow::loadConfigurations()
{
    ConfigurationList = kPresets;
    // The first item becomes current as it is added, which applies its preset.
    for (const QString& configuration : qAsConst(ConfigurationList))
        ui->cbConfigurations->addItem(entryName(configuration));
    ui->cbConfigurations->setCurrentIndex(0);
}

void MainWindow::on_cbConfigurations_currentIndexChanged(int)
{
    const int index = ui->cbConfigurations->currentIndex();
    if (index < 0 || index >= ConfigurationList.size())
        return;
    Torvel.String2DrvSettings(ConfigurationList.at(index));
    DrvSettings2ControlValues();
    ListValues();
}

void MainWindow::StoreConfigurationEntry(const QString& name)
{
    const QuietUpdate quiet = quietSelection(ui->cbConfigurations, this);
    storeEntry(name);
}

void MainWindow::storeEntry(const QString& name)
{
    const QString configuration = name + QLatin1Char(';') + Torvel.DrvSettings2String();
    int index = ui->cbConfigurations->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        ConfigurationList[index] = configuration;
    } else {
        ui->cbConfigurations->addItem(name);
        ConfigurationList.append(configuration);
        index = ui->cbConfigurations->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    }
    ui->cbConfigurations->setCurrentIndex(index);
}

void MainWindow::on_pbSaveSettings_clicked()
{
    const QString fileName =
        dialogs::saveFileName(tr("Save settings to file..."), tr("Torvel Setting Files (*.tvs)"));
    if (fileName.isEmpty()) {
        log(QStringLiteral("Saving settings to file canceled."));
        return;
    }
    ControlValues2DrvSettings();
    const QString path = QFileInfo(fileName).absoluteFilePath();
    const settingsfile::Status saved = Torvel.SaveDrvSettings(fileName);
    if (saved != settingsfile::Status::Ok) {
        const QString failure = QStringLiteral("Settings could not be saved to file: ") + path +
                                QStringLiteral(" (") + settingsfile::describe(saved) +
                                QLatin1Char(')');
        log(failure);
        dialogs::warn(QStringLiteral("Save settings to file"), failure);
        return;
    }
    log(QStringLiteral("Settings saved to file: ") + path);
    const QuietUpdate quiet = quietSelection(ui->cbConfigurations, this);
    const int custom =
        ui->cbConfigurations->findText(kCustomSettings, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (custom >= 0) {
        ui->cbConfigurations->removeItem(custom);
        ConfigurationList.removeAt(custom);
    }
    storeEntry(fileEntryName(fileName));
}

void MainWindow::on_pbLoadSettings_clicked()
{
    const QString fileName =
        dialogs::openFileName(tr("Load settings from file..."), tr("Torvel Setting Files (*.tvs)"));
    if (fileName.isEmpty()) {
        log(QStringLiteral("Loading settings from file canceled."));
        return;
    }
    const QString path = QFileInfo(fileName).absoluteFilePath();
    const settingsfile::ReadResult loaded = Torvel.LoadDrvSettings(fileName);
    const QString title = QStringLiteral("Load settings from file");
    if (loaded.status != settingsfile::Status::Ok) {
        const QString failure = QStringLiteral("Settings could not be read from file: ") + path +
                                QStringLiteral(" (") + settingsfile::describe(loaded.status) +
                                QLatin1Char(')');
        log(failure);
        dialogs::warn(title, failure);
        return;
    }
    DrvSettings2ControlValues();
    ListValues();
    log(QStringLiteral("Settings loaded from file: ") + path);
    StoreConfigurationEntry(fileEntryName(fileName));
    if (!loaded.notNumbers.isEmpty()) {
        const QString warning = QStringLiteral("Settings file ") + path +
                                QStringLiteral(" holds values that are not numbers, read as 0: ") +
                                loaded.notNumbers.join(QStringLiteral(", "));
        log(warning);
        dialogs::warn(title, warning);
    }
}
