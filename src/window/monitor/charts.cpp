// The window's two charts: temperature, current and voltage on every
// real-time record; required and actual position and speed in trajectory mode.
#include "app/mainwindow.h"

#include "app/logger.h"
#include "app/process_objects.h"
#include "device/torveldrv.h"
#include "monitor/chart_menu.h"
#include "monitor/strip_chart.h"
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
    m_tempChart = new charts::StripChart(ui->TempPlot, spec, font());
    charts::installMenu(m_tempChart,
                        {QStringLiteral("°C"), QStringLiteral("A"), QStringLiteral("V")}, logger);
}

void MainWindow::setupPositionPlot()
{
    charts::ChartSpec spec;
    // Positions and speeds are whole 32-bit numbers and stay exact.
    constexpr auto kSteps = charts::ValueType::Steps;
    spec.graphs[0] = {QStringLiteral("Required position"), false, kSteps};
    spec.graphs[1] = {QStringLiteral("Actual position"), false, kSteps};
    spec.graphs[2] = {QStringLiteral("Speed"), true, kSteps};
    spec.leftLabel = QStringLiteral("Position / steps");
    spec.rightLabel = QStringLiteral("Speed / steps/s");
    m_positionChart = new charts::StripChart(ui->PositionPlot, spec, font());
    charts::installMenu(
        m_positionChart,
        {QStringLiteral("steps"), QStringLiteral("steps"), QStringLiteral("steps/s")}, logger);
}

// The three samples of a record share one key: the clock is read once.
void MainWindow::appendTempSamples()
{
    const RTData& rt = Torvel.rt;
    m_tempChart->append(secondsSince(TempLogClock),
                        {rt.FilteredTemperature, rt.Current, rt.FilteredVoltage});
    // Only the temperature graph moves the axes; the current axis keeps its range.
    ui->TempPlot->graph(0)->rescaleAxes(true);
    m_tempChart->redraw();
}

void MainWindow::appendPositionSamples()
{
    const RTData& rt = Torvel.rt;
    m_positionChart->append(secondsSince(PositionClock),
                            {static_cast<double>(Torvel.trajectory.RequiredPosition),
                             static_cast<double>(rt.ActualPosition),
                             static_cast<double>(rt.ActualSpeed)});
    QCustomPlot* plot = ui->PositionPlot;
    for (int i = 0; i < plot->graphCount(); ++i)
        plot->graph(i)->rescaleAxes(true);
    m_positionChart->redraw();
}

void MainWindow::on_btnClearTempLog_clicked()
{
    TempLogClock.restart();
    m_tempChart->clear();
}

void MainWindow::on_btnClearPosGraph_clicked()
{
    PositionClock.restart();
    m_positionChart->clear();
}
