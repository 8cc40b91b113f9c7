#include "Modes/RenderMode.h"

#include "AccountWiring.h"
#include "AppDelegate.h"
#include "Memories/Seed.h"
#include "Modes/RenderScreens.h"
#include "Modes/Renderer.h"
#include "Platform/Offscreen/OffscreenPlatform.h"
#include "SuggestWiring.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/HttpClient.h"
#include "Support/QuietMessages.h"
#include "Support/Scheduler.h"
#include "SyncWiring.h"

#include <QTemporaryDir>

#include <cstdio>

namespace mivora {

int runRenderMode(const QString& folder) {
    // The same services the program wires, on a desktop that is not there and settings of its own, so
    // every page is drawn from the real widgets in a fresh user's state, still (no springs). The offscreen
    // desktop says it cannot hint a window's size each time a page sets one: nothing to act on here.
    const QuietMessages quiet({QStringLiteral("does not support propagateSizeHints()")});
    QTemporaryDir scratch;
    SettingsDefaults defaults(scratch.filePath(QStringLiteral("Mivora.ini")));
    defaults.setValue(QStringLiteral("reduceMotion"), true);
    SystemClock clock;
    QtScheduler scheduler;
    const std::unique_ptr<Platform> platform = OffscreenPlatform::make();
    HttpClient network(scheduler);
    AppDelegate delegate({*platform, defaults, clock, scheduler, network, std::nullopt, {}});
    SuggestWiring suggestions(delegate, *platform, defaults, scheduler, clock, {});
    AccountWiring account(delegate, *platform, network, defaults, clock, scheduler);
    SyncWiring sync(delegate, account.account(), *platform, clock, scheduler);
    for (const Memory& memory : Seed::samples(clock.now()))
        delegate.memories().upsert(memory);

    Renderer renderer(folder);
    RenderScreens screens{renderer, delegate.model(), defaults, scheduler, clock};
    screens.all();
    const QStringList unwritten = renderer.finish();
    if (!unwritten.isEmpty()) {
        std::fprintf(stderr, "截图没有全部写进 %s，这些没写成：\n", qPrintable(folder));
        for (const QString& file : unwritten)
            std::fprintf(stderr, "  %s\n", qPrintable(file));
        return 1;
    }
    std::printf("截图已写进 %s\n", qPrintable(folder));
    return 0;
}

} // namespace mivora
