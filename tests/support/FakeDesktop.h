#pragma once

#include "Platform/Accessibility.h"
#include "Platform/FrontApplication.h"
#include "Platform/SyntheticKeys.h"

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace mivora::test {

// An accessibility element with fixed answers.
struct FakeElement {
    QString role = "AXTextField";
    bool selectedTextSettable = false;
    bool valueSettable = false;
    bool password = false;
};

class FakeAccessibleElement final : public AccessibleElement {
public:
    explicit FakeAccessibleElement(FakeElement e) : e_(std::move(e)) {}
    QString role() const override { return e_.role; }
    bool isSelectedTextSettable() const override { return e_.selectedTextSettable; }
    bool isValueSettable() const override { return e_.valueSettable; }
    bool isPasswordText() const override { return e_.password; }

private:
    FakeElement e_;
};

// Focus per application (by process id) and anywhere on the desktop: an element or an error.
class FakeAccessibility final : public Accessibility {
public:
    struct Answer {
        std::optional<FakeElement> element;
        Error error = noValue;
    };
    std::map<qint64, Answer> apps;
    Answer anywhere;
    std::vector<qint64> asked; // process ids asked, -1 for "anywhere"

    FocusRead focusedElement(qint64 pid) override;
    FocusRead focusedElementAnywhere() override;

private:
    static FocusRead read(const Answer& answer);
};

class FakeFrontApplication final : public FrontApplication {
public:
    std::optional<FrontApp> app = FrontApp{"mivora_target", 4242};
    int calls = 0;
    std::optional<FrontApp> current() override {
        ++calls;
        return app;
    }
};

// Records posted pastes; `onPaste` sees the moment of posting (for example the clipboard then).
class FakeSyntheticKeys final : public SyntheticKeys {
public:
    bool succeeds = true;
    int posted = 0;
    std::function<void()> onPaste;
    bool postPaste() override {
        ++posted;
        if (onPaste) onPaste();
        return succeeds;
    }
};

} // namespace mivora::test
