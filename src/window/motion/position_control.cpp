// The "Position control" tab: trajectory parameters recomputed from all the
// widgets in one step, jog buttons, stop and set-zero.
#include "app/mainwindow.h"

#include "app/quiet_update.h"
#include "device/torveldrv.h"
#include "ui_mainwindow.h"

// The final position widgets and the speed profile feed the recomputation; it
// disconnects them while it moves their ranges and values itself. The first
// disconnect also removes the by-name links of the two final position widgets,
// which the connect then replaces.
void MainWindow::ConnectToPositionValueChanged(bool state)
{
    struct Link {
        QObject* sender;
        const char* signal;
        const char* slot;
    };
    const Link links[] = {
        {ui->vsFinPos, SIGNAL(valueChanged(int)), SLOT(on_vsFinPos_valueChanged())},
        {ui->sbFinPos, SIGNAL(valueChanged(int)), SLOT(on_sbFinPos_valueChanged(int))},
        {ui->sbVmax, SIGNAL(valueChanged(int)), SLOT(TrajDataChanged())},
        {ui->sbAccel, SIGNAL(valueChanged(int)), SLOT(TrajDataChanged())},
        {ui->sbDecel, SIGNAL(valueChanged(int)), SLOT(TrajDataChanged())},
    };
    for (const Link& link : links) {
        if (state)
            connect(link.sender, link.signal, this, link.slot, Qt::UniqueConnection);
        else
            disconnect(link.sender, link.signal, this, link.slot);
    }
}

void MainWindow::TrajDataChanged()
{
    TrajectoryParameters& t = Torvel.trajectory;
    {
        const QuietUpdate quiet(this, &MainWindow::ConnectToPositionValueChanged);
        t.MaxSpeed = ui->sbVmax->value();
        t.Acceleration = ui->sbAccel->value();
        t.Deceleration = ui->sbDecel->value();
        t.UpperLimit = ui->sbPosLimitUpper->value();
        t.LowerLimit = ui->sbPosLimitLower->value();
        // The limit boxes stay connected: moving one runs a nested recomputation,
        // so the stored limits are read again after each step.
        ui->vsFinPos->setMaximum(t.UpperLimit);
        ui->sbFinPos->setMaximum(t.UpperLimit);
        ui->sbPosLimitLower->setMaximum(t.UpperLimit);
        ui->vsFinPos->setMinimum(t.LowerLimit);
        ui->sbFinPos->setMinimum(t.LowerLimit);
        ui->sbPosLimitUpper->setMinimum(t.LowerLimit);
        ui->cbNCTypeEndSwitch->setEnabled(ui->cbEnableEndSwitch->isChecked());
        ui->sbFinPos->setValue(t.RequiredPosition);
        ui->vsFinPos->setValue(t.RequiredPosition);
        t.RequiredPosition = ui->sbFinPos->value();
        t.EndSwitchEnabled = ui->cbEnableEndSwitch->isChecked() ? 1 : 0;
        t.EndSwitchNormallyClosed = ui->cbNCTypeEndSwitch->isChecked() ? 1 : 0;
    }
    if (ui->cbAutoUpdatePos->isChecked())
        Torvel.WriteTrajectory();
}

void MainWindow::on_vsFinPos_valueChanged()
{
    Torvel.trajectory.RequiredPosition = ui->vsFinPos->value();
    TrajDataChanged();
}

void MainWindow::on_sbFinPos_valueChanged(int)
{
    Torvel.trajectory.RequiredPosition = ui->sbFinPos->value();
    TrajDataChanged();
}

void MainWindow::on_sbPosLimitUpper_valueChanged(int)
{
    TrajDataChanged();
}

void MainWindow::on_sbPosLimitLower_valueChanged(int)
{
    TrajDataChanged();
}

// Takes effect at once, like the NC type box, so the stored flag, the NC box's
// enabled state and (with auto update) the board follow the click.
void MainWindow::on_cbEnableEndSwitch_stateChanged()
{
    TrajDataChanged();
}

void MainWindow::on_cbNCTypeEndSwitch_stateChanged()
{
    TrajDataChanged();
}

void MainWindow::jogRequiredPosition(int steps)
{
    Torvel.trajectory.RequiredPosition += steps;
    TrajDataChanged();
}

void MainWindow::on_btnLargDec_clicked()
{
    jogRequiredPosition(-ui->sbLargeInc->value());
}

void MainWindow::on_btnSmallDec_clicked()
{
    jogRequiredPosition(-ui->sbSmallInc->value());
}

void MainWindow::on_btnSmallInc_clicked()
{
    jogRequiredPosition(ui->sbSmallInc->value());
}

void MainWindow::on_btnLargInc_clicked()
{
    jogRequiredPosition(ui->sbLargeInc->value());
}

void MainWindow::on_btnWriteTraj_clicked()
{
    Torvel.WriteTrajectory();
}

void MainWindow::on_btnStopTraj_clicked()
{
    Torvel.StopTrajectory();
}

void MainWindow::on_btnZeroCurPos_clicked()
{
    ui->sbFinPos->setValue(0);
    Torvel.SetHome();
}
