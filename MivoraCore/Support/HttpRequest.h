#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

#include <optional>

namespace mivora {

// One HTTP request as the transport sends it: the headers go out in this order, after the transport's own
// "Host" and "Accept".
struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    std::optional<QByteArray> body; // none: no body and no Content-Length
    // The request gives up when no byte has moved either way for this long.
    int timeoutMs = 60000;
    // Exactly one attempt on a connection of its own, closed afterwards. A request sent on a kept-alive
    // connection that the server has just closed would otherwise be sent again on a new one, which a
    // request that must never arrive twice (a one-time code, a token refresh) cannot afford.
    bool oneAttempt = false;

    HttpRequest() = default;
    HttpRequest(QByteArray method, QUrl url) : method(std::move(method)), url(std::move(url)) {}

    // Sets a header; one of the same name (any case) is removed first, so the new one goes out last.
    void setHeader(const QByteArray& name, const QByteArray& value) {
        headers.removeIf([&](const auto& h) { return h.first.compare(name, Qt::CaseInsensitive) == 0; });
        headers.append({name, value});
    }
};

// A complete HTTP answer: any status, with its body.
struct HttpResponse {
    int status = 0;
    QByteArray body;
};

} // namespace mivora
