// Motion: step rate, trajectories, stop, zero, DC-motor mode and PWM. Every
// value is checked against the range the window's controls allow before the
// board is opened, so nothing out of range is ever sent.
#include "arguments.h"
#include "command.h"
#include "console.h"
#include "device/torveldrv.h"
#include "driver_values.h"
#include "session.h"

namespace ctl {
namespace {
// The ranges of the window's dials, spin boxes and sliders.
constexpr qint64 kMaxStepRate = 250000;
constexpr qint64 kPositionLimit = 100000000;
constexpr qint64 kMaxTrajectorySpeed = 60000;
constexpr qint64 kMaxRamp = 50000;
constexpr qint64 kMaxDuty = 100;
constexpr qint64 kMinPwmFrequency = 10;
constexpr qint64 kMaxPwmFrequency = 100000;
// The window's start values of the speed profile and the PWM frequency.
constexpr qint64 kDefaultTrajectorySpeed = 10000;
constexpr qint64 kDefaultRamp = 2000;
constexpr qint64 kDefaultPwmFrequency = 20000;
// A move that has not started after this long is not going to.
constexpr int kMoveStartMs = 1500;

const QString kDcOnWarning =
    QStringLiteral("Please make sure DC motor is connected to output terminals!!! Driver will be "
                   "stopped.");
const QString kDcOffWarning =
    QStringLiteral("Please make sure STEPPER MOTOR is now connected to output terminals. DC motor "
                   "can suddenly move with fast speed. Driver will be stopped.");

bool option(const Context& c, const QString& name, qint64 low, qint64 high, qint64 fallback,
            qint64* value)
{
    if (!c.args.isSet(name)) {
        *value = fallback;
        return true;
    }
    return wholeNumber(c.args.value(name), low, high, QStringLiteral("--") + name, value);
}

int stepRate(Context& c)
{
    qint64 rate = 0;
    if (!wholeNumber(c.args.positionals().first(), -kMaxStepRate, kMaxStepRate,
                     QStringLiteral("the step rate"), &rate))
        return kExitUsage;
    if (const int status = c.session.open(Session::Record))
        return status;
    const int actual = Torvel.SetStepDirFrequency(int(rate));
    printData(QString::number(actual));
    if (!Torvel.rt.EnableInput)
        printMessage(QStringLiteral("the driver is asleep; '%1 run' takes it out of sleep")
                         .arg(programName()));
    return kExitOk;
}

int move(Context& c)
{
    qint64 target = 0;
    qint64 speed = 0;
    qint64 acceleration = 0;
    qint64 deceleration = 0;
    if (!wholeNumber(c.args.positionals().first(), -kPositionLimit, kPositionLimit,
                     QStringLiteral("the position"), &target) ||
        !option(c, QStringLiteral("max-speed"), 0, kMaxTrajectorySpeed, kDefaultTrajectorySpeed,
                &speed) ||
        !option(c, QStringLiteral("acc"), 0, kMaxRamp, kDefaultRamp, &acceleration) ||
        !option(c, QStringLiteral("dec"), 0, kMaxRamp, kDefaultRamp, &deceleration))
        return kExitUsage;
    const QString endSwitch = c.args.isSet(QStringLiteral("end-switch"))
                                  ? c.args.value(QStringLiteral("end-switch"))
                                  : QStringLiteral("nc");
    if (endSwitch != QLatin1String("off") && endSwitch != QLatin1String("no") &&
        endSwitch != QLatin1String("nc"))
        return usageError(
            QStringLiteral("--end-switch takes off, no or nc, not '%1'").arg(endSwitch));
    if (const int status = c.session.open(Session::Record))
        return status;

    TrajectoryParameters& t = Torvel.trajectory;
    t.RequiredPosition = std::int32_t(target);
    t.MaxSpeed = std::int32_t(speed);
    t.Acceleration = std::int32_t(acceleration);
    t.Deceleration = std::int32_t(deceleration);
    t.EndSwitchEnabled = endSwitch == QLatin1String("off") ? 0 : 1;
    t.EndSwitchNormallyClosed = endSwitch == QLatin1String("nc") ? 1 : 0;
    Torvel.WriteTrajectory();
    if (!c.args.isSet(QStringLiteral("wait")))
        return kExitOk;

    // Done when the board stands again: at the target, or where an end
    // switch or a stop left it. A board that never starts is reported.
    bool moved = false;
    const auto standing = [&] {
        if (c.session.lost())
            return true;
        moved = moved || Torvel.rt.ActualSpeed != 0;
        return Torvel.rt.ActualSpeed == 0 && (moved || Torvel.rt.ActualPosition == target);
    };
    const int before = c.session.records();
    c.session.waitUntil([&] { return c.session.records() > before && standing(); }, kMoveStartMs);
    if (!moved && Torvel.rt.ActualPosition != target && !c.session.lost()) {
        return failure(QStringLiteral("board %1 did not start moving (driver %2)")
                           .arg(c.session.serial(), Torvel.rt.EnableInput
                                                        ? QStringLiteral("enabled")
                                                        : QStringLiteral("asleep")));
    }
    const bool done = moved ? c.session.waitUntil(standing, -1) : true;
    if (c.session.lost())
        return failure(QStringLiteral("board %1 disconnected").arg(c.session.serial()));
    if (!done) {
        Torvel.StopTrajectory();
        return failure(QStringLiteral("interrupted: the trajectory was stopped at %1")
                           .arg(Torvel.rt.ActualPosition));
    }
    printData(QString::number(Torvel.rt.ActualPosition));
    if (Torvel.rt.ActualPosition != target)
        return failure(
            QStringLiteral("stopped at %1, short of %2").arg(Torvel.rt.ActualPosition).arg(target));
    return kExitOk;
}

int stop(Context& c)
{
    if (const int status = c.session.open(Session::Record | Session::Values))
        return status;
    switch (Torvel.rt.OperatingMode) {
    case protocol::kOpModeStepDir:
        Torvel.SetStepDirFrequency(0);
        break;
    case protocol::kOpModeTrajectory:
        Torvel.StopTrajectory();
        break;
    case protocol::kOpModeDcMotor:
        Torvel.pwm.DutyA = 0;
        Torvel.pwm.DutyB = 0;
        Torvel.pwm.Frequency = kDefaultPwmFrequency;
        Torvel.CalculatePWMTimers();
        Torvel.WritePWM();
        break;
    default:
        if (Torvel.rt.ActualSpeed != 0)
            return failure(QStringLiteral("the board follows its external step/dir inputs; '%1 "
                                          "sleep' stops the motor")
                               .arg(programName()));
        break;
    }
    return kExitOk;
}

int zero(Context& c)
{
    if (const int status = c.session.open(Session::Record))
        return status;
    Torvel.SetHome();
    const int sent = c.session.records();
    if (!c.session.waitUntil(
            [&] {
                return c.session.lost() ||
                       (c.session.records() > sent && Torvel.rt.ActualPosition == 0);
            },
            Session::kReplyWaitMs) ||
        c.session.lost())
        return failure(QStringLiteral("board %1 still reports position %2")
                           .arg(c.session.serial())
                           .arg(Torvel.rt.ActualPosition));
    return kExitOk;
}

int dcMode(Context& c)
{
    const QString wanted = c.args.positionals().first();
    if (wanted != QLatin1String("on") && wanted != QLatin1String("off"))
        return usageError(QStringLiteral("dc-mode takes on or off, not '%1'").arg(wanted));
    const int on = wanted == QLatin1String("on") ? 1 : 0;
    if (const int status = c.session.open(Session::Values))
        return status;
    if (Torvel.settings.DCMotorMode == on) {
        printData(QStringLiteral("DC motor mode %1").arg(wanted));
        return kExitOk;
    }
    // The board's own values go back with only the mode changed, or nothing goes.
    if (!reproduceBoardValues(Torvel.settings, Torvel.registers))
        return failure(QStringLiteral("board %1 holds driver values that cannot be written back "
                                      "unchanged (%2); set them in the window first")
                           .arg(c.session.serial(), Torvel.DrvSettings2String()));
    printMessage(on ? kDcOnWarning : kDcOffWarning);
    Torvel.SleepDriver();
    Torvel.settings.DCMotorMode = on;
    Torvel.WriteDriverValues();
    if (!c.session.readValues([on] { return Torvel.settings.DCMotorMode == on; }))
        return failure(QStringLiteral("board %1 did not take DC motor mode %2")
                           .arg(c.session.serial(), wanted));
    printData(QStringLiteral("DC motor mode %1").arg(wanted));
    return kExitOk;
}

int pwm(Context& c)
{
    qint64 a = 0;
    qint64 b = 0;
    qint64 frequency = 0;
    if (!wholeNumber(c.args.positionals().at(0), -kMaxDuty, kMaxDuty, QStringLiteral("duty A"),
                     &a) ||
        !wholeNumber(c.args.positionals().at(1), -kMaxDuty, kMaxDuty, QStringLiteral("duty B"),
                     &b) ||
        !option(c, QStringLiteral("freq"), kMinPwmFrequency, kMaxPwmFrequency, kDefaultPwmFrequency,
                &frequency))
        return kExitUsage;
    if (const int status = c.session.open(Session::Values))
        return status;
    // The window only offers PWM in DC motor mode: a stepper must not get it.
    if (Torvel.settings.DCMotorMode == 0)
        return failure(
            QStringLiteral("board %1 is not in DC motor mode; '%2 dc-mode on' switches it")
                .arg(c.session.serial(), programName()));
    Torvel.pwm.DutyA = std::int32_t(a);
    Torvel.pwm.DutyB = std::int32_t(b);
    Torvel.pwm.Frequency = std::int32_t(frequency);
    Torvel.CalculatePWMTimers();
    Torvel.WritePWM();
    printData(QStringLiteral("PWM A: %1 %, PWM B: %2 %, frequency %3 Hz (actual %4 Hz)")
                  .arg(a)
                  .arg(b)
                  .arg(frequency)
                  .arg(Torvel.pwm.ActualFrequency));
    return kExitOk;
}

QList<Command> motionCommands()
{
    return {
        {{QStringLiteral("step-rate")},
         QStringLiteral("N"),
         QStringLiteral("Run the step generator at N steps/s"),
         QStringLiteral("Runs the board's step/direction generator at N steps per second "
                        "(-250000 to\n250000; the sign gives the direction, 0 stops it) and "
                        "prints the rate the board's\ntimer really produces."),
         {},
         1,
         1,
         stepRate},
        {{QStringLiteral("move")},
         QStringLiteral(
             "POSITION [--max-speed V --acc A --dec D] [--end-switch off|no|nc] [--wait]"),
         QStringLiteral("Run a trajectory to POSITION"),
         QStringLiteral("Sends a trajectory to POSITION (-100000000 to 100000000 steps) with the "
                        "speed\nprofile given (defaults as in the window: 10000, 2000, 2000) and "
                        "the end switch\nnormally closed (nc), normally open (no) or not used "
                        "(off). --wait waits until\nthe motor stands again and prints the "
                        "position; exits 1 when it stopped short,\nand stops the trajectory on "
                        "SIGINT."),
         {{QStringLiteral("max-speed"), QStringLiteral("V"),
           QStringLiteral("Maximum speed, 0 to 60000.")},
          {QStringLiteral("acc"), QStringLiteral("A"), QStringLiteral("Acceleration, 0 to 50000.")},
          {QStringLiteral("dec"), QStringLiteral("D"), QStringLiteral("Deceleration, 0 to 50000.")},
          {QStringLiteral("end-switch"), QStringLiteral("off|no|nc"),
           QStringLiteral("The end switch (default nc).")},
          {QStringLiteral("wait"), QString(), QStringLiteral("Wait until the motor stands.")}},
         1,
         1,
         move},
        {{QStringLiteral("stop")},
         QString(),
         QStringLiteral("Stop the step generator, trajectory or DC motors"),
         QStringLiteral("Stops what the board's operating mode runs: the step generator (rate "
                        "0), the\ntrajectory, or both DC motors (duties 0). Exits 1 when the motor "
                        "follows the\nexternal step/dir inputs and moves."),
         {},
         0,
         0,
         stop},
        {{QStringLiteral("zero")},
         QString(),
         QStringLiteral("Make the present position 0"),
         QStringLiteral("Makes the board's present position its zero and waits until it reports "
                        "position 0."),
         {},
         0,
         0,
         zero},
        {{QStringLiteral("dc-mode")},
         QStringLiteral("on|off"),
         QStringLiteral("Switch between two DC motors and the stepper"),
         QStringLiteral(
             "Switches the outputs to two DC motors (on) or back to the stepper (off), "
             "as the\nwindow's \"Enable DC motor control\" does: the driver is put to "
             "sleep and the\ndriver values are written with the DC motor mode set or "
             "cleared (not stored:\nafter a power cycle the board runs its stored mode)."),
         {},
         1,
         1,
         dcMode},
        {{QStringLiteral("pwm")},
         QStringLiteral("A B [--freq F]"),
         QStringLiteral("Drive the two DC motors"),
         QStringLiteral("Sets the duties of channel A and B in percent (-100 to 100, the sign "
                        "gives the\ndirection) at the PWM frequency F (10 to 100000 Hz, default "
                        "20000) and prints\nthem with the frequency the board's timer really "
                        "produces. The board must be in\nDC motor mode."),
         {{QStringLiteral("freq"), QStringLiteral("F"), QStringLiteral("PWM frequency in Hz.")}},
         2,
         2,
         pwm},
    };
}

const Registration kRegistration(kMotionGroup, motionCommands);
} // namespace
} // namespace ctl
