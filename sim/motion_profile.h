// The simulated board's trajectory generator: a trapezoidal speed profile
// (triangular when the move is too short to reach the maximum speed) that is
// worked out afresh from the present position and speed whenever it runs, so
// a new target while moving simply bends the move towards it.
#pragma once

namespace sim {

// Steps, steps per second; the speed's sign is the direction.
struct Axis {
    double position = 0.0;
    double speed = 0.0;
};

// Steps per second and steps per second squared.
struct Profile {
    double maxSpeed = 0.0;
    double acceleration = 0.0;
    double deceleration = 0.0;
    // A profile with any value of zero or less would never get anywhere.
    bool moves() const { return maxSpeed > 0 && acceleration > 0 && deceleration > 0; }
};

// Runs the axis towards the target for the given time. It arrives with speed 0
// exactly on the target; one too fast to stop in time stops beyond it and comes
// back. A profile that does not move stops the axis where it is.
void moveTowards(Axis& axis, double target, const Profile& profile, double seconds);

} // namespace sim
