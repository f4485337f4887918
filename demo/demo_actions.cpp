// The demo's scripted user: settings, then Run and a step rate, a trajectory
// or PWM duties, one action a second so the board and the charts follow.
#include "demo_actions.h"

#include "app/logger.h"
#include "app/mainwindow.h"
#include "device/torveldrv.h"
#include "dialogs.h"

#include <QDial>
#include <QGroupBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int kActionGapMs = 1000;

struct Action {
    QString announcement;
    std::function<void()> run;
};

template <typename T> T* widget(MainWindow& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

// Each action shows the tab it acts on, unless a tab was asked for: that one
// stays in front, so a screenshot shows what was asked for.
void showTab(MainWindow& window, const char* page, bool tabPinned)
{
    if (!tabPinned)
        widget<QTabWidget>(window, "tabMainTab")->setCurrentWidget(widget<QWidget>(window, page));
}

void runNext(std::shared_ptr<std::vector<Action>> actions, std::size_t next)
{
    if (next >= actions->size())
        return;
    const Action& action = (*actions)[next];
    if (Torvel.logger)
        Torvel.logger->write(QStringLiteral("Demo: ") + action.announcement);
    action.run();
    QTimer::singleShot(kActionGapMs, [actions, next] { runNext(actions, next + 1); });
}
} // namespace

void runDemoActions(MainWindow& window, const DemoOptions& o, dialogs::ScriptedAnswerer& answerer)
{
    auto actions = std::make_shared<std::vector<Action>>();
    MainWindow* w = &window;
    const bool pinned = !o.tab.isEmpty();
    if (o.writeValues)
        actions->push_back({QStringLiteral("pressing \"Write values to driver\"."), [w, pinned] {
                                showTab(*w, "tabDriverSetup", pinned);
                                widget<QPushButton>(*w, "btnWriteDrvValues")->click();
                            }});
    if (!o.saveSettingsFile.isEmpty())
        actions->push_back({QStringLiteral("saving the settings to %1.").arg(o.saveSettingsFile),
                            [w, &answerer, file = o.saveSettingsFile] {
                                answerer.queueFileName(file);
                                widget<QPushButton>(*w, "pbSaveSettings")->click();
                            }});
    if (!o.loadSettingsFile.isEmpty())
        actions->push_back({QStringLiteral("loading the settings from %1.").arg(o.loadSettingsFile),
                            [w, &answerer, file = o.loadSettingsFile] {
                                answerer.queueFileName(file);
                                widget<QPushButton>(*w, "pbLoadSettings")->click();
                            }});
    if (o.stepRate || o.trajectory || o.pwm)
        actions->push_back({QStringLiteral("pressing Run to take the driver out of sleep."), [w] {
                                if (!Torvel.rt.EnableInput)
                                    widget<QPushButton>(*w, "btnRunStop")->click();
                            }});
    if (o.stepRate)
        actions->push_back(
            {QStringLiteral("turning the step speed dial to %1 steps/s.").arg(*o.stepRate),
             [w, pinned, rate = *o.stepRate] {
                 showTab(*w, "tabStepDirControl", pinned);
                 auto* max = widget<QDial>(*w, "dialMaxStepSpeed");
                 if (max->value() < qAbs(rate))
                     max->setValue(qAbs(rate));
                 widget<QDial>(*w, "dialStepSpeed")->setValue(rate);
             }});
    if (o.trajectory)
        actions->push_back(
            {QStringLiteral("setting the final position to %1 steps.").arg(*o.trajectory),
             [w, pinned, position = *o.trajectory] {
                 showTab(*w, "tabPositionControl", pinned);
                 auto* upper = widget<QSpinBox>(*w, "sbPosLimitUpper");
                 auto* lower = widget<QSpinBox>(*w, "sbPosLimitLower");
                 if (position > upper->value())
                     upper->setValue(position);
                 if (position < lower->value())
                     lower->setValue(position);
                 widget<QSpinBox>(*w, "sbFinPos")->setValue(position);
             }});
    if (o.pwm) {
        actions->push_back({QStringLiteral("enabling DC motor control."), [w, pinned] {
                                showTab(*w, "tab_3", pinned);
                                widget<QGroupBox>(*w, "gbPWMControl")->setChecked(true);
                            }});
        actions->push_back({QStringLiteral("setting the PWM duties to %1 % and %2 %.")
                                .arg(o.pwm->first)
                                .arg(o.pwm->second),
                            [w, duties = *o.pwm] {
                                widget<QSpinBox>(*w, "sbPWM_A")->setValue(duties.first);
                                widget<QSpinBox>(*w, "sbPWM_B")->setValue(duties.second);
                            }});
    }
    runNext(actions, 0);
}
