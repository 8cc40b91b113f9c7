#include "SingleInstanceMessage.h"

namespace mivora {

namespace {
const QByteArray reopenLine = "reopen\n";
const QByteArray openPrefix = "open "; // followed by the encoded URL and a line feed
} // namespace

std::optional<SingleInstanceMessage> SingleInstanceMessage::openRequest(const QUrl& url) {
    if (!url.isValid()) return std::nullopt;
    return SingleInstanceMessage{Kind::open, url};
}

QByteArray SingleInstanceMessage::line() const {
    if (kind == Kind::reopen) return reopenLine;
    return openPrefix + url.toEncoded() + '\n';
}

std::optional<SingleInstanceMessage> SingleInstanceMessage::read(const QByteArray& line) {
    if (line == reopenLine) return reopenRequest();
    // One line exactly: anything after its line feed is no part of this request.
    if (!line.startsWith(openPrefix) || line.indexOf('\n') != line.size() - 1) return std::nullopt;
    const QByteArray encoded = line.mid(openPrefix.size()).trimmed();
    return openRequest(QUrl::fromEncoded(encoded));
}

} // namespace mivora
