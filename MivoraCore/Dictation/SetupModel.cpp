#include "Dictation/SetupModel.h"

#include "Dictation/Permissions.h"

namespace mivora {

SetupModel::SetupModel(Permissions& permissions, std::function<bool()> cloudReady, Scheduler& scheduler,
                       QObject* parent)
    : QObject(parent), permissions_(permissions), cloudProbe_(std::move(cloudReady)), scheduler_(scheduler) {
    refresh();
    // A sound server that answers only after the start brings the microphone then, window open or not.
    permissions_.followMic(
        [this] { setMic(permissions_.micStatus() == Permissions::MicStatus::authorized); });
}

SetupModel::~SetupModel() {
    permissions_.followMic(nullptr);
    stopPolling();
}

void SetupModel::refresh() {
    setMic(permissions_.micStatus() == Permissions::MicStatus::authorized);
    setAccessibility(permissions_.accessibility());
    const std::optional<int> usage = permissions_.fnUsage();
    setFnFree(usage && *usage == 0);
    setCloudReady(cloudProbe_ && cloudProbe_());
    setAccountReady(!accountProbe_ || accountProbe_());
}

void SetupModel::setAccountProbe(std::function<bool()> probe) {
    accountProbe_ = std::move(probe);
    setAccountReady(!accountProbe_ || accountProbe_());
}

QList<SetupModel::Missing> SetupModel::missing() const {
    QList<Missing> out;
    if (!mic_) out << Missing::mic;
    if (!accessibility_) out << Missing::accessibility;
    if (!fnFree_) out << Missing::hotkey;
    if (!cloudReady_) out << Missing::recognizer;
    if (!accountReady_) out << Missing::account;
    return out;
}

void SetupModel::startPolling() {
    stopPolling();
    timer_ = scheduler_.every(pollInterval, [this] { refresh(); });
}

void SetupModel::stopPolling() {
    scheduler_.cancel(timer_);
    timer_ = 0;
}

} // namespace mivora
