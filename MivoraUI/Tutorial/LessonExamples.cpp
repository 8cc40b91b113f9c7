#include "MivoraUI/Tutorial/LessonExamples.h"

#include "Memories/MemoryStore.h"
#include "Memories/Recall.h"

#include <algorithm>

namespace mivora::LessonExamples {

namespace {

const QString address = QStringLiteral("地址");

QStringList byUse(QList<Memory> list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const Memory& a, const Memory& b) { return a.useCount > b.useCount; });
    QStringList out;
    for (const Memory& m : list)
        out << m.title;
    return out;
}

// The first title naming an address, else the first one; none for an empty list.
std::optional<QString> pick(const QStringList& titles) {
    for (const QString& title : titles)
        if (title.contains(address)) return title;
    if (titles.isEmpty()) return std::nullopt;
    return titles.first();
}

} // namespace

QStringList titles(const MemoryStore& store, const QDateTime& now) {
    QList<Memory> expired;
    for (const Memory& m : store.memories())
        if (m.expiresAt && *m.expiresAt <= now) expired << m;
    return byUse(Recall::alive(store.memories(), now)) + byUse(expired);
}

QString exampleTitle(const MemoryStore& store, const QDateTime& now) {
    if (auto alive = pick(byUse(Recall::alive(store.memories(), now)))) return *alive;
    return pick(store.titles()).value_or(QStringLiteral("我的地址"));
}

QString placeholder(Lesson lesson, const QString& hotkey, const QString& exampleTitle) {
    switch (lesson) {
    case Lesson::dictate:
        return QStringLiteral("点这里，按住 ") + hotkey + QStringLiteral(" 说「明天下午三点开会」");
    case Lesson::recall:
        return QStringLiteral("点这里，按住 ") + hotkey + QStringLiteral("+Shift 说「") + exampleTitle +
               QStringLiteral("」");
    case Lesson::typing:
        return QStringLiteral("点这里，打「") + exampleTitle + QStringLiteral("」");
    }
    return {};
}

QStringList chipTitles(const MemoryStore& store, const QDateTime& now) {
    return titles(store, now).mid(0, 4);
}

} // namespace mivora::LessonExamples
