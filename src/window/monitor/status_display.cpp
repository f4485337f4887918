// The live read-outs of every real-time record: voltage and temperature, the
// status and fault labels with the red panel, the fault list, inputs, mode,
// run/stop caption, position and speed; the no-data state while there is no
// live record; and the "Reset faults" button.
#include "app/mainwindow.h"

#include "device/fault_text.h"
#include "device/protocol.h"
#include "device/status_text.h"
#include "device/torveldrv.h"
#include "monitor/changed_only.h"
#include "monitor/lcd_text.h"
#include "monitor/status_labels.h"
#include "ui_mainwindow.h"

using namespace statuslabels;

void MainWindow::showNoData()
{
    ui->lcdVoltage->display(lcd::kNoValue);
    ui->lcdTemperature->display(lcd::kNoValue);
    ui->lblDriverStatus->setText(Torvel.connected ? kNoRecordYet : kNoBoard);
    ui->lblFaultsStatus->setText(kFaultsUnknown);
    changedonly::setLines(ui->pteFaults, {});
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

void MainWindow::fillReadoutBackgrounds()
{
    // The LCDs repaint whenever a record changes what they show, up to a
    // hundred times a second. Filling their own background, in the colour the
    // window shows behind them, spares the frames beneath a repaint each time.
    // (Their frame's palette is red for the fault panel, so the colour is set.)
    for (QLCDNumber* lcd : {ui->lcdVoltage, ui->lcdTemperature}) {
        QPalette palette = lcd->palette();
        palette.setColor(QPalette::Window, this->palette().color(QPalette::Window));
        lcd->setPalette(palette);
        lcd->setAutoFillBackground(true);
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
    // Records come a hundred a second and mostly repeat the last one. The LCDs,
    // labels, buttons, enabled and visible states skip an unchanged value
    // themselves; the fault list and the spin boxes would not.
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
        if (rt.FaultBits == 0) {
            ui->lblFaultsStatus->setText(kDriverOk);
            changedonly::setLines(ui->pteFaults, {kNoFaults});
            ui->frmStatus->hide();
        } else {
            ui->lblFaultsStatus->setText(faults::label(rt.FaultBits));
            changedonly::setLines(ui->pteFaults, faults::messages(rt.FaultBits));
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

    changedonly::setValue(ui->sbCurPos, rt.ActualPosition);
    changedonly::setValue(ui->sbCurSpeed, rt.ActualSpeed);
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
