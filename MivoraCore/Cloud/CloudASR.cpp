#include "Cloud/CloudASR.h"

#include "Cloud/TranscriptText.h"
#include "Support/BundleInfo.h"
#include "Support/Defaults.h"
#include "Support/JsonParseError.h"
#include "Support/NetworkError.h"
#include "Support/Text.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUuid>

#include <algorithm>
#include <mutex>
#include <set>
#include <stdexcept>

namespace mivora {

using namespace TranscriptText;

namespace {

constexpr int transcribeTimeoutMs = 8000;
constexpr int tidyTimeoutMs = 6000;
constexpr int warmUpTimeoutMs = 3000;

// Adds one path component the way a file-system style URL join does: exactly one "/" in between.
QUrl appendingPathComponent(QUrl url, const QString& component) {
    QString path = url.path();
    if (!path.endsWith('/')) path += '/';
    url.setPath(path + component);
    return url;
}

bool isPublicOpenAI(const QUrl& base) {
    return !base.host().isEmpty() && base.host() == QLatin1String(CloudASR::openAIHost);
}

// Plain http is only acceptable when the relay runs on this machine: the token never leaves it.
bool isLoopback(const QUrl& url) {
    const QString host = url.host();
    if (host == QLatin1String("localhost")) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// Any JSON value at the top level, so a scalar can be told apart from text that is not JSON at all.
QJsonValue parseJson(const QByteArray& data) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson("[" + data + "]", &error);
    if (error.error != QJsonParseError::NoError) throw JsonParseError(error.errorString());
    if (!doc.isArray() || doc.array().size() != 1) throw JsonParseError(QStringLiteral("not one JSON value"));
    return doc.array().first();
}

struct LaterDeleter {
    void operator()(QNetworkReply* r) const { r->deleteLater(); }
};

// Sends one request and returns the JSON object of a 2xx answer. Relays (any host but the public API)
// get the device header.
QCoro::Task<QJsonObject> send(QNetworkAccessManager* session, QUrl apiBase, QNetworkRequest request,
                              QByteArray body, std::shared_ptr<RequestAbort> abort) {
    if (!isPublicOpenAI(apiBase)) request.setRawHeader("X-Yarrik-Device", CloudASR::deviceID().toUtf8());
    std::unique_ptr<QNetworkReply, LaterDeleter> reply(session->post(request, body));
    if (abort) abort->track(reply.get());
    co_await reply.get();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // Codes below 200 are connection and proxy failures: no usable HTTP answer, even if a status line
    // arrived before the connection broke.
    if (error != QNetworkReply::NoError && (!status.isValid() || int(error) < 200)) {
        // A transfer time-out surfaces as a cancellation that nobody asked for.
        const bool timedOut = error == QNetworkReply::OperationCanceledError && !(abort && abort->aborted());
        throw NetworkError(timedOut ? QNetworkReply::TimeoutError : error, reply->errorString());
    }
    const int code = status.isValid() ? status.toInt() : 0;
    const QByteArray data = reply->readAll();
    if (code >= 200 && code <= 299) co_return CloudASR::readAnswer(data);
    QString message;
    try {
        const QJsonValue e = parseJson(data).toObject().value("error");
        if (e.isObject() && e.toObject().value("message").isString())
            message = e.toObject().value("message").toString();
    } catch (const JsonParseError&) {
    }
    throw CloudASR::Failure(CloudASR::Failure::Kind::http, code, Text::prefix(message, 80));
}

QNetworkRequest makeRequest(const QUrl& url, int timeoutMs, const QString& key,
                            const QByteArray& contentType) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setRawHeader("Authorization", "Bearer " + key.toUtf8());
    request.setRawHeader("Content-Type", contentType);
    return request;
}

QString vocabularyHint(const QStringList& vocabulary) {
    QStringList taken;
    for (const QString& raw : vocabulary) {
        if (taken.size() >= 60) break;
        const QString word = trimmedBlanks(raw);
        if (word.isEmpty() || taken.contains(word)) continue;
        taken.append(word);
    }
    if (taken.isEmpty()) return {};
    return QStringLiteral("常用词：") + taken.join(QStringLiteral("、")) + QStringLiteral("。");
}

// True when a transcription is not speech: an echo of the hint, the credits of a subtitled video, or
// nothing but hint words.
bool isHallucination(const QString& text, const QStringList& vocabulary) {
    if (text.isEmpty()) return false;
    if (text.contains(QStringLiteral("常用词"))) return true;
    static const QStringList credits = {
        QStringLiteral("点赞订阅"), QStringLiteral("订阅转发"), QStringLiteral("Amara"),
        QStringLiteral("字幕由"),   QStringLiteral("谢谢观看"), QStringLiteral("感谢收看"),
    };
    for (const QString& phrase : credits)
        if (text.contains(phrase)) return true;

    QString s = without(text, [](QStringView c) {
        return Text::isPunctuation(c) || Text::isWhitespace(c) || Text::isSymbol(c);
    });
    std::vector<QString> words;
    std::set<QString> seen;
    for (const QString& raw : vocabulary) {
        const QString w =
            without(raw, [](QStringView c) { return Text::isPunctuation(c) || Text::isWhitespace(c); });
        if (seen.insert(w).second) words.push_back(w);
    }
    std::stable_sort(words.begin(), words.end(), [](const QString& a, const QString& b) {
        return Text::graphemeCount(a) > Text::graphemeCount(b);
    });
    int hits = 0;
    for (const QString& w : words) {
        if (w.isEmpty() || !s.contains(w)) continue;
        ++hits;
        s.remove(w);
    }
    return hits >= 2 && Text::graphemeCount(s) < 2;
}

QCoro::Task<QString> transcribeOnce(CloudASR asr, QString file, QStringList vocabulary, QString model,
                                    std::shared_ptr<RequestAbort> abort) {
    const QByteArray boundary =
        "yarrik-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toUtf8();
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("读不了录音文件 %1：%2").arg(file, f.errorString()).toStdString());
    const QByteArray audio = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("读不了录音文件 %1：%2").arg(file, f.errorString()).toStdString());

    QByteArray body;
    body.reserve(audio.size() + 1024);
    auto field = [&](const char* name, const QString& value) {
        body += "--" + boundary + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + QByteArray(name) + "\"\r\n\r\n";
        body += value.toUtf8() + "\r\n";
    };
    field("model", model);
    field("language", QStringLiteral("zh"));
    field("response_format", QStringLiteral("json"));
    field("temperature", QStringLiteral("0"));
    const QString hint = vocabularyHint(vocabulary);
    if (!hint.isEmpty()) field("prompt", hint);
    body += "--" + boundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"file\"; filename=\"speech.wav\"\r\n";
    body += "Content-Type: audio/wav\r\n\r\n";
    body += audio;
    body += "\r\n--" + boundary + "--\r\n";

    const QNetworkRequest request = makeRequest(
        appendingPathComponent(asr.apiBase, QStringLiteral("audio/transcriptions")), transcribeTimeoutMs,
        asr.key.value_or(QString()), "multipart/form-data; boundary=" + boundary);
    const QJsonObject result = co_await send(asr.session, asr.apiBase, request, std::move(body), abort);
    co_return CloudASR::readTranscription(result, vocabulary);
}

