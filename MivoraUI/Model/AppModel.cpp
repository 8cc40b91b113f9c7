#include "MivoraUI/Model/AppModel.h"

#include "Platform/PlatformWords.h"
#include "Support/Defaults.h"

namespace mivora {

namespace {
const QString onboardingDoneKey = QStringLiteral("onboardingDone");

struct SectionRow {
    const char* raw;
    const char* title;
    const char* icon;
};
constexpr std::array<SectionRow, 4> sectionRows{{
    {"home", "首页", "house"},
    {"tutorial", "教程", "graduationcap"},
    {"memories", "记忆", "tray.full"},
    {"settings", "设置", "gearshape"},
}};

const SectionRow& row(AppModel::Section section) {
    return sectionRows[std::size_t(section)];
}
} // namespace

QString AppModel::raw(Section section) {
    return QString::fromUtf8(row(section).raw);
}

std::optional<AppModel::Section> AppModel::fromRaw(const QString& raw) {
    for (Section section : sections)
        if (raw == QString::fromUtf8(row(section).raw)) return section;
    return std::nullopt;
}

QString AppModel::title(Section section) {
    return QString::fromUtf8(row(section).title);
}

QString AppModel::icon(Section section) {
    return QString::fromUtf8(row(section).icon);
}

AppModel::AppModel(Services services, Environment environment, QObject* parent)
    : QObject(parent), services_(services), environment_(environment),
      showWelcome_(!environment.defaults.value(onboardingDoneKey).toBool()) {}

void AppModel::open(Section section, std::optional<Lesson> lesson) {
    if (lesson) setLesson(*lesson);
    if (section == section_) return;
    section_ = section;
    emit sectionChanged();
}

void AppModel::openFor(Need need) {
    if (showWelcome_) return emit welcomeAskedFor(need);
    open(Section::settings);
}

void AppModel::setLesson(Lesson lesson) {
    if (lesson == lesson_) return;
    lesson_ = lesson;
    emit lessonChanged();
}

void AppModel::finishWelcome() {
    environment_.defaults.setValue(onboardingDoneKey, true);
    setShowWelcome(false);
}

void AppModel::finishWelcomeIfNeeded() {
    if (showWelcome_) finishWelcome();
}

void AppModel::restartWelcome() {
    setShowWelcome(true);
}

void AppModel::setLastSuccess(Success success) {
    if (lastSuccess_ == success) return;
    lastSuccess_ = success;
    emit lastSuccessChanged();
}

void AppModel::setWindowVisible(bool visible) {
    if (visible == windowVisible_) return;
    windowVisible_ = visible;
    emit windowVisibleChanged();
}

QString AppModel::hotkeyName() const {
    return PlatformWords::hotkeyName(environment_.defaults);
}

void AppModel::setShowWelcome(bool show) {
    if (show == showWelcome_) return;
    showWelcome_ = show;
    emit showWelcomeChanged();
}

} // namespace mivora
