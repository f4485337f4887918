// The live read-outs of every real-time record: voltage and temperature, the
// status and fault labels with the red panel, the fault list, inputs, mode,
// run/stop caption, position and speed; and the "Reset faults" button.
#include "app/mainwindow.h"

#include "device/protocol.h"
#include "device/torveldrv.h"
#include "device/fault_text.h"
#include "device/status_text.h"
#include "ui_mainwindow.h"

void MainWindow::DisplayRTData()
{
    const RTData& rt = Torvel.rt;
    ui->lcdVoltage->display(QString::asprintf("%0.1f", rt.FilteredVoltage));
    ui->lcdTemperature->display(QString::asprintf("%0.1f", rt.FilteredTemperature));
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
            ui->lblFaultsStatus->setText(QStringLiteral("Driver OK"));
            ui->pteFaults->appendPlainText(QStringLiteral("No faults detected!"));
            ui->frmStatus->hide();
        } else {
            ui->lblFaultsStatus->setText(faults::label(rt.FaultBits));
            for (const QString& message : faults::messages(rt.FaultBits))
                ui->pteFaults->appendPlainText(message);
            ui->frmStatus->show();
        }
    } else {
        // The fault list and the red panel keep what the last powered record showed.
        ui->lblFaultsStatus->setText(QStringLiteral("No motor power available."));
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
    Torvel.tx[protocol::kTxCommand] = protocol::CMD_RESET_FAULTS;
    Torvel.WriteReport();
}
