// The demo's scripted user: Run, then a step rate, a trajectory or PWM duties.
#include "demo_actions.h"

#include "app/logger.h"
#include "app/mainwindow.h"
#include "device/torveldrv.h"

#include <QDial>
#include <QGroupBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

namespace {
template <typename T> T* widget(MainWindow& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

void say(const QString& line)
{
    if (Torvel.logger)
        Torvel.logger->write(QStringLiteral("Demo: ") + line);
}

void showTab(MainWindow& window, const char* page)
{
    auto* tabs = widget<QTabWidget>(window, "tabMainTab");
    tabs->setCurrentWidget(widget<QWidget>(window, page));
}

void takeOutOfSleep(MainWindow& window)
{
    if (Torvel.rt.EnableInput)
        return;
    say(QStringLiteral("pressing Run to take the driver out of sleep."));
    widget<QPushButton>(window, "btnRunStop")->click();
}

void runStepRate(MainWindow& window, int rate)
{
    say(QStringLiteral("turning the step speed dial to %1 steps/s.").arg(rate));
    auto* max = widget<QDial>(window, "dialMaxStepSpeed");
    if (max->value() < qAbs(rate))
        max->setValue(qAbs(rate));
    widget<QDial>(window, "dialStepSpeed")->setValue(rate);
}

void runTrajectory(MainWindow& window, int position)
{
    say(QStringLiteral("setting the final position to %1 steps.").arg(position));
    auto* upper = widget<QSpinBox>(window, "sbPosLimitUpper");
    auto* lower = widget<QSpinBox>(window, "sbPosLimitLower");
    if (position > upper->value())
        upper->setValue(position);
    if (position < lower->value())
        lower->setValue(position);
    widget<QSpinBox>(window, "sbFinPos")->setValue(position);
}

void runPwm(MainWindow& window, int dutyA, int dutyB)
{
    say(QStringLiteral("enabling DC motor control."));
    widget<QGroupBox>(window, "gbPWMControl")->setChecked(true);
    say(QStringLiteral("setting the PWM duties to %1 % and %2 %.").arg(dutyA).arg(dutyB));
    widget<QSpinBox>(window, "sbPWM_A")->setValue(dutyA);
    widget<QSpinBox>(window, "sbPWM_B")->setValue(dutyB);
}
} // namespace

void runDemoActions(MainWindow& window, const DemoOptions& options)
{
    if (options.pwm) {
        showTab(window, "tab_3");
        runPwm(window, options.pwm->first, options.pwm->second);
    }
    if (options.stepRate || options.trajectory || options.pwm)
        takeOutOfSleep(window);
    if (options.stepRate) {
        showTab(window, "tabStepDirControl");
        runStepRate(window, *options.stepRate);
    }
    if (options.trajectory) {
        showTab(window, "tabPositionControl");
        runTrajectory(window, *options.trajectory);
    }
}
