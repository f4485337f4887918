// The "Step control" tab: a signed step rate from the board's step generator.
#include "app/mainwindow.h"

#include "device/torveldrv.h"
#include "motion/step_readout.h"
#include "ui_mainwindow.h"

void MainWindow::on_dialMaxStepSpeed_valueChanged(int)
{
    const int max = ui->dialMaxStepSpeed->value();
    // Either bound may clamp the speed dial, which then sends as any change does.
    ui->dialStepSpeed->setMaximum(max);
    ui->dialStepSpeed->setMinimum(-max);
    ui->lblMaxStepSpeed->setText(stepreadout::rateText(max));
}

void MainWindow::on_dialStepSpeed_valueChanged()
{
    ui->lblFrequency->setText(stepreadout::rateText(ui->dialStepSpeed->value()));
    if (ui->cbAutoUpdate->isChecked())
        on_btnSetFrequency_clicked();
}

void MainWindow::on_btnSetFrequency_clicked()
{
    const int actual = Torvel.SetStepDirFrequency(ui->dialStepSpeed->value());
    ui->lblPR->setText(stepreadout::actualSpeedText(actual));
}

void MainWindow::on_btnStopStepDir_clicked()
{
    ui->dialStepSpeed->setValue(0);
    on_dialStepSpeed_valueChanged();
}
