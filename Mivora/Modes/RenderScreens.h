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
    Clock& clock;

    void all();
    void hud();
    void kit();
    void memories();
    void strip();
    void steps();
    void window();
    void lessons();
    void account();
};

} // namespace mivora
