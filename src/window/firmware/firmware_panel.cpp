// The "Firmware" tab and the window title: the board's identity and firmware
// state, the three buttons and the upload progress.
#include "app/mainwindow.h"

#include "app/process_objects.h"
#include "c_format.h"
#include "device/torveldrv.h"
#include "firmware/version_rules.h"
#include "ui_mainwindow.h"

void MainWindow::UpdateMainWindowDriverInfo()
{
    const DeviceInfo& info = Torvel.info;
    if (Torvel.connected) {
        setWindowTitle(VersionString + QStringLiteral(" - ") + Torvel.product +
                       QStringLiteral(". Serial: ") + Torvel.serial +
                       cformat("; BL: 0x%02X%02X, AP: 0x%02X%02X, %02X, %d",
                               info.BootloaderVersionHigh, info.BootloaderVersionLow,
                               info.FirmwareVersionHigh, info.FirmwareVersionLow, info.ModeByte,
                               info.SignatureValid ? 1 : 0));
        ui->gbFWUpdate->setEnabled(info.BootloaderRunning);
    } else {
        setWindowTitle(VersionString + QStringLiteral(" - No device connected"));
    }
    ui->pteFWLog->clear();
    ui->pteFWLog->appendPlainText(
        cformat("BLver: 0x%02X%02X", info.BootloaderVersionHigh, info.BootloaderVersionLow));
    ui->pteFWLog->appendPlainText(cformat(
        firmware::upToDate(info) ? "AP: 0x%02X%02X, FW OK" : "AP: 0x%02X%02X - Update needed",
        info.FirmwareVersionHigh, info.FirmwareVersionLow));
    ui->pteFWLog->appendPlainText(cformat("Mode: %02X", info.ModeByte));
    ui->pteFWLog->appendPlainText(cformat("Sig: %d", info.SignatureValid ? 1 : 0));
}

void MainWindow::UpdateFWProgressBar()
{
    ui->pbUploadStatus->setValue(protocol::kSubsectorsPerSector *
                                     Torvel.tx[protocol::bootloader::kSector] +
                                 Torvel.tx[protocol::bootloader::kSubsector]);
}

void MainWindow::on_btnGetDeviceInfo_clicked()
{
    Torvel.GetDeviceInfo();
}

void MainWindow::on_btnRestart_clicked()
{
    Torvel.RestartDevice();
}

void MainWindow::on_btnFullUpdate_clicked()
{
    Torvel.FullUpdate();
}
