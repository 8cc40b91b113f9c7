// The single-instance channel: what a second program sends (a reopen, or the URL the browser opened it
// with) must reach the running one unchanged, and no line the running one reads may be taken for something
// it is not. The input is tried as a received line and as a URL to send.
#include "RoundTrip.h"
#include "SingleInstanceMessage.h"

#include <QString>

using namespace mivora;

namespace {

void asReceivedLine(const QByteArray& line) {
    const std::optional<SingleInstanceMessage> message = SingleInstanceMessage::read(line);
    if (!message) return;
    fuzz::require(line.endsWith('\n') && line.count('\n') == 1, "a line taken without one ending", line);
    if (message->kind == SingleInstanceMessage::Kind::reopen) {
        fuzz::require(line == "reopen\n", "a reopen that is not the reopen line", line);
        return;
    }
    fuzz::require(line.startsWith("open ") && message->url.isValid(), "an open without a valid URL", line);
    // What the running program took, sent again, is taken the same way.
    const std::optional<SingleInstanceMessage> again = SingleInstanceMessage::read(message->line());
    fuzz::require(again && again->url.toEncoded() == message->url.toEncoded(),
                  "a taken URL reads differently", message->line());
}

void asSentURL(const QUrl& url) {
    const std::optional<SingleInstanceMessage> message = SingleInstanceMessage::openRequest(url);
    fuzz::require(message.has_value() == url.isValid(), "a valid URL refused, or an invalid one sent");
    if (!message) return;
    const QByteArray line = message->line();
    fuzz::require(line.count('\n') == 1 && line.endsWith('\n'), "a request line broken in two", line);
    const std::optional<SingleInstanceMessage> received = SingleInstanceMessage::read(line);
    fuzz::require(received.has_value(), "a sent URL refused on the other side", line);
    // The encoded form is all that crosses; QUrl's own comparison also weighs how each was built.
    fuzz::require(received->url.toEncoded() == url.toEncoded(), "a sent URL arrives changed",
                  line + "\n" + received->url.toEncoded());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::bytes(data, size);
    asReceivedLine(bytes);
    asSentURL(QUrl::fromEncoded(bytes));
    asSentURL(QUrl(QString::fromUtf8(bytes)));
    return 0;
}
