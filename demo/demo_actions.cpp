// The demo's scripted user: settings, then Run and a step rate, a trajectory
// or PWM duties, each after the one before has had its effect.
#include "demo_actions.h"

#include "app/mainwindow.h"
#include "clock.h"
#include "device/protocol.h"
#include "device/torveldrv.h"
#include "dialogs.h"
#include "log_sink.h"
#include "log_watch.h"

#include <QDial>
#include <QGroupBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <memory>
#include <vector>

namespace {
constexpr int kActionGapMs = 1000;
constexpr int kPatienceMs = 10000;

struct Action {
    QString announcement;
    std::function<void()> run;
    // It has had its effect once the program logs a line starting with this,
    QString logged;
    // or once the board's record shows it.
    std::function<bool()> shown;
};

template <typename T> T* widget(MainWindow& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

void say(const QString& text)
{
    if (Torvel.logger)
        Torvel.logger->write(QStringLiteral("Demo: ") + text);
}

// Each action shows the tab it acts on, unless a tab was asked for: that one
// stays in front, so a screenshot shows what was asked for.
void showTab(MainWindow& window, const char* page, bool tabPinned)
{
    if (!tabPinned)
        widget<QTabWidget>(window, "tabMainTab")->setCurrentWidget(widget<QWidget>(window, page));
}

class ActionRunner : public QObject {
public:
    ActionRunner(MainWindow& window, LogWatch& log, std::vector<Action> actions,
                 std::function<void()> done)
        : QObject(&window), m_log(log), m_actions(std::move(actions)), m_done(std::move(done))
    {
        connect(&Torvel, &TorvelDRV::newRTDataAvailable, this, [this] {
            if (m_waiting && m_actions[m_next - 1].shown && m_actions[m_next - 1].shown())
                followed(m_step);
        });
    }

    void runNext()
    {
        if (m_next >= m_actions.size()) {
            m_done();
            return;
        }
        const Action& action = m_actions[m_next++];
        const int step = ++m_step;
        say(action.announcement);
        m_waiting = true;
        if (!action.logged.isEmpty())
            m_log.awaitLine(action.logged, [this, step] { followed(step); });
        action.run();
        if (action.shown && action.shown())
            followed(step);
        timing::clock().singleShot(kPatienceMs, this, [this, step] {
            if (step != m_step || !m_waiting)
                return;
            say(QStringLiteral("the board did not follow; going on."));
            followed(step);
        });
    }

private:
    void followed(int step)
    {
        if (step != m_step || !m_waiting)
            return;
        m_waiting = false;
        timing::clock().singleShot(kActionGapMs, this, [this] { runNext(); });
    }

    LogWatch& m_log;
    const std::vector<Action> m_actions;
    const std::function<void()> m_done;
    std::size_t m_next = 0;
    int m_step = 0;
    bool m_waiting = false;
};
} // namespace

void runDemoActions(MainWindow& window, LogWatch& log, const DemoOptions& o,
                    dialogs::ScriptedAnswerer& answerer, std::function<void()> done)
{
    using namespace protocol;
    std::vector<Action> actions;
    MainWindow* w = &window;
    const bool pinned = !o.tab.isEmpty();
    if (o.writeValues)
        actions.push_back({QStringLiteral("pressing \"Write values to driver\"."),
                           [w, pinned] {
                               showTab(*w, "tabDriverSetup", pinned);
                               widget<QPushButton>(*w, "btnWriteDrvValues")->click();
                           },
                           QStringLiteral("Saving Torvel driver values..."),
                           {}});
    if (!o.saveSettingsFile.isEmpty())
        actions.push_back({QStringLiteral("saving the settings to %1.").arg(o.saveSettingsFile),
                           [w, &answerer, file = o.saveSettingsFile] {
                               answerer.queueFileName(file);
                               widget<QPushButton>(*w, "pbSaveSettings")->click();
                           },
                           QStringLiteral("Settings saved to file: "),
                           {}});
    if (!o.loadSettingsFile.isEmpty())
        actions.push_back({QStringLiteral("loading the settings from %1.").arg(o.loadSettingsFile),
                           [w, &answerer, file = o.loadSettingsFile] {
                               answerer.queueFileName(file);
                               widget<QPushButton>(*w, "pbLoadSettings")->click();
                           },
                           QStringLiteral("Settings loaded from file: "),
                           {}});
    if (o.stepRate || o.trajectory || o.pwm)
        actions.push_back({QStringLiteral("pressing Run to take the driver out of sleep."),
                           [w] {
                               if (!Torvel.rt.EnableInput)
                                   widget<QPushButton>(*w, "btnRunStop")->click();
                           },
                           {},
                           [] { return Torvel.rt.EnableInput; }});
    if (o.stepRate)
        actions.push_back(
            {QStringLiteral("turning the step speed dial to %1 steps/s.").arg(*o.stepRate),
             [w, pinned, rate = *o.stepRate] {
                 showTab(*w, "tabStepDirControl", pinned);
                 auto* max = widget<QDial>(*w, "dialMaxStepSpeed");
                 if (max->value() < qAbs(rate))
                     max->setValue(qAbs(rate));
                 widget<QDial>(*w, "dialStepSpeed")->setValue(rate);
             },
             {},
             [rate = *o.stepRate] {
                 return Torvel.rt.OperatingMode == kOpModeStepDir &&
                        (rate == 0 || Torvel.rt.ActualSpeed != 0);
             }});
    if (o.trajectory)
        actions.push_back(
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
             },
             {},
             [] { return Torvel.rt.OperatingMode == kOpModeTrajectory; }});
    if (o.pwm) {
        actions.push_back({QStringLiteral("enabling DC motor control."),
                           [w, pinned] {
                               showTab(*w, "tab_3", pinned);
                               widget<QGroupBox>(*w, "gbPWMControl")->setChecked(true);
                           },
                           QStringLiteral("Enabling PWMs."),
                           {}});
        actions.push_back({QStringLiteral("setting the PWM duties to %1 % and %2 %.")
                               .arg(o.pwm->first)
                               .arg(o.pwm->second),
                           [w, duties = *o.pwm] {
                               widget<QSpinBox>(*w, "sbPWM_A")->setValue(duties.first);
                               widget<QSpinBox>(*w, "sbPWM_B")->setValue(duties.second);
                           },
                           {},
                           [] { return Torvel.rt.OperatingMode == kOpModeDcMotor; }});
    }
    (new ActionRunner(window, log, std::move(actions), std::move(done)))->runNext();
}
