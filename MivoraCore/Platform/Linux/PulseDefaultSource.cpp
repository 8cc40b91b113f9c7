#include "Platform/Linux/PulseDefaultSource.h"

#include <QDeadlineTimer>

#include <pulse/pulseaudio.h>

namespace mivora::PulseDefaultSource {

namespace {

struct Query {
    bool done = false;
    std::optional<QString> name;
};

// Runs the loop until `finished` or the deadline; false on time-out or a loop failure.
template <typename Finished>
bool runUntil(pa_mainloop* loop, const QDeadlineTimer& deadline, Finished finished) {
    while (!finished()) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) return false;
        if (pa_mainloop_prepare(loop, int(left * 1000)) < 0 || pa_mainloop_poll(loop) < 0 ||
            pa_mainloop_dispatch(loop) < 0)
            return false;
    }
    return true;
}

} // namespace

bool answers(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Mivora");
    bool ready = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        runUntil(loop, deadline, [&] {
            const pa_context_state_t state = pa_context_get_state(context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        ready = pa_context_get_state(context) == PA_CONTEXT_READY;
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return ready;
}

std::optional<QString> name(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return std::nullopt;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Mivora");
    Query query;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const bool ready = runUntil(loop, deadline, [&] {
            const pa_context_state_t state = pa_context_get_state(context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        if (ready && pa_context_get_state(context) == PA_CONTEXT_READY) {
            pa_operation* op = pa_context_get_server_info(
                context,
                [](pa_context*, const pa_server_info* info, void* data) {
                    auto* q = static_cast<Query*>(data);
                    if (info && info->default_source_name && *info->default_source_name)
                        q->name = QString::fromUtf8(info->default_source_name);
                    q->done = true;
                },
                &query);
            if (op) {
                if (!runUntil(loop, deadline, [&] { return query.done; })) pa_operation_cancel(op);
                pa_operation_unref(op);
            }
        }
        pa_context_disconnect(context);
    }
    if (context) pa_context_unref(context);
    pa_mainloop_free(loop);
    return query.done ? query.name : std::nullopt;
}

} // namespace mivora::PulseDefaultSource
