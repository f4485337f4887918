// The simulated boards on the bus and the handles handed out to the program,
// shared by the control API and the hidapi functions.
#pragma once

#include <memory>
#include <set>
#include <vector>

namespace sim {
class SimBoard;
}

// What hid_open_path hands out. It outlives its board: once the board leaves
// the bus or is removed, board is cleared and every I/O on the handle fails.
struct hid_device_ {
    sim::SimBoard* board = nullptr;
    bool nonBlocking = false;
};

namespace sim {

struct Registry {
    std::vector<std::unique_ptr<SimBoard>> boards;
    std::set<hid_device_*> handles; // handed out and not yet closed
    int nextPath = 0;
};

// Never destroyed, so handles the program still holds at exit stay valid.
Registry& registry();

} // namespace sim