QCoro::Task<QString> transcribeWithFallback(CloudASR asr, QString file, QStringList vocabulary,
                                            std::shared_ptr<RequestAbort> abort) {
    if (!asr.key || asr.key->isEmpty()) throw CloudASR::Failure(CloudASR::Failure::Kind::noKey);
    try {
        co_return co_await transcribeOnce(asr, file, vocabulary, asr.transcribeModel, abort);
    } catch (const CloudASR::Failure& failure) {
        if (failure.kind() != CloudASR::Failure::Kind::http ||
            (failure.code() != 400 && failure.code() != 404))
            throw;
    }
    // The configured model is unknown to this server: one more try with the older model.
    co_return co_await transcribeOnce(asr, file, vocabulary, QStringLiteral("whisper-1"), abort);
}

QCoro::Task<QString> tidyText(CloudASR asr, QString text, QStringList vocabulary,
                              std::shared_ptr<RequestAbort> abort) {
    if (!asr.key || asr.key->isEmpty()) throw CloudASR::Failure(CloudASR::Failure::Kind::noKey);
    QString system = CloudASR::tidyPrompt();
    const QString hint = vocabularyHint(vocabulary);
    if (!hint.isEmpty()) system += QStringLiteral("\n\n") + hint;
    const QJsonObject payload{
        {"model", asr.tidyModel},
        {"reasoning_effort", asr.tidyEffort},
        {"max_completion_tokens", 700},
        {"messages", QJsonArray{QJsonObject{{"role", "system"}, {"content", system}},
                                QJsonObject{{"role", "user"},
                                            {"content", QStringLiteral("<原文>\n") + text +
                                                            QStringLiteral("\n</原文>")}}}},
    };
    const QNetworkRequest request =
        makeRequest(appendingPathComponent(asr.apiBase, QStringLiteral("chat/completions")), tidyTimeoutMs,
                    *asr.key, "application/json");
    const QJsonObject result = co_await send(asr.session, asr.apiBase, request,
                                             QJsonDocument(payload).toJson(QJsonDocument::Compact), abort);
    co_return CloudASR::readTidied(result, text);
}

} // namespace

// MARK: - Answers

QJsonObject CloudASR::readAnswer(const QByteArray& body) {
    const QJsonValue value = parseJson(body);
    if (!value.isObject()) throw Failure(Failure::Kind::badResponse);
    return value.toObject();
}

QString CloudASR::readTranscription(const QJsonObject& result, const QStringList& vocabulary) {
    const QJsonValue text = result.value("text");
    if (!text.isString()) throw Failure(Failure::Kind::badResponse);
    const QString trimmedText = trimmed(text.toString());
    return isHallucination(trimmedText, vocabulary) ? QString() : trimmedText;
}

