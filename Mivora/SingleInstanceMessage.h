#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace mivora {

// One request line of the single-instance channel: "reopen", or "open " with an encoded URL, each ending
// in a line feed. The running program echoes a line it took, so the asking one knows it was heard.
struct SingleInstanceMessage {
    enum class Kind { reopen, open };
    Kind kind = Kind::reopen;
    QUrl url; // open: a valid URL

    static SingleInstanceMessage reopenRequest() { return {}; }
    // Nothing for a URL that is not valid: it could not be read back.
    static std::optional<SingleInstanceMessage> openRequest(const QUrl& url);

    // The line to send: one line feed, at its end.
    QByteArray line() const;
    // A received line (its line feed included); nothing for anything else.
    static std::optional<SingleInstanceMessage> read(const QByteArray& line);

    bool operator==(const SingleInstanceMessage&) const = default;
};

} // namespace mivora
