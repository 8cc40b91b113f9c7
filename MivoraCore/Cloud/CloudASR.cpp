#include "Cloud/CloudASR.h"

#include "Cloud/EchoFilter.h"
#include "Cloud/MultipartBody.h"
#include "Cloud/OpenAI.h"
#include "Cloud/TranscriptText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mivora {

using namespace TranscriptText;

namespace {

constexpr int transcribeTimeoutMs = 8000;
constexpr int tidyTimeoutMs = 6000;

QString describe(CloudASR::Failure::Kind kind, int code, const QString& detail) {
    using Kind = CloudASR::Failure::Kind;
    switch (kind) {
    case Kind::http:
        if (code == 401) return QStringLiteral("API Key 不对或已失效（401）");
        return QStringLiteral("云端返回错误（") + QString::number(code) + QStringLiteral("）") + detail;
    case Kind::noKey:
        return QStringLiteral("还没有填 API Key");
    case Kind::badResponse:
        return QStringLiteral("云端返回的内容看不懂");
    case Kind::timeout:
        return QStringLiteral("云端太慢，已超时");
    }
    return {};
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

QByteArray readAudio(const QString& file) {
    QFile f(file);
    QByteArray audio;
    if (f.open(QIODevice::ReadOnly)) audio = f.readAll();
    if (!f.isOpen() || f.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("读不了录音文件 %1：%2").arg(file, f.errorString()));
    return audio;
}

void requireKey(const CloudASR& asr) {
    if (!asr.key || asr.key->isEmpty()) throw CloudASR::Failure(CloudASR::Failure::Kind::noKey);
}

} // namespace

CloudASR::Failure::Failure(Kind kind, int code, QString detail)
    : UserError(describe(kind, code, detail)), kind_(kind), code_(code), detail_(std::move(detail)) {}

CloudASR::CloudASR(HttpClient& session, Defaults& defaults)
    : session(&session), defaults(&defaults), apiBase(defaultBase()),
      transcribeModel(OpenAI::transcribeModel()), tidyModel(OpenAI::tidyModel()),
      tidyEffort(OpenAI::tidyEffort()) {
    if (auto relay = proxy()) key = relay->token;
}

CloudASR::CloudASR(HttpClient& session, Defaults& defaults, QUrl apiBase, QString transcribeModel,
                   QString tidyModel, QString tidyEffort, std::optional<QString> key)
    : session(&session), defaults(&defaults), apiBase(std::move(apiBase)),
      transcribeModel(std::move(transcribeModel)), tidyModel(std::move(tidyModel)),
      tidyEffort(std::move(tidyEffort)), key(std::move(key)) {}

QCoro::Task<QString> CloudASR::transcribe(QString file, QStringList vocabulary,
                                          std::shared_ptr<RequestAbort> abort) const {
    requireKey(*this);
    const CloudASR asr = *this; // copied before the first wait (tasks start at once): the caller may go
    const QByteArray audio = readAudio(file);
    auto once = [&](QString model) -> QCoro::Task<QString> {
        MultipartBody body;
        body.addField("model", model);
        body.addField("language", QStringLiteral("zh"));
        body.addField("response_format", QStringLiteral("json"));
        body.addField("temperature", QStringLiteral("0"));
        const QString hint = vocabularyHint(vocabulary);
        if (!hint.isEmpty()) body.addField("prompt", hint);
        body.addFile("file", "speech.wav", "audio/wav", audio);
        const QByteArray answer =
            co_await asr.post(QStringLiteral("audio/transcriptions"), transcribeTimeoutMs, body.contentType(),
                              body.finish(), abort);
        const QString text = readTranscription(answer);
        co_return EchoFilter::isHallucination(text, vocabulary) ? QString() : text;
    };
    try {
        co_return co_await once(asr.transcribeModel);
    } catch (const Failure& failure) {
        if (failure.kind() != Failure::Kind::http || (failure.code() != 400 && failure.code() != 404)) throw;
    }
    // The configured model is unknown to this server: one more try with the older model.
    co_return co_await once(OpenAI::fallbackTranscribeModel());
}

QCoro::Task<QString> CloudASR::tidy(QString text, QStringList vocabulary,
                                    std::shared_ptr<RequestAbort> abort) const {
    requireKey(*this);
    const CloudASR asr = *this;
    QString system = tidyPrompt();
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
    const QByteArray answer =
        co_await asr.post(QStringLiteral("chat/completions"), tidyTimeoutMs, "application/json",
                          QJsonDocument(payload).toJson(QJsonDocument::Compact), abort);
    const std::optional<QString> content = readChatAnswer(answer);
    // An answer that was cut off is no copy of the text: keep the raw text.
    co_return content ? accept(*content, text) : text;
}

} // namespace mivora
