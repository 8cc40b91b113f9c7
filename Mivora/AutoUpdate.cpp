#include "AutoUpdate.h"

#include "Support/Defaults.h"
#include "Support/Scheduler.h"

namespace mivora {

AutoUpdate::AutoUpdate(Hooks hooks, Defaults& defaults, Scheduler& scheduler)
    : hooks_(std::move(hooks)), defaults_(defaults), scheduler_(scheduler) {}

AutoUpdate::~AutoUpdate() = default;

void AutoUpdate::start() {
    if (!hooks_.hasFeed || !hooks_.makeUpdater) return;
    std::unique_ptr<Updater> updater = hooks_.makeUpdater();
    if (!updater) return;
    controller_ = std::move(updater);
    log(QStringLiteral("自动更新已开启"));
}

void AutoUpdate::checkForUpdates() {
    if (controller_) controller_->checkForUpdates();
}

bool AutoUpdate::willInstallUpdateOnQuit(const QString& displayVersion, const QString& version,
                                         std::function<void()> installNow) {
    log("新版本 " + displayVersion + "（" + version + "）已下载好");
    const bool noPrompt = defaults_.value(QStringLiteral("MivoraUpdateNoPrompt")).toBool();
    if (!noPrompt && !(hooks_.askRestartNow && hooks_.askRestartNow(displayVersion))) {
        log(QStringLiteral("用户选择稍后，退出时安装"));
        return false;
    }
    log(QStringLiteral("现在更新"));
    scheduler_.after(0, std::move(installNow));
    return true;
}

void AutoUpdate::didAbort(const QString& domain, int code) {
    if (domain == QLatin1String(errorDomain) && code == noUpdateFound) return;
    scheduler_.after(0, [this, line = "更新出错：" + domain + " " + QString::number(code)] { log(line); });
}

void AutoUpdate::log(const QString& line) const {
    if (hooks_.log) hooks_.log(line);
}

} // namespace mivora
