// The trapezoidal speed profile of the simulated board's trajectory generator.
#include "motion_profile.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

// A move has at most a handful of phases (brake, accelerate, cruise, land);
// the bound only guards against rounding ever producing endless tiny ones.
constexpr int kMaxPhases = 16;

} // namespace

void moveTowards(Axis& axis, double target, const Profile& profile, double seconds)
{
    if (!profile.moves()) {
        axis.speed = 0.0;
        return;
    }
    const double vmax = profile.maxSpeed;
    const double accel = profile.acceleration;
    const double decel = profile.deceleration;
    const double near = 1e-6 + 1e-12 * std::abs(target);

    for (int phase = 0; phase < kMaxPhases && seconds > 0; ++phase) {
        const double gap = target - axis.position;
        // Seen with the target ahead: x the distance to go (never negative), w
        // the speed towards the target. On the target but still moving, the
        // target lies behind the motion.
        const double sign = gap > 0 || (gap == 0 && axis.speed < 0) ? 1.0 : -1.0;
        const double x = sign * gap;
        const double w = sign * axis.speed;
        const double braking = w > 0 ? w * w / (2 * decel) : 0.0;
        const double slack = near + 1e-9 * x;

        // One phase of constant acceleration a lasting `duration`.
        double a = 0.0;
        double duration = 0.0;
        double endSpeed = 0.0;
        bool lands = false;
        if (w < 0) {
            a = decel; // heading away: stop first
            duration = -w / decel;
        } else if (braking >= x - slack) {
            if (braking > x + slack) {
                a = -decel; // too fast to stop in time
                duration = w / decel;
            } else if (x <= near) {
                axis.position = target;
                axis.speed = 0.0;
                return;
            } else {
                // On the braking curve: brake just enough to stop on the target.
                a = -w * w / (2 * x);
                duration = 2 * x / w;
                lands = true;
            }
        } else if (w > vmax) {
            a = -decel; // the maximum speed was lowered meanwhile
            duration = (w - vmax) / decel;
            endSpeed = vmax;
        } else {
            // The highest speed from which the deceleration still stops on
            // the target after accelerating from w.
            const double peak =
                std::min(vmax, std::sqrt(decel * (w * w + 2 * accel * x) / (accel + decel)));
            if (peak > w) {
                a = accel;
                duration = (peak - w) / accel;
                endSpeed = peak;
            } else {
                duration = (x - braking) / w; // cruising at the maximum speed
                endSpeed = w;
            }
        }

        const double step = std::min(seconds, duration);
        axis.position += sign * (w * step + 0.5 * a * step * step);
        axis.speed = sign * (w + a * step);
        seconds -= step;
        if (step < duration)
            return;
        axis.speed = sign * endSpeed;
        if (lands) {
            axis.position = target;
            axis.speed = 0.0;
            return;
        }
    }
}

} // namespace sim
