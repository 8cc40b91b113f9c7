#pragma once

#include "MivoraUI/Suggest/SuggestPanel.h"
#include "Suggest/CaretReader.h"
#include "Suggest/SuggestController.h"

#include <functional>

namespace mivora {

class AppDelegate;
class Clock;
class Defaults;
class Platform;
class Scheduler;

// The typing suggestions of the running program: the one suggestion controller, on the delegate's text
// inserter, memory store and key tap, and the strip that follows its offers. Made once, before the
// delegate's launch, which then routes every key to the controller first. Must go before the delegate.
class SuggestWiring {
public:
    SuggestWiring(AppDelegate& delegate, Platform& platform, Defaults& defaults, Scheduler& scheduler,
                  Clock& clock, const std::function<void(const QString&)>& log);

    SuggestController& controller() { return controller_; }
    SuggestPanel& panel() { return panel_; }

private:
    CaretReader reader_;
    SuggestController controller_;
    SuggestPanel panel_;
};

} // namespace mivora
