#include "Cloud/CloudASR.h"

#include "Cloud/TranscriptText.h"
#include "Support/JsonParseError.h"
#include "Support/Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace mivora {

using namespace TranscriptText;

namespace {

// Any JSON value at the top level, so a scalar can be told apart from text that is not JSON at all.
QJsonValue parseJson(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson("[" + data + "]", &error);
    if (error.error != QJsonParseError::NoError) throw JsonParseError(error.errorString());
    if (!doc.isArray() || doc.array().size() != 1) throw JsonParseError(QStringLiteral("not one JSON value"));
    return doc.array().first();
}

QJsonObject parseObject(const QByteArray& data) {
    const QJsonValue value = parseJson(data);
    if (!value.isObject()) throw CloudASR::Failure(CloudASR::Failure::Kind::badResponse);
    return value.toObject();
}

} // namespace

QString CloudASR::readTranscription(const QByteArray& body) {
    const QJsonValue text = parseObject(body).value("text");
    if (!text.isString()) throw Failure(Failure::Kind::badResponse);
    return trimmed(text.toString());
}

std::optional<QString> CloudASR::readChatAnswer(const QByteArray& body) {
    const QJsonObject result = parseObject(body);
    // A list of choice objects, at least one; anything else in it makes the answer unreadable.
    const QJsonArray choices = result.value("choices").toArray();
    if (!result.value("choices").isArray() || choices.isEmpty() ||
        !std::all_of(choices.begin(), choices.end(), [](const QJsonValue& c) { return c.isObject(); }))
        throw Failure(Failure::Kind::badResponse);
    const QJsonObject first = choices.first().toObject();
    const QJsonValue message = first.value("message");
    if (!message.isObject() || !message.toObject().value("content").isString())
        throw Failure(Failure::Kind::badResponse);
    // An answer that stopped for any other reason (token limit, filter) is cut off.
    const QJsonValue finish = first.value("finish_reason");
    if (finish.isString() && finish.toString() != QLatin1String("stop")) return std::nullopt;
    return message.toObject().value("content").toString();
}

QString CloudASR::readErrorMessage(const QByteArray& body) {
    try {
        const QJsonValue e = parseJson(body).toObject().value("error");
        if (e.isObject() && e.toObject().value("message").isString())
            return e.toObject().value("message").toString();
    } catch (const JsonParseError&) {
    }
    return {};
}

QString CloudASR::accept(const QString& answer, const QString& original) {
    QString s = trimmed(answer);
    // Only a pair of quotes that encloses the whole answer is a wrapper; a quote that opens the text and
    // closes inside it belongs to the text.
    static const std::pair<QChar, QChar> pairs[] = {
        {QChar(0x0022), QChar(0x0022)}, {QChar(0x201C), QChar(0x201D)}, {QChar(0x300C), QChar(0x300D)}};
    for (const auto& [open, close] : pairs) {
        if (s.size() < 2 || s.front() != open || s.back() != close) continue;
        const QStringView inner = QStringView(s).mid(1, s.size() - 2);
        bool encloses = true;
        if (open == close) {
            encloses = !inner.contains(open);
        } else {
            int depth = 0;
            for (QChar c : inner) {
                if (c == open) ++depth;
                if (c == close && --depth < 0) break;
            }
            encloses = depth == 0;
        }
        if (encloses) s = trimmed(inner);
        break;
    }
    QStringList lines = s.split('\n');
    for (QString& line : lines)
        line = trimmedBlanks(line);
    const QString result = lines.join('\n');
    const qsizetype raw = Text::graphemeCount(original);
    if (!result.isEmpty() && Text::graphemeCount(result) <= std::max(2 * raw, raw + 20)) return result;
    return original;
}

} // namespace mivora
