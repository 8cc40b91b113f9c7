#pragma once

#include "Platform/Accessibility.h"
#include "Platform/FrontApplication.h"
#include "Platform/SyntheticKeys.h"

#include <functional>
#include <map>
#include <optional>
#include <variant>

namespace mivora::test {

struct FakeElement final : AccessibleElement {
    explicit FakeElement(QString role, bool selectionSettable = false, bool valueSettable = false,
                         bool password = false)
        : role_(std::move(role)), selection_(selectionSettable), value_(valueSettable), password_(password) {}
    QString role() const override { return role_; }
    bool isSelectedTextSettable() const override { return selection_; }
    bool isValueSettable() const override { return value_; }
    bool isPasswordText() const override { return password_; }
    QString role_;
    bool selection_, value_, password_;
};

// The focused element per process id and anywhere on the desktop, or the error why there is none.
struct FakeAccessibility final : Accessibility {
    using Answer = std::variant<Error, FakeElement>;
    std::map<qint64, Answer> apps = {{4242, FakeElement("AXTextField")}};
    Answer anywhere = noValue;

    FocusRead focusedElement(qint64 pid) override {
        return read(apps.count(pid) ? apps.at(pid) : cannotComplete);
    }
    FocusRead focusedElementAnywhere() override { return read(anywhere); }
    static FocusRead read(const Answer& answer) {
        if (auto* element = std::get_if<FakeElement>(&answer))
            return {std::make_unique<FakeElement>(*element)};
        return {nullptr, std::get<Error>(answer)};
    }
};

struct FakeFrontApplication final : FrontApplication {
    std::optional<FrontApp> app = FrontApp{"mivora_target", 4242};
    std::optional<FrontApp> current() override { return app; }
};

// Counts posted pastes; `onPaste` sees the moment of posting (the clipboard then).
struct FakeSyntheticKeys final : SyntheticKeys {
    bool succeeds = true;
    int posted = 0;
    std::function<void()> onPaste = [] {};
    bool postPaste() override {
        ++posted;
        onPaste();
        return succeeds;
    }
};

} // namespace mivora::test
