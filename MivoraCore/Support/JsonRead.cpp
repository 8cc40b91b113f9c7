#include "Support/JsonRead.h"

#include "Support/IsoDate.h"

#include <QJsonObject>

namespace mivora::JsonRead {

QJsonDocument document(QByteArrayView json, QJsonParseError* error) {
    static constexpr char bom[] = "\xEF\xBB\xBF";
    const QByteArrayView mark(bom, 3);
    qsizetype at = json.indexOf(mark, 1);
    if (at < 0) return QJsonDocument::fromJson(json.toByteArray(), error);
    // Outside a string the escape is as invalid as the raw mark was.
    QByteArray escaped;
    escaped.reserve(json.size() + 16);
    qsizetype from = 0;
    for (; at >= 0; at = json.indexOf(mark, from)) {
        escaped.append(json.sliced(from, at - from)).append("\\ufeff");
        from = at + 3;
    }
    escaped.append(json.sliced(from));
    return QJsonDocument::fromJson(escaped, error);
}

std::optional<qint64> integer(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    // toInteger falls back to its default for fractions and out-of-range numbers; two different defaults
    // tell a fallback apart from a genuine value.
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b) return std::nullopt;
    return a;
}

std::optional<QDateTime> date(const QJsonValue& value) {
    if (!value.isString()) return std::nullopt;
    return IsoDate::parse(value.toString());
}

std::optional<QMap<QString, QDateTime>> dates(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    QMap<QString, QDateTime> out;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto d = date(it.value());
        if (!d) return std::nullopt;
        out.insert(it.key(), *d);
    }
    return out;
}

} // namespace mivora::JsonRead
