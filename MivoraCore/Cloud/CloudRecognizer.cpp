#include "Cloud/CloudRecognizer.h"

#include "Cloud/Deadline.h"
#include "Cloud/EchoFilter.h"
#include "Cloud/OpenAI.h"
#include "Cloud/TranscriptText.h"
#include "Support/Defaults.h"
#include "Support/Paths.h"
#include "Support/Text.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace mivora {

using namespace TranscriptText;

namespace {

// What one recognition works with, copied at its start so the call does not depend on the recogniser
// object living on.
struct Context {
    CloudASR asr;
    CloudRecognizer::AccountToken accountToken;
    Scheduler* scheduler;
    Clock* clock;
};

// Removes the temporary WAV file however the call ends.
struct TemporaryFile {
    QString path;
    ~TemporaryFile() {
        if (!path.isEmpty()) QFile::remove(path);
    }
};

QStringList hintWords(const QStringList& vocabulary) {
    QStringList kept;
    for (const QString& word : vocabulary) {
        if (kept.size() >= 15) break;
        if (Text::graphemeCount(word) >= 2 && !kept.contains(word)) kept.append(word);
    }
    return kept;
}

// A developer key: "sk-" and the rest of one token. Anything else in the key file (a second line, a word
// before the key, a control character) would end up in the Authorization header.
bool isKey(const QString& key) {
    return key.startsWith(QStringLiteral("sk-")) && std::none_of(key.begin(), key.end(), [](QChar c) {
               return c.isSpace() || c.category() == QChar::Other_Control;
           });
}

// The request's credential: relays take the account's token when there is one, else the static key. The
// public OpenAI API only ever gets the developer key.
QCoro::Task<CloudASR> credential(Context ctx) {
    CloudASR asr = ctx.asr;
    if (!OpenAI::isPublic(asr.apiBase) && ctx.accountToken) {
        auto pending = ctx.accountToken();
        const std::optional<QString> token = co_await pending;
        // An empty token is no token: it must not replace a working relay token.
        if (token && !token->isEmpty()) asr.key = *token;
    }
    co_return asr;
}

// The credential, waited for no longer than `seconds`: the wait for the account's token may hang on a store
// that never answers (a keyring waiting to be unlocked), and must not hold the take.
QCoro::Task<CloudASR> credentialWithin(Context ctx, double seconds) {
    try {
        co_return co_await withinDeadline<CloudASR>(*ctx.scheduler, seconds, credential(ctx));
    } catch (const DeadlineExceeded&) {
    }
    throw CloudASR::Failure(CloudASR::Failure::Kind::timeout);
}

QCoro::Task<QString> transcribeWithin(Scheduler* scheduler, double seconds, CloudASR asr, QString file,
                                      QStringList vocabulary) {
    std::function<QCoro::Task<QString>(std::shared_ptr<RequestAbort>)> operation =
        [asr, file, vocabulary](std::shared_ptr<RequestAbort> abort) {
            return asr.transcribe(file, vocabulary, std::move(abort));
        };
    try {
        co_return co_await withDeadline<QString>(*scheduler, seconds, std::move(operation));
    } catch (const DeadlineExceeded&) {
    }
    throw CloudASR::Failure(CloudASR::Failure::Kind::timeout);
}

// One transcription, retried once without hints when the answer is empty or looks like the hints.
QCoro::Task<QString> safeTranscribe(Context ctx, QString file, double seconds, QStringList vocabulary) {
    const double d = CloudRecognizer::deadline(seconds);
    const CloudASR asr = co_await credentialWithin(ctx, d);
    const QStringList hints = hintWords(vocabulary);
    const bool isShort = seconds < 1.2;

    const QString a = co_await transcribeWithin(ctx.scheduler, d, asr, file, hints);
    const bool accepted = !a.isEmpty() && !EchoFilter::isPromptEcho(a, hints) &&
                          !(seconds < 4.0 && hints.contains(EchoFilter::bare(a)));
    if (accepted) co_return EchoFilter::isJunk(a, isShort) ? QString() : a;

    const QString b = co_await transcribeWithin(ctx.scheduler, d, asr, file, QStringList());
    if (EchoFilter::bare(b) == EchoFilter::bare(a))
        co_return a; // the hint-free retry confirms the first answer
    if (EchoFilter::isPromptEcho(b, hints) || EchoFilter::isJunk(b, isShort)) co_return QString();
    co_return b;
}

QCoro::Task<QString> transcribeClip(Context ctx, AudioClip clip, QStringList vocabulary) {
    const TemporaryFile wav{clip.writeWAV()};
    const QString text = co_await safeTranscribe(ctx, wav.path, clip.duration(), vocabulary);
    co_return EchoFilter::simplified(text);
}

QCoro::Task<QString> recognizeClip(Context ctx, AudioClip clip, QStringList vocabulary) {
    const TemporaryFile wav{clip.writeWAV()};
    const double start = ctx.clock->uptime();
    const double seconds = clip.duration();
    const QString text = co_await safeTranscribe(ctx, wav.path, seconds, vocabulary);
    if (text.isEmpty() || !CloudRecognizer::needsTidy(text)) co_return EchoFilter::simplified(text);

    // The clean-up gets what transcription left of the deadline, and at least 1.5 s.
    const double elapsed = ctx.clock->uptime() - start;
    const QStringList hints = hintWords(vocabulary);
    const double budget = std::max(1.5, CloudRecognizer::deadline(seconds) - elapsed);
    std::optional<QString> tidied;
    try {
        const CloudASR asr = co_await credentialWithin(ctx, budget);
        std::function<QCoro::Task<QString>(std::shared_ptr<RequestAbort>)> operation =
            [asr, text, hints](std::shared_ptr<RequestAbort> abort) {
                return asr.tidy(text, hints, std::move(abort));
            };
        tidied = co_await withDeadline<QString>(*ctx.scheduler, budget, std::move(operation));
    } catch (...) {
        // Any failure of the clean-up leaves the transcript as it is; dictation never fails here.
    }
    if (!tidied || EchoFilter::isPromptEcho(*tidied, hints)) co_return EchoFilter::simplified(text);
    co_return EchoFilter::simplified(*tidied);
}

} // namespace

