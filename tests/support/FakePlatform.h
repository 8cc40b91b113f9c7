#pragma once

#include "Platform/Offscreen/MemoryPasteboard.h"
#include "Platform/Offscreen/MemorySecretStore.h"
#include "Platform/Platform.h"

#include "support/FakeAudioInput.h"
#include "support/FakeKeySource.h"

#include <functional>
#include <map>
#include <optional>
#include <variant>
#include <vector>

namespace mivora::test {

// Each element made is another one; its copies (what a reading hands out) are the same element.
struct FakeElement final : AccessibleElement {
    explicit FakeElement(QString role, bool selectionSettable = false, bool valueSettable = false)
        : role_(std::move(role)), selection_(selectionSettable), value_(valueSettable) {}
    QString role() const override { return role_; }
    bool isSelectedTextSettable() const override { return selection_; }
    bool isValueSettable() const override { return value_; }
    bool isPasswordText() const override { return false; } // password fields: the desktop tests
    std::unique_ptr<AccessibleElement> stillFocused() const override {
        return focusedNow ? focusedNow(*this) : nullptr;
    }
    QString role_;
    bool selection_, value_;
    int id = ++made;
    // Set on the copies a reading of one application hands out: that application's answer now.
    std::function<std::unique_ptr<AccessibleElement>(const FakeElement&)> focusedNow;
    static inline int made = 0;
};

// The focused element per process id and anywhere on the desktop, or the error why there is none. An
// element read confirms it still has the focus while the answer it came from is the same element (with its
// role and settable states as they are now).
struct FakeAccessibility final : Accessibility {
    using Answer = std::variant<Error, FakeElement>;
    std::map<qint64, Answer> apps = {{4242, FakeElement("AXTextField")}};
    Answer anywhere = noValue;
    int searches = 0; // readings of the focus, each a search of an application's tree

    FocusRead focusedElement(qint64 pid) override {
        return read([this, pid] { return apps.count(pid) ? apps.at(pid) : Answer(cannotComplete); });
    }
    FocusRead focusedElementAnywhere() override {
        return read([this] { return anywhere; });
    }
    FocusRead read(std::function<Answer()> answer) {
        ++searches;
        const Answer now = answer();
        const auto* element = std::get_if<FakeElement>(&now);
        if (!element) return {nullptr, std::get<Error>(now)};
        auto found = std::make_unique<FakeElement>(*element);
        found->focusedNow = [answer](const FakeElement& early) -> std::unique_ptr<AccessibleElement> {
            const Answer later = answer();
            const auto* same = std::get_if<FakeElement>(&later);
            if (!same || same->id != early.id) return nullptr;
            return std::make_unique<FakeElement>(*same);
        };
        return {std::move(found)};
    }
};

// The focused text field as the caret reader sees it: its text, caret and the rectangle of every character.
struct FakeTextField {
    FakeElement element{"AXTextField", true, true};
    QString text;
    qsizetype caret = 0;
    qsizetype selected = 0;
    std::optional<QRectF> characterBounds = QRectF(100, 200, 8, 18); // origin at the top left
    bool rangeReadable = true; // false: only the whole value can be read
};

// The focused field, or the error why there is none; `onceEnabled` replaces it when the desktop-wide
// accessibility switch is turned on.
struct FakeTextAccess final : TextAccess {
    using Answer = std::variant<Accessibility::Error, FakeTextField>;
    Answer focus = Accessibility::noValue;
    std::optional<Answer> onceEnabled;
    std::vector<std::pair<qsizetype, qsizetype>> ranges; // the ranges read
    // Whether a field read earlier gives its whole text as `focus` holds it now, as a real one reads it at
    // each call (otherwise as it was when read).
    bool live = false;
    // Called at each read of a field's whole text (a slow application: it moves a fake clock on).
    std::function<void()> onRead = [] {};

