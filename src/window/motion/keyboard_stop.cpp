// Esc as an emergency stop: it ends the motion of the mode the board reports
// (step rate 0, trajectory stop, or both PWM duties 0) from whichever tab has
// the focus. It never sends the driver to sleep, which would let a vertical
// axis drop.
#include "app/mainwindow.h"

#include "app/quiet_update.h"
#include "device/protocol.h"
#include "device/torveldrv.h"
#include "motion/step_readout.h"
#include "ui_mainwindow.h"

#include <QShortcut>

void MainWindow::installKeyboardStop()
{
    auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    stop->setContext(Qt::WindowShortcut);
    connect(stop, &QShortcut::activated, this, &MainWindow::stopMotion);
}

void MainWindow::stopMotion()
{
    const int mode = Torvel.liveRecord ? Torvel.rt.OperatingMode : 0;
    switch (mode) {
    case protocol::kOpModeStepDir: {
        log(QStringLiteral("Esc: stopping the step generator (step rate 0)."));
        // One report: the dial's own handler would send a second one with auto update.
        {
            const QuietUpdate quiet(ui->dialStepSpeed, SIGNAL(valueChanged(int)), this,
                                    SLOT(on_dialStepSpeed_valueChanged()));
            ui->dialStepSpeed->setValue(0);
        }
        ui->lblFrequency->setText(stepreadout::rateText(0));
        on_btnSetFrequency_clicked();
        break;
    }
    case protocol::kOpModeTrajectory:
        log(QStringLiteral("Esc: stopping the trajectory."));
        // Sent directly: the device operation would log a second line.
        Torvel.tx[protocol::outbound::kCommand] = protocol::CMD_STOP_TRAJECTORY;
        Torvel.WriteReport();
        break;
    case protocol::kOpModeDcMotor:
        log(QStringLiteral("Esc: setting both PWM duties to 0."));
        on_btnStopPWM_clicked();
        break;
    default:
        log(Torvel.liveRecord
                ? QStringLiteral("Esc: the board follows its external Step/Dir inputs; nothing "
                                 "to stop from here.")
                : QStringLiteral("Esc: no live record, so no motion to stop."));
        break;
    }
}
