// The window's two charts: temperature, current and voltage on every
// real-time record; required and actual position and speed in trajectory mode.
#include "app/mainwindow.h"

#include "app/logger.h"
#include "app/process_objects.h"
#include "device/torveldrv.h"
#include "monitor/chart_menu.h"
#include "monitor/chart_setup.h"
#include "ui_mainwindow.h"

namespace {
double secondsSince(const timing::Stopwatch& clock)
{
    return clock.elapsed() / 1000.0;
}
} // namespace

void MainWindow::setupTempPlot()
{
    charts::ChartSpec spec;
    spec.graphs[0] = {QStringLiteral("Temperature"), false};
    spec.graphs[1] = {QStringLiteral("Current"), true};
    spec.graphs[2] = {QStringLiteral("Voltage"), false};
    spec.leftLabel = QStringLiteral("temperature / °C, voltage / V");
    spec.rightLabel = QStringLiteral("motor current / A");
    spec.leftTickStep = 10.0;
    spec.rightTickStep = 1.0;
    charts::configure(ui->TempPlot, spec, font());
    charts::installMenu(ui->TempPlot,
                        {QStringLiteral("°C"), QStringLiteral("A"), QStringLiteral("V")}, logger);
}

void MainWindow::setupPositionPlot()
{
    charts::ChartSpec spec;
    spec.graphs[0] = {QStringLiteral("Required position"), false};
    spec.graphs[1] = {QStringLiteral("Actual position"), false};
    spec.graphs[2] = {QStringLiteral("Speed"), true};
    spec.leftLabel = QStringLiteral("Position / steps");
    spec.rightLabel = QStringLiteral("Speed / steps/s");
    charts::configure(ui->PositionPlot, spec, font());
    charts::installMenu(
        ui->PositionPlot,
        {QStringLiteral("steps"), QStringLiteral("steps"), QStringLiteral("steps/s")}, logger);
}

void MainWindow::appendTempSamples()
{
    const RTData& rt = Torvel.rt;
    const double values[3] = {rt.FilteredTemperature, rt.Current, rt.FilteredVoltage};
    QCustomPlot* plot = ui->TempPlot;
    for (int i = 0; i < 3; ++i)
        plot->graph(i)->addData(secondsSince(TempLogClock), values[i]);
    // Only the temperature graph moves the axes; the current axis keeps its range.
    plot->graph(0)->rescaleAxes(true);
    plot->replot();
}

void MainWindow::appendPositionSamples()
{
    const RTData& rt = Torvel.rt;
    const double values[3] = {static_cast<double>(Torvel.trajectory.RequiredPosition),
                              static_cast<double>(rt.ActualPosition),
                              static_cast<double>(rt.ActualSpeed)};
    QCustomPlot* plot = ui->PositionPlot;
    for (int i = 0; i < 3; ++i)
        plot->graph(i)->addData(secondsSince(PositionClock), values[i]);
    for (int i = 0; i < 3; ++i)
        plot->graph(i)->rescaleAxes(true);
    plot->replot();
}

void MainWindow::on_btnClearTempLog_clicked()
{
    TempLogClock.restart();
    charts::clear(ui->TempPlot);
}

void MainWindow::on_btnClearPosGraph_clicked()
{
    PositionClock.restart();
    charts::clear(ui->PositionPlot);
}
