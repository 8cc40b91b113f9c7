#include "Modes/RenderScreens.h"

#include "Dictation/SetupModel.h"
#include "Memories/MemoryStore.h"
#include "MivoraUI/HUD/HUDOptions.h"
#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/Kit/BrandMark.h"
#include "MivoraUI/Kit/Card.h"
#include "MivoraUI/Kit/KeyCap.h"
#include "MivoraUI/Kit/KeyCombo.h"
#include "MivoraUI/Kit/PracticeField.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StatusDot.h"
#include "MivoraUI/Kit/SuccessBadge.h"
#include "MivoraUI/Kit/Wordmark.h"
#include "MivoraUI/Memories/MemoriesView.h"
#include "MivoraUI/Model/AppModel.h"
#include "MivoraUI/Steps/PermissionSteps.h"
#include "MivoraUI/Suggest/SuggestView.h"
#include "MivoraUI/Tutorial/TutorialPage.h"
#include "MivoraUI/Welcome/WelcomeFlow.h"
#include "MivoraUI/Window/MainView.h"
#include "Modes/Renderer.h"
#include "Support/Defaults.h"

#include <QHBoxLayout>
#include <QLabel>

namespace mivora {

void RenderScreens::all() {
    hud();
    kit();
    memories();
    strip();
    steps();
    lessons();
    account();
    window();
}

void RenderScreens::hud() {
    const HUDOptions options = HUDOptions::from(defaults);
    const QList<RecallChoice> choices{{"a1", "家里地址", "上海市徐汇区漕溪北路 88 号", false},
                                      {"b2", "身份证号", RecallChoice::sensitivePreview, true},
                                      {"c3", "公司电话", "021-5555 0101", false}};
    const struct {
        const char* name;
        VoicePhase phase;
        VoiceMode mode;
    } phases[] = {
        {"hud-listening", VoicePhase::listening(false), VoiceMode::dictate},
        {"hud-listening-recall", VoicePhase::listening(false), VoiceMode::recall},
        {"hud-listening-handsfree", VoicePhase::listening(true), VoiceMode::dictate},
        {"hud-processing", VoicePhase::processing(), VoiceMode::dictate},
        {"hud-done", VoicePhase::done(), VoiceMode::dictate},
        {"hud-notice", VoicePhase::notice("没听清，再说一次", false), VoiceMode::dictate},
        {"hud-notice-error", VoicePhase::notice("无法连接到服务器。，可在菜单里重试", true),
         VoiceMode::dictate},
        {"hud-choosing", VoicePhase::choosing(choices, std::nullopt), VoiceMode::recall},
        {"hud-choosing-armed", VoicePhase::choosing(choices, QStringLiteral("b2")), VoiceMode::recall},
    };
    for (const auto& [name, phase, mode] : phases)
        renderer.shoot(name, [&] { return new HUDPill(phase, mode, 0.55f, options); });
}

void RenderScreens::kit() {
    const auto row = [](std::initializer_list<QWidget*> widgets) {
        auto* host = new QWidget;
        auto* layout = new QHBoxLayout(host);
        for (QWidget* w : widgets)
            layout->addWidget(w);
        return host;
    };
    renderer.shoot("kit-keys", [&] {
        return row({new KeyCap("fn", {}, 44), new KeyCap("shift", {}, 56, true),
                    new KeyCap("tab", {}, 44, false, true), new KeyCombo({"fn", "space"})});
    });
    renderer.shoot("kit-buttons", [&] { return row({new PrimaryButton("去设置"), new SoftButton("稍后")}); });
    renderer.shoot("kit-status", [&] {
        return row({new StatusDot(true), new StatusDot(false), new SuccessBadge("做到了！")});
    });
    renderer.shoot("kit-brand", [&] { return row({new BrandMark(40), new Wordmark(28)}); });
    renderer.shoot("kit-card", [&] { return new Card(new QLabel("卡片里的一段文字"), 14, 16); });
    renderer.shoot(
        "kit-practicefield", [&] { return new PracticeField(scheduler, "在这里试试：按住说一句话", 90); },
        QSize(360, 110));
}

void RenderScreens::memories() {
    const std::unique_ptr<MemoryStore> empty = MemoryStore::scratch(clock);
    for (const auto& [name, store] :
         {std::pair{"memories-samples", &model.memories()}, std::pair{"memories-empty", empty.get()}})
        renderer.shoot(
            name, [&, store] { return new MemoriesView(*store, clock, model.hotkeyName()); },
            QSize(680, 440));
}

void RenderScreens::strip() {
    const SuggestController::Offer plain{"a", "我的地址", "北京市朝阳区建国路 1 号", false, false, QRectF()};
    const SuggestController::Offer secret{"b", "身份证号", "••••••", true, false, QRectF()};
    for (const auto& [name, offer] :
         {std::pair{"suggest-strip", plain}, std::pair{"suggest-strip-sensitive", secret}})
        renderer.shoot(name, [&] {
            auto* view = new SuggestView(true);
            view->setOffer(offer);
            return view;
        });
}

void RenderScreens::steps() {
    // The permission steps as the setup model reports each stage of a new user's setup.
    SetupModel& setup = model.setup();
    const struct {
        const char* name;
        bool mic, accessibility, fnFree;
    } stages[] = {{"steps-none", false, false, false},
                  {"steps-mic", true, false, false},
                  {"steps-mic-accessibility", true, true, false},
                  {"steps-all", true, true, true}};
    for (const auto& [name, mic, accessibility, fnFree] : stages) {
        setup.setMic(mic);
        setup.setAccessibility(accessibility);
        setup.setFnFree(fnFree);
        renderer.shoot(
            name, [&] { return new PermissionSteps(model); }, QSize(560, 0));
    }
    setup.refresh();
}

void RenderScreens::lessons() {
    // The tutorial on each lesson, its demonstration at rest (motion is reduced while drawing).
    for (Lesson lesson : Lessons::all) {
        model.setLesson(lesson);
        const char* names[] = {"lesson-dictate", "lesson-recall", "lesson-typing"};
        renderer.shoot(
            names[Lessons::raw(lesson)], [&] { return new TutorialPage(model); }, QSize(760, 640));
    }
    model.setLesson(Lesson::dictate);
}

void RenderScreens::window() {
    const QSize size(960, 640);
    // A fresh user's first look: the welcome over the window, and each of its pages.
    if (model.showWelcome()) {
        renderer.shoot(
            "window-welcome", [&] { return new MainView(model); }, size);
        const char* pages[] = {"hero", "permissions", "account", "dictate", "recall", "typing", "done"};
        const WelcomeFlow probe(model);
        for (int page = WelcomeFlow::hero; page < WelcomeFlow::pageCount; ++page)
            if (probe.has(page))
                renderer.shoot(
                    QStringLiteral("welcome-%1-%2").arg(probe.position(page) + 1).arg(pages[page]),
                    [&, page] {
                        auto* flow = new WelcomeFlow(model);
                        flow->goTo(page);
                        return flow;
                    },
                    size);
        model.finishWelcome();
    }
    for (AppModel::Section section : AppModel::sections) {
        model.open(section);
        renderer.shoot(
            "window-" + AppModel::raw(section), [&] { return new MainView(model); }, size);
    }
    model.open(AppModel::Section::home);
}

} // namespace mivora
