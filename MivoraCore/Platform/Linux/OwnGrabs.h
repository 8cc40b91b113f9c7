#pragma once

#include <set>

namespace mivora {

// The keys this process's key watcher holds by a grab of its own (on every modifier combination). The
// server refuses anyone else's grab of them, this process's trial grabs included, so the keyboard probe asks
// here before it reads a refusal as another program's shortcut. Main thread only.
class OwnGrabs {
public:
    void set(std::set<int> keycodes) { held_ = std::move(keycodes); }
    bool holds(int keycode) const { return held_.count(keycode) > 0; }

private:
    std::set<int> held_; // X11 key codes
};

} // namespace mivora
