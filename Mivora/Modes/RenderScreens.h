#pragma once

namespace mivora {

class AppModel;
class Clock;
class Defaults;
class Renderer;
class Scheduler;

// Every screen the renderer draws, grouped by the folder of the widget library it comes from.
struct RenderScreens {
    Renderer& renderer;
    AppModel& model;
    Defaults& defaults;
    Scheduler& scheduler;
    const Clock& clock;

    void all();
    void hud();
    void kit();
    void memories();
    void strip();
    void window();
};

} // namespace mivora
