#pragma once

// The window model on fakes, with the welcome finished unless told otherwise, and a way to add memories.
#include "support/WindowModelRig.h"

namespace mivora::test {

struct TutorialRig : WindowModelRig {
    explicit TutorialRig(bool welcomeDone = true) {
        if (welcomeDone) defaults.setValue("onboardingDone", true);
        make();
    }

    // Adds a memory used `uses` times, expired when `expired`.
    void remember(const QString& title, qint64 uses, bool expired = false) {
        Memory m{.title = title, .value = title + "的内容"};
        m.useCount = uses;
        if (expired) m.expiresAt = clock.now().addDays(-1);
        memories->upsert(m);
    }
};

} // namespace mivora::test