    struct Field final : FocusedText {
        Field(FakeTextField f, FakeTextAccess& owner) : f(std::move(f)), owner(owner) {}
        const AccessibleElement& element() const override { return f.element; }
        std::optional<Selection> selection() override { return Selection{f.caret, f.selected}; }
        std::optional<QString> text(qsizetype start, qsizetype end) override {
            owner.ranges.emplace_back(start, end);
            return f.rangeReadable ? std::optional(f.text.mid(start, end - start)) : std::nullopt;
        }
        std::optional<QString> value() override {
            owner.onRead();
            const auto* now = std::get_if<FakeTextField>(&owner.focus);
            return owner.live && now ? now->text : f.text;
        }
        std::optional<QRectF> characterBounds(qsizetype) override { return f.characterBounds; }
        FakeTextField f;
        FakeTextAccess& owner;
    };
    Read focusedText(qint64) override {
        if (auto* field = std::get_if<FakeTextField>(&focus)) return {std::make_unique<Field>(*field, *this)};
        return {nullptr, std::get<Accessibility::Error>(focus)};
    }
    void enableAccessibility() override {
        if (onceEnabled) focus = *onceEnabled;
    }
    double firstScreenHeight() override { return 1080; }
};

struct FakeFrontApplication final : FrontApplication {
    std::optional<FrontApp> app = FrontApp{"mivora_target", 4242};
    std::optional<FrontApp> current() override { return app; }
    std::optional<QRect> frontWindowFrame() override { return std::nullopt; }
};

// Counts posted pastes and keeps the keys of the last; `onPaste` sees the moment of posting (the
// clipboard then).
struct FakeSyntheticKeys final : SyntheticKeys {
    bool succeeds = true;
    int posted = 0;
    PasteKeys keys = PasteKeys::controlV;
    std::function<void()> onPaste = [] {};
    bool postPaste(PasteKeys pasted) override {
        ++posted;
        keys = pasted;
        onPaste();
        return succeeds;
    }
};

// An in-memory clipboard; tests write to it as the other applications.
using FakePasteboard = MemoryPasteboard;

struct FakeAccessibilityBus final : AccessibilityBus {
    bool answers() override { return true; }
};

struct FakeAudioInputs final : AudioInputs {
    bool present = true;
    std::function<void()> onChange; // what `available` tells when it may answer otherwise
    bool available() override { return present; }
    void setChangeHandler(std::function<void()> handler) override { onChange = std::move(handler); }
};

// The hotkeys other programs hold, by key name; no key is held down. Key events name their keys by
// `names` (native code to name).
struct FakeKeyboardProbe final : KeyboardProbe {
    bool watching = true;
    std::map<QString, KeyState> hotkeys; // unlisted keys are free
    std::map<quint32, QString> names = {{0xffe3, "Control_L"}, {0xffe4, "Control_R"}, {0xffea, "Alt_R"}};
    QString keyName(quint32 nativeKey) override {
        return names.count(nativeKey) ? names.at(nativeKey) : QString();
    }
    bool watchable() override { return watching; }
    bool isDown(const QString&) override { return false; }
    KeyState hotkeyState(const QString& keyName) override {
        return hotkeys.count(keyName) ? hotkeys.at(keyName) : KeyState::free;
    }
};

struct FakeSettingsPages final : SettingsPages {
    bool open(Page) override { return true; }
};

// A whole platform of fakes: a text field of process 4242 in front, a free hotkey, a microphone, an
// answering accessibility service. The fakes are reachable through `fake`.
class FakePlatform final : public Platform {
public:
    FakePlatform()
        : Platform({nullptr, std::make_unique<FakePasteboard>(), std::make_unique<FakeSyntheticKeys>(),
                    std::make_unique<FakeAccessibility>(), std::make_unique<FakeAccessibilityBus>(),
                    std::make_unique<FakeFrontApplication>(), std::make_unique<FakeAudioInputs>(),
                    std::make_unique<FakeKeyboardProbe>(), std::make_unique<FakeSettingsPages>(),
                    [this] {
                        auto input = std::make_unique<FakeAudioInput>();
                        microphone = input.get();
                        return input;
                    },
                    [this] {
                        auto source = std::make_unique<FakeKeySource>();
                        keySource = source.get();
                        return source;
                    },
                    std::make_unique<MemorySecretStore>(), std::make_unique<FakeTextAccess>(),
                    std::make_unique<FakePasteboard>()}),
          fake{static_cast<FakePasteboard&>(pasteboard()),
               static_cast<FakeSyntheticKeys&>(syntheticKeys()),
               static_cast<FakeAccessibility&>(accessibility()),
               static_cast<FakeFrontApplication&>(frontApplication()),
               static_cast<FakeAudioInputs&>(audioInputs()),
               static_cast<FakeKeyboardProbe&>(keyboard()),
               static_cast<MemorySecretStore&>(secrets()),
               static_cast<FakeTextAccess&>(textAccess()),
               static_cast<FakePasteboard&>(*selection())} {}

    struct Fakes {
        FakePasteboard& pasteboard;
        FakeSyntheticKeys& keys;
        FakeAccessibility& accessibility;
        FakeFrontApplication& front;
        FakeAudioInputs& audioInputs;
        FakeKeyboardProbe& keyboard;
        MemorySecretStore& secrets;
        FakeTextAccess& text;
        FakePasteboard& selection; // the primary selection
    };
    Fakes fake;
    // The microphone made last (a voice controller's), owned by whoever asked for it.
    FakeAudioInput* microphone = nullptr;
    // The key watcher made last (a key tap's), owned by whoever asked for it.
    FakeKeySource* keySource = nullptr;
};

} // namespace mivora::test
