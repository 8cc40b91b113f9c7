#pragma once

#include "Cloud/RequestAbort.h"
#include "Support/UserError.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>

namespace mivora {

class Defaults;
class HttpClient;

// The client of the OpenAI-style API: transcription upload, chat clean-up and the warm-up request, sent
// either to the public OpenAI API with a developer key or to the relay configured in Info.json. A value:
// copies are independent (the recogniser copies it to swap in a per-request key). Every call builds a
// fresh request on the HTTP client it was given (its creator keeps the client alive longer
// than any copy); nothing is cached and only the transcription's model fallback is retried here.
//
// Errors: CloudASR::Failure for HTTP errors, a missing key and malformed answers; NetworkError when no
// HTTP answer came (including the request time-outs: 8 s transcription, 6 s chat); JsonParseError for a
// success body that is not JSON.
//
// The implementation is split by concern: requests (CloudASR.cpp), transport (+Transport), the relay and
// device identifier (+Relay), reading answers (+Answers) and the clean-up prompt (+TidyPrompt).
class CloudASR {
public:
    class Failure : public UserError {
    public:
        enum class Kind { http, noKey, badResponse, timeout };
        explicit Failure(Kind kind, int code = 0, QString detail = {});

        Kind kind() const { return kind_; }
        int code() const { return code_; }
        QString detail() const { return detail_; } // the server's message, at most 80 characters

    private:
        Kind kind_;
        int code_;
        QString detail_;
    };

    struct Proxy {
        QUrl base; // the configured URL with the path component "v1" appended
        QString token;
    };

    HttpClient* session;
    Defaults* defaults; // where the device identifier is kept
    QUrl apiBase;
    QString transcribeModel;
    QString tidyModel;
    QString tidyEffort;
    std::optional<QString> key; // absent or empty: not configured

    // The relay: relay base and relay token (call only when `proxy()` is present).
    CloudASR(HttpClient& session, Defaults& defaults);
    CloudASR(HttpClient& session, Defaults& defaults, QUrl apiBase, QString transcribeModel,
             QString tidyModel, QString tidyEffort, std::optional<QString> key);

    // The relay base when a relay is configured, else the public OpenAI base.
    static QUrl defaultBase();
    // The relay from Info.json ("YarrikProxyURL", "YarrikProxyToken"), read anew on every call. Present
    // when the token is not empty and the URL has a host and the scheme "https" (or plain "http" to this
    // machine's loopback, for local relays during development).
    static std::optional<Proxy> proxy();

    // The per-installation identifier sent to relays in "X-Yarrik-Device": kept under "cloudDeviceID",
    // made on first use, exactly once even when first uses race.
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

    // Readers of a success body. The text of a transcription answer, trimmed. The message content of a chat
    // answer, or nullopt when the answer stopped early (token limit, filter) and so is cut off. Both throw
    // JsonParseError for a body that is not JSON and Failure badResponse for any other shape.
    static QString readTranscription(const QByteArray& body);
    static std::optional<QString> readChatAnswer(const QByteArray& body);
    // The server's message in an error body ({"error": {"message": …}}), empty when there is none.
    static QString readErrorMessage(const QByteArray& body);

    // Guards against a chat answer that is not a tidied copy of `original`.
    static QString accept(const QString& answer, const QString& original);

    // The built-in system prompt of the clean-up.
    static const QString& tidyPrompt();

private:
    // POSTs `body` to `path` under the API base with the key as bearer token and returns the body of a 2xx
    // answer. Relays (any host but the public API) get the device header.
    QCoro::Task<QByteArray> post(QString path, int timeoutMs, QByteArray contentType, QByteArray body,
                                 std::shared_ptr<RequestAbort> abort) const;
    // `url` with one more path component, joined by exactly one "/".
    static QUrl appending(QUrl url, const QString& component);
};

} // namespace mivora