QString CloudASR::readTidied(const QJsonObject& result, const QString& text) {
    // A list of choice objects, at least one; anything else in it makes the answer unreadable.
    const QJsonArray choices = result.value("choices").toArray();
    if (!result.value("choices").isArray() || choices.isEmpty() ||
        !std::all_of(choices.begin(), choices.end(), [](const QJsonValue& c) { return c.isObject(); }))
        throw Failure(Failure::Kind::badResponse);
    const QJsonObject first = choices.first().toObject();
    const QJsonValue message = first.value("message");
    if (!message.isObject() || !message.toObject().value("content").isString())
        throw Failure(Failure::Kind::badResponse);
    // An answer that stopped for any other reason (token limit, filter) is cut off: keep the raw text.
    const QJsonValue finish = first.value("finish_reason");
    if (finish.isString() && finish.toString() != QLatin1String("stop")) return text;
    return accept(message.toObject().value("content").toString(), text);
}

// MARK: - Failure

CloudASR::Failure::Failure(Kind kind, int code, QString detail)
    : kind_(kind), code_(code), detail_(std::move(detail)), utf8_(message().toUtf8()) {}

QString CloudASR::Failure::message() const {
    switch (kind_) {
    case Kind::http:
        if (code_ == 401) return QStringLiteral("API Key 不对或已失效（401）");
        return QStringLiteral("云端返回错误（") + QString::number(code_) + QStringLiteral("）") + detail_;
    case Kind::noKey:
        return QStringLiteral("还没有填 API Key");
    case Kind::badResponse:
        return QStringLiteral("云端返回的内容看不懂");
    case Kind::timeout:
        return QStringLiteral("云端太慢，已超时");
    }
    return {};
}

// MARK: - Configuration

CloudASR::CloudASR()
    : session(sharedSession()), apiBase(defaultBase()), transcribeModel(QStringLiteral("gpt-4o-transcribe")),
      tidyModel(QStringLiteral("gpt-6-luna")), tidyEffort(QStringLiteral("low")) {
    if (auto relay = proxy()) key = relay->token;
}

CloudASR::CloudASR(QNetworkAccessManager* session, QUrl apiBase, QString transcribeModel, QString tidyModel,
                   QString tidyEffort, std::optional<QString> key)
    : session(session), apiBase(std::move(apiBase)), transcribeModel(std::move(transcribeModel)),
      tidyModel(std::move(tidyModel)), tidyEffort(std::move(tidyEffort)), key(std::move(key)) {}

QUrl CloudASR::openAIBase() {
    return QUrl(QStringLiteral("https://api.openai.com/v1"));
}

QUrl CloudASR::defaultBase() {
    if (auto relay = proxy()) return relay->base;
    return openAIBase();
}

QNetworkAccessManager* CloudASR::sharedSession() {
    static QNetworkAccessManager* manager = new QNetworkAccessManager(QCoreApplication::instance());
    return manager;
}

std::optional<CloudASR::Proxy> CloudASR::proxy() {
    const auto urlText = BundleInfo::value(QStringLiteral("YarrikProxyURL"));
    const auto token = BundleInfo::value(QStringLiteral("YarrikProxyToken"));
    if (!urlText || !token || token->isEmpty()) return std::nullopt;
    const QUrl url(*urlText, QUrl::StrictMode);
    if (!url.isValid()) return std::nullopt;
    // The scheme exactly as written (QUrl would lower-case it).
    const QString scheme = urlText->section(':', 0, 0);
    const bool secure = scheme == QLatin1String("https");
    const bool local = scheme == QLatin1String("http") && isLoopback(url);
    if (!secure && !local) return std::nullopt;
    return Proxy{appendingPathComponent(url, QStringLiteral("v1")), *token};
}

QString CloudASR::deviceID() {
    return deviceID(Defaults::standard());
}

QString CloudASR::deviceID(Defaults& defaults) {
    // One lock around read-and-create: two first uses at once must not make two identifiers.
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const QVariant stored = defaults.value(QStringLiteral("cloudDeviceID"));
    if (stored.typeId() == QMetaType::QString && !stored.toString().isEmpty()) return stored.toString();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    defaults.setValue(QStringLiteral("cloudDeviceID"), id);
    return id;
}

// MARK: - Requests

QCoro::Task<QString> CloudASR::transcribe(QString file, QStringList vocabulary,
                                          std::shared_ptr<RequestAbort> abort) const {
    return transcribeWithFallback(*this, std::move(file), std::move(vocabulary), std::move(abort));
}

QCoro::Task<QString> CloudASR::tidy(QString text, QStringList vocabulary,
                                    std::shared_ptr<RequestAbort> abort) const {
    return tidyText(*this, std::move(text), std::move(vocabulary), std::move(abort));
}

void CloudASR::warmUp() const {
    QNetworkRequest request(endpoint(QStringLiteral("models")));
    request.setTransferTimeout(warmUpTimeoutMs);
    QNetworkReply* reply = session->head(request);
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
}

QUrl CloudASR::endpoint(const QString& path) const {
    return appendingPathComponent(apiBase, path);
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
