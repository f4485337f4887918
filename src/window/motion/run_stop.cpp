// The run/sleep button of the status area.
#include "app/mainwindow.h"

#include "device/torveldrv.h"
#include "ui_mainwindow.h"

// The caption names what the next click does; the decision follows the enable
// input of the last real-time record, not the caption.
void MainWindow::on_btnRunStop_clicked()
{
    if (Torvel.rt.EnableInput) {
        ui->btnRunStop->setText(QStringLiteral("Run"));
        Torvel.SleepDriver();
    } else {
        ui->btnRunStop->setText(QStringLiteral("Stop"));
        Torvel.EnableDriver();
    }
}
