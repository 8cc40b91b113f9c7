#pragma once

#include "Account/BrowserSheet.h"
#include "Account/SignInCancelled.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace mivora::test {

// A browser that loads the start page and follows its redirect back to the program: the callback is the
// page's "Location". `closed` makes the user close the waiting window instead.
class FakeBrowser final : public BrowserSheet {
public:
    bool closed = false;
    QList<QUrl> opened;

    QCoro::Task<QUrl> open(QUrl start, QString callbackScheme) override {
        opened.append(start);
        if (closed) throw SignInCancelled();
        QNetworkRequest request(start);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        std::unique_ptr<QNetworkReply> reply(network_.get(request));
        co_await reply.get();
        const QUrl callback = QUrl::fromEncoded(reply->rawHeader("Location"));
        if (callback.scheme() != callbackScheme) throw SignInCancelled(); // never came back
        co_return callback;
    }

private:
    QNetworkAccessManager network_;
};

} // namespace mivora::test
