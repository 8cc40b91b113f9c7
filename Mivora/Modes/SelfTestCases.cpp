#include "Modes/SelfTestCases.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mivora::SelfTestCases {

namespace {

std::optional<QString> text(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isString()) return std::nullopt;
    return value.toString();
}

std::variant<SelfTestCase, QString> readCase(const QJsonObject& object, int index, const QDir& base) {
    SelfTestCase c;
    // An empty name would leave a failure report with nothing to point at.
    c.name = text(object, "name").value_or(QString());
    if (c.name.isEmpty()) c.name = QStringLiteral("第 %1 条").arg(index + 1);
    const auto complain = [&](const QString& what) {
        return QStringLiteral("用例「%1」：%2").arg(c.name, what);
    };
    int kinds = 0;
    for (const auto& [key, kind] :
         {std::pair{"dictate", SelfTestCase::Kind::dictate}, std::pair{"recall", SelfTestCase::Kind::recall},
          std::pair{"type", SelfTestCase::Kind::type}}) {
        if (const auto input = text(object, key)) {
            ++kinds;
            c.kind = kind;
            // Joined by hand: QDir would take ":name" for a path inside the program's own resources.
            const bool absolute = input->startsWith('/');
            c.input =
                kind == SelfTestCase::Kind::type || absolute ? *input : base.absolutePath() + '/' + *input;
        }
    }
    if (kinds != 1) return complain(QStringLiteral("要有且只有一个 \"dictate\"、\"recall\" 或 \"type\""));

    for (const QJsonValue& value : object.value("memories").toArray()) {
        const QJsonObject m = value.toObject();
        Memory memory;
        memory.title = m.value("title").toString();
        memory.value = m.value("value").toString();
        memory.type = m.value("type").toString();
        memory.sensitive = m.value("sensitive").toBool();
        memory.source = QStringLiteral("自检");
        if (memory.title.isEmpty() || memory.value.isEmpty())
            return complain(QStringLiteral("记忆要有 \"title\" 和 \"value\""));
        c.memories << memory;
    }

    const QJsonObject expect = object.value("expect").toObject();
    c.text = text(expect, "text");
    c.notice = text(expect, "notice");
    c.offer = text(expect, "offer");
    if (!c.text && !c.notice && !c.offer)
        return complain(QStringLiteral("\"expect\" 里要有 \"text\"、\"notice\" 或 \"offer\""));
    if (c.kind == SelfTestCase::Kind::type && c.notice)
        return complain(QStringLiteral("打字用例没有提示（\"notice\"）可比"));
    return c;
}

} // namespace

std::variant<QList<SelfTestCase>, QString> read(const QByteArray& json, const QDir& base) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return QStringLiteral("用例文件不是 JSON 数组");
    QList<SelfTestCase> cases;
    const QJsonArray array = document.array();
    for (int i = 0; i < array.size(); ++i) {
        if (!array[i].isObject()) return QStringLiteral("第 %1 条用例不是对象").arg(i + 1);
        auto one = readCase(array[i].toObject(), i, base);
        if (auto* message = std::get_if<QString>(&one)) return *message;
        cases << std::get<SelfTestCase>(std::move(one));
    }
    if (cases.isEmpty()) return QStringLiteral("用例文件里一条用例也没有");
    return cases;
}

} // namespace mivora::SelfTestCases