CloudRecognizer::CloudRecognizer(CloudASR asr, AccountToken accountToken, Scheduler& scheduler, Clock& clock)
    : asr(std::move(asr)), accountToken(std::move(accountToken)), scheduler_(&scheduler), clock_(&clock) {}

QString CloudRecognizer::keyFile() {
    return Paths::developerDir() + QStringLiteral("/openai_key");
}

std::unique_ptr<CloudRecognizer> CloudRecognizer::make(HttpClient& network, Defaults& defaults,
                                                       Scheduler& scheduler, Clock& clock) {
    if (CloudASR::proxy())
        return std::make_unique<CloudRecognizer>(CloudASR(network, defaults), AccountToken(), scheduler,
                                                 clock);
    QFile file(keyFile());
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return nullptr;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) return nullptr;
    const QString key = trimmed(text);
    if (!isKey(key)) return nullptr;
    return std::make_unique<CloudRecognizer>(CloudASR(network, defaults, OpenAI::base(),
                                                      OpenAI::transcribeModel(), OpenAI::tidyModel(),
                                                      OpenAI::tidyEffort(), key),
                                             AccountToken(), scheduler, clock);
}

std::unique_ptr<CloudRecognizer> CloudRecognizer::viaProxy(const QUrl& base, AccountToken accountToken,
                                                           HttpClient& network, Defaults& defaults,
                                                           Scheduler& scheduler, Clock& clock) {
    return std::make_unique<CloudRecognizer>(CloudASR(network, defaults, base, OpenAI::transcribeModel(),
                                                      OpenAI::tidyModel(), OpenAI::tidyEffort(), QString()),
                                             std::move(accountToken), scheduler, clock);
}

double CloudRecognizer::deadline(double seconds) {
    return std::min(30.0, 6.0 + 0.15 * std::max(0.0, seconds - 10.0));
}

bool CloudRecognizer::needsTidy(const QString& text) {
    const QString t = trimmed(text);
    const QStringList chars = Text::graphemes(t);
    if (chars.size() >= 21) return true;
    static const QStringList markers = {
        QStringLiteral("嗯"),   QStringLiteral("啊"),   QStringLiteral("呃"),     QStringLiteral("额"),
        QStringLiteral("哦"),   QStringLiteral("那个"), QStringLiteral("就是"),   QStringLiteral("然后"),
        QStringLiteral("不对"), QStringLiteral("不是"), QStringLiteral("我是说"), QStringLiteral("应该是"),
        QStringLiteral("改成"), QStringLiteral("算了"), QStringLiteral("第一"),   QStringLiteral("第二"),
        QStringLiteral("首先"), QStringLiteral("其次"), QStringLiteral("最后"),   QStringLiteral("一是"),
        QStringLiteral("尊敬"), QStringLiteral("各位"), QStringLiteral("大家好"), QStringLiteral("此致"),
    };
    for (const QString& m : markers)
        if (t.contains(m)) return true;
    static const QString stutters = QStringLiteral("我你他她它这那就是");
    for (qsizetype i = 0; i + 1 < chars.size(); ++i)
        if (chars[i] == chars[i + 1] && chars[i].size() == 1 && stutters.contains(chars[i])) return true;
    for (qsizetype len : {2, 3}) {
        for (qsizetype i = 0; i + 2 * len <= chars.size(); ++i) {
            // A Latin word repeated is fine. CR LF is one character and an ASCII one.
            if (std::all_of(chars[i].begin(), chars[i].end(), [](QChar c) { return c.unicode() < 0x80; }))
                continue;
            bool same = true;
            for (qsizetype k = 0; k < len && same; ++k)
                same = chars[i + k] == chars[i + len + k];
            if (same) return true;
        }
    }
    return false;
}

QCoro::Task<QString> CloudRecognizer::recognize(AudioClip clip, QStringList vocabulary) {
    return recognizeClip(Context{asr, accountToken, scheduler_, clock_}, std::move(clip),
                         std::move(vocabulary));
}

QCoro::Task<QString> CloudRecognizer::transcribe(AudioClip clip, QStringList vocabulary) {
    return transcribeClip(Context{asr, accountToken, scheduler_, clock_}, std::move(clip),
                          std::move(vocabulary));
}

void CloudRecognizer::warmUp() {
    asr.warmUp();
    Text::prepareSimplified(); // the answer of this take is converted with it
}

} // namespace mivora
