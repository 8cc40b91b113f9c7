#pragma once

#include "Cloud/RequestAbort.h"

#include <QCoro/QCoroTask>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <exception>
#include <memory>
#include <optional>

namespace mivora {

class Defaults;

// The client of the OpenAI-style API: transcription upload, chat clean-up and the warm-up request, sent
// either to the public OpenAI API with a developer key or to the relay configured in Info.json. A value:
// copies are independent (the recogniser copies it to swap in a per-request key). Every call builds a
// fresh request on the shared network access manager; nothing is cached and only the transcription's
// model fallback is retried here.
//
// Errors: CloudASR::Failure for HTTP errors, a missing key and malformed answers; NetworkError when no
// HTTP answer came (including the request time-outs: 8 s transcription, 6 s chat); JsonParseError for a
// success body that is not JSON.
class CloudASR {
public:
    class Failure : public std::exception {
    public:
        enum class Kind { http, noKey, badResponse, timeout };
        explicit Failure(Kind kind, int code = 0, QString detail = {});

        Kind kind() const { return kind_; }
        int code() const { return code_; }
        QString detail() const { return detail_; } // the server's message, at most 80 characters
        QString message() const;
        const char* what() const noexcept override { return utf8_.constData(); }

    private:
        Kind kind_;
        int code_;
        QString detail_;
        QByteArray utf8_;
    };

    struct Proxy {
        QUrl base; // the configured URL with the path component "v1" appended
        QString token;
    };

    QNetworkAccessManager* session;
    QUrl apiBase;
    QString transcribeModel;
    QString tidyModel;
    QString tidyEffort;
    std::optional<QString> key; // absent or empty: not configured

    // The relay: relay base and relay token (call only when `proxy()` is present).
    CloudASR();
    CloudASR(QNetworkAccessManager* session, QUrl apiBase, QString transcribeModel, QString tidyModel,
             QString tidyEffort, std::optional<QString> key);

    static constexpr const char* openAIHost = "api.openai.com";
    // https://api.openai.com/v1
    static QUrl openAIBase();
    // The relay base when a relay is configured, else the public OpenAI base.
    static QUrl defaultBase();
    // The process-wide network access manager (main thread).
    static QNetworkAccessManager* sharedSession();

    // The relay from Info.json ("YarrikProxyURL", "YarrikProxyToken"), read anew on every call. Present
    // when the URL is https (or plain http to this machine's loopback, for local relays during
    // development) and the token is not empty.
    static std::optional<Proxy> proxy();

    // The per-installation identifier sent to relays in "X-Yarrik-Device": kept under "cloudDeviceID",
    // made on first use, exactly once even when first uses race.
    static QString deviceID();
    static QString deviceID(Defaults& defaults);

    // Recognised text of a WAV file, trimmed; empty when the answer looks like a hallucination. A 400 or
    // 404 is retried once with "whisper-1". `abort` (optional) lets a deadline cancel the request.
    QCoro::Task<QString> transcribe(QString file, QStringList vocabulary,
                                    std::shared_ptr<RequestAbort> abort = {}) const;
    // The chat clean-up of `text`, or `text` itself when the answer is not a usable tidied copy.
    QCoro::Task<QString> tidy(QString text, QStringList vocabulary,
                              std::shared_ptr<RequestAbort> abort = {}) const;
    // HEAD of "models" without credentials, to open the connection early; the result is ignored.
    void warmUp() const;

    // The readers of the answers, as the requests above use them. `readAnswer`: the JSON object of a
    // success body (JsonParseError when it is not JSON, Failure badResponse for any other value).
    static QJsonObject readAnswer(const QByteArray& body);
    // The trimmed text of a transcription answer; empty when it looks like a hallucination.
    static QString readTranscription(const QJsonObject& answer, const QStringList& vocabulary);
    // The tidied copy in a chat-completion answer, or `original` when the answer was cut off.
    static QString readTidied(const QJsonObject& answer, const QString& original);

    // Guards against a chat answer that is not a tidied copy of `original`.
    static QString accept(const QString& answer, const QString& original);

    // The built-in system prompt of the clean-up.
    static const QString& tidyPrompt();

private:
    QUrl endpoint(const QString& path) const;
};

} // namespace mivora
