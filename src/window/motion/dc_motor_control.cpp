// The "DC motor control" tab: two signed duties and one frequency, mirrored
// between sliders (the source of truth) and spin boxes, and the warned switch
// into and out of DC-motor mode.
#include "app/mainwindow.h"

#include "app/quiet_update.h"
#include "c_format.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "ui_mainwindow.h"

namespace {
// Sets partner from source without letting partner's by-name mirror echo back.
template <typename Partner>
void mirror(QObject* window, Partner* partner, const char* partnerMirror, int value)
{
    const QuietUpdate quiet(partner, SIGNAL(valueChanged(int)), window, partnerMirror);
    partner->setValue(value);
}
} // namespace

void MainWindow::ConnectToPWMValueChanged(bool state)
{
    const auto slot = &MainWindow::PWMValueChanged;
    if (state) {
        connect(ui->vsPWM_A, &QSlider::valueChanged, this, slot, Qt::UniqueConnection);
        connect(ui->vsPWM_B, &QSlider::valueChanged, this, slot, Qt::UniqueConnection);
        connect(ui->dialPWMFreq, &QDial::valueChanged, this, slot, Qt::UniqueConnection);
    } else {
        disconnect(ui->vsPWM_A, &QSlider::valueChanged, this, slot);
        disconnect(ui->vsPWM_B, &QSlider::valueChanged, this, slot);
        disconnect(ui->dialPWMFreq, &QDial::valueChanged, this, slot);
    }
}

void MainWindow::PWMValueChanged()
{
    const QuietUpdate quiet(this, &MainWindow::ConnectToPWMValueChanged);
    ControlValues2PWMSettings();
    if (ui->cbAutoUpdatePWMs->isChecked())
        Torvel.WritePWM();
}

void MainWindow::ControlValues2PWMSettings()
{
    PWMParameters& p = Torvel.pwm;
    p.DutyA = ui->vsPWM_A->value();
    p.DutyB = ui->vsPWM_B->value();
    p.Frequency = ui->dialPWMFreq->value();
    Torvel.CalculatePWMTimers();
    ui->ptePWMValues->clear();
    ui->ptePWMValues->appendPlainText(
        cformat("PWM A: % 4d%%, PWM B: % 4d%%, Freq: %d Hz", p.DutyA, p.DutyB, p.Frequency));
    ui->ptePWMValues->appendPlainText(
        cformat("TMR_A: % 4d, % 4d, TMR_B: % 4d, % 4d, Actual Freq: %d Hz", p.AForward, p.AReverse,
                p.BForward, p.BReverse, p.ActualFrequency));
}

void MainWindow::on_sbPWM_A_valueChanged(int)
{
    mirror(this, ui->vsPWM_A, SLOT(on_vsPWM_A_valueChanged(int)), ui->sbPWM_A->value());
}

void MainWindow::on_vsPWM_A_valueChanged(int)
{
    mirror(this, ui->sbPWM_A, SLOT(on_sbPWM_A_valueChanged(int)), ui->vsPWM_A->value());
}

void MainWindow::on_sbPWM_B_valueChanged(int)
{
    mirror(this, ui->vsPWM_B, SLOT(on_vsPWM_B_valueChanged(int)), ui->sbPWM_B->value());
}

void MainWindow::on_vsPWM_B_valueChanged(int)
{
    mirror(this, ui->sbPWM_B, SLOT(on_sbPWM_B_valueChanged(int)), ui->vsPWM_B->value());
}

void MainWindow::on_dialPWMFreq_valueChanged(int)
{
    mirror(this, ui->sbPWMFreq, SLOT(on_sbPWMFreq_valueChanged(int)), ui->dialPWMFreq->value());
}

void MainWindow::on_sbPWMFreq_valueChanged(int)
{
    mirror(this, ui->dialPWMFreq, SLOT(on_dialPWMFreq_valueChanged(int)), ui->sbPWMFreq->value());
}

void MainWindow::on_btnSetPWM_clicked()
{
    ControlValues2PWMSettings();
    Torvel.WritePWM();
}

void MainWindow::on_btnStopPWM_clicked()
{
    const QuietUpdate quiet(this, &MainWindow::ConnectToPWMValueChanged);
    ui->sbPWM_A->setValue(0);
    ui->sbPWM_B->setValue(0);
    ControlValues2PWMSettings();
    Torvel.WritePWM();
}

void MainWindow::on_gbPWMControl_toggled(bool)
{
    const bool dcMotors = ui->gbPWMControl->isChecked();
    if (dcMotors) {
        dialogs::inform(QStringLiteral("PWM Information"),
                        QStringLiteral("Please make sure DC motor is connected to output "
                                       "terminals!!! Driver will be stopped."));
        log(QStringLiteral("Enabling PWMs."));
    } else {
        dialogs::warn(QStringLiteral("PWM warning"),
                      QStringLiteral("Please make sure STEPPER MOTOR is now connected to output "
                                     "terminals. DC motor can suddenly move with fast speed. "
                                     "Driver will be stopped."));
        log(QStringLiteral("Disabling PWMs."));
    }
    ui->sbPWM_A->setValue(0);
    ui->sbPWM_B->setValue(0);
    ui->cbDCMotorMode->setChecked(dcMotors);
    ui->tabPositionControl->setEnabled(!dcMotors);

    ui->btnRunStop->setText(QStringLiteral("Run"));
    Torvel.SleepDriver();
    ControlValues2DrvSettings();
    Torvel.WriteDriverValues();
}

void MainWindow::showDcMotorControl(bool checked)
{
    const QuietUpdate quiet(ui->gbPWMControl, SIGNAL(toggled(bool)), this,
                            SLOT(on_gbPWMControl_toggled(bool)));
    ui->gbPWMControl->setChecked(checked);
}
