#include "Platform/Linux/PulseWatcher.h"

#include <pulse/pulseaudio.h>

namespace mivora {

struct PulseWatcher::State {
    std::function<void()> onChange;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    bool running = false;
};

namespace {

void subscribed(pa_context*, pa_subscription_event_type_t type, uint32_t, void* data) {
    auto* state = static_cast<PulseWatcher::State*>(data);
    const unsigned facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const unsigned kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    const bool sourceCameOrWent =
        facility == PA_SUBSCRIPTION_EVENT_SOURCE && kind != PA_SUBSCRIPTION_EVENT_CHANGE;
    if (sourceCameOrWent || facility == PA_SUBSCRIPTION_EVENT_SERVER) state->onChange();
}

void stateChanged(pa_context* context, void* data) {
    auto* state = static_cast<PulseWatcher::State*>(data);
    if (pa_context_get_state(context) != PA_CONTEXT_READY) return;
    pa_context_set_subscribe_callback(context, subscribed, state);
    const auto mask = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER);
    if (pa_operation* op = pa_context_subscribe(context, mask, nullptr, nullptr)) pa_operation_unref(op);
}

} // namespace

PulseWatcher::PulseWatcher(std::function<void()> onChange) : state_(new State{std::move(onChange)}) {
    state_->loop = pa_threaded_mainloop_new();
    if (!state_->loop) return;
    state_->context = pa_context_new(pa_threaded_mainloop_get_api(state_->loop), "Mivora");
    if (!state_->context) return;
    pa_context_set_state_callback(state_->context, stateChanged, state_);
    // Without a server the connection fails and nothing is watched.
    if (pa_context_connect(state_->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
    state_->running = pa_threaded_mainloop_start(state_->loop) >= 0;
}

PulseWatcher::~PulseWatcher() {
    if (state_->running) pa_threaded_mainloop_stop(state_->loop);
    if (state_->context) {
        pa_context_set_subscribe_callback(state_->context, nullptr, nullptr);
        pa_context_set_state_callback(state_->context, nullptr, nullptr);
        pa_context_disconnect(state_->context);
        pa_context_unref(state_->context);
    }
    if (state_->loop) pa_threaded_mainloop_free(state_->loop);
    delete state_;
}

} // namespace mivora
