// The live read-outs of every real-time record: voltage and temperature, the
// status and fault labels with the red panel, the fault list, inputs, mode,
// run/stop caption, position and speed; the no-data state while there is no
// live record; and the "Reset faults" button.
#include "app/mainwindow.h"

#include "device/fault_text.h"
#include "device/protocol.h"
#include "device/status_text.h"
#include "device/torveldrv.h"
#include "monitor/lcd_text.h"
#include "monitor/status_labels.h"
#include "ui_mainwindow.h"

#include <QScrollBar>

using namespace statuslabels;

void MainWindow::showNoData()
{
    ui->lcdVoltage->display(lcd::kNoValue);
    ui->lcdTemperature->display(lcd::kNoValue);
    ui->lblDriverStatus->setText(Torvel.connected ? kNoRecordYet : kNoBoard);
    ui->lblFaultsStatus->setText(kFaultsUnknown);
    ui->pteFaults->clear();
    ui->frmStatus->hide();
    for (QCheckBox* input : {ui->cbInpBootloaderOverride, ui->cbInpSleep, ui->cbInpStep,
                             ui->cbInpDir, ui->cbInpBin1, ui->cbInpBin2, ui->cbInpEndSwitch})
        input->setChecked(false);
    // An exclusive group keeps one button checked unless it is lifted meanwhile.
    for (QRadioButton* mode : {ui->rbMode, ui->rbMode_2, ui->rbMode_3, ui->rbMode_4}) {
        mode->setAutoExclusive(false);
        mode->setChecked(false);
        mode->setAutoExclusive(true);
    }
}

void MainWindow::showNoDataUntilFirstRecord()
{
    showNoData();
    // A board that connects (or a bootloader that never streams) changes what
    // the status label says while no record has come.
    connect(&Torvel, &TorvelDRV::newDriverInfoAvailable, this, [this] {
        if (!Torvel.liveRecord)
            showNoData();
    });
}

void MainWindow::DisplayRTData()
{
    // Raised on disconnect too: the record then holds nothing live.
    if (!Torvel.liveRecord) {
        showNoData();
        return;
    }
    const RTData& rt = Torvel.rt;
    ui->lcdVoltage->display(lcd::text(rt.FilteredVoltage, ui->lcdVoltage->digitCount()));
    ui->lcdTemperature->display(
        lcd::text(rt.FilteredTemperature, ui->lcdTemperature->digitCount()));
    ui->cbInpBootloaderOverride->setChecked(rt.BootloaderOverrideInput);
    ui->cbInpSleep->setChecked(rt.EnableInput);
    ui->btnRunStop->setText(rt.EnableInput ? QStringLiteral("Stop") : QStringLiteral("Run"));
    ui->cbInpStep->setChecked(rt.StepInput);
    ui->cbInpDir->setChecked(rt.DirInput);
    ui->cbInpBin1->setChecked(rt.Bin1Input);
    ui->cbInpBin2->setChecked(rt.Bin2Input);
    ui->cbInpEndSwitch->setChecked(rt.EndSwitchInput);

    if (rt.MotorPower) {
        ui->lblDriverStatus->setText(statusText(rt.DriverState));
        ui->pteFaults->clear();
        if (rt.FaultBits == 0) {
            ui->lblFaultsStatus->setText(kDriverOk);
            ui->pteFaults->appendPlainText(kNoFaults);
            ui->frmStatus->hide();
        } else {
            ui->lblFaultsStatus->setText(faults::label(rt.FaultBits));
            for (const QString& message : faults::messages(rt.FaultBits))
                ui->pteFaults->appendPlainText(message);
            // Appending scrolls to the last message; the first one is read first.
            ui->pteFaults->verticalScrollBar()->setValue(0);
            ui->frmStatus->show();
        }
    } else {
        // The fault list and the red panel keep what the last powered record showed.
        ui->lblFaultsStatus->setText(kNoMotorPower);
        ui->lblDriverStatus->setText(QString());
    }

    // Other codes leave the last indication: the buttons are exclusive.
    switch (rt.OperatingMode) {
    case protocol::kOpModeDefault:
        ui->rbMode->setChecked(true);
        break;
    case protocol::kOpModeDcMotor:
        ui->rbMode_3->setChecked(true);
        break;
    case protocol::kOpModeTrajectory:
        ui->rbMode_4->setChecked(true);
        break;
    default:
        break;
    }
    ui->rbMode_2->setChecked(rt.OperatingMode == protocol::kOpModeStepDir);

    appendTempSamples();

    ui->sbCurPos->setValue(rt.ActualPosition);
    ui->sbCurSpeed->setValue(rt.ActualSpeed);
    // Acceleration and deceleration can be edited only while the motor stands.
    ui->sbAccel->setEnabled(rt.ActualSpeed == 0);
    ui->sbDecel->setEnabled(rt.ActualSpeed == 0);

    if (rt.OperatingMode == protocol::kOpModeTrajectory)
        appendPositionSamples();
}

void MainWindow::on_btnResetFaults_clicked()
{
    Torvel.tx[protocol::outbound::kCommand] = protocol::CMD_RESET_FAULTS;
    Torvel.WriteReport();
}
