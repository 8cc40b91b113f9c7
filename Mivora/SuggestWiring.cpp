#include "SuggestWiring.h"

#include "AppDelegate.h"
#include "MivoraUI/Kit/UI.h"
#include "Platform/Platform.h"

#include <QPointer>

namespace mivora {

SuggestWiring::SuggestWiring(AppDelegate& delegate, Platform& platform, Defaults& defaults,
                             Scheduler& scheduler, Clock& clock,
                             const std::function<void(const QString&)>& log)
    : reader_(platform), controller_(delegate.inserter(), &delegate.memories(), reader_,
                                     platform.frontApplication(), delegate.tap(), defaults, scheduler, clock),
      panel_(controller_, platform.frontApplication(), scheduler, UI::reduceMotion(defaults), log) {
    QPointer<AppDelegate> shell(&delegate);
    controller_.canShow = [shell] { return shell && shell->suggestionMayShow(); };
    controller_.onAccepted = [shell](int chars) {
        if (shell) shell->typedFillAccepted(chars);
    };
    if (log) controller_.log = log;

    // The controller either answers an input (swallow it) or leaves it to the voice controller; it never
    // lets an input pass untouched past the voice controller.
    QPointer<SuggestController> suggest(&controller_);
    delegate.hooks.suggest = [suggest](const KeyInput& input) -> std::optional<bool> {
        if (suggest && suggest->handle(input)) return true;
        return std::nullopt;
    };
    delegate.hooks.suggestController = &controller_;
    // Recall choices must not take the digits of an input method that is composing.
    delegate.controller().composing = [suggest] { return suggest && suggest->composing(); };
    delegate.hooks.suggestionsEnabled = [suggest] { return suggest && suggest->enabled(); };
    delegate.hooks.setSuggestionsEnabled = [suggest](bool on) {
        if (suggest) suggest->setEnabled(on);
    };
}

} // namespace mivora
