#pragma once

#include <QCoro/QCoroTask>
#include <QString>
#include <QUrl>

namespace mivora {

// The browser leg of a web sign-in: shows the start page in the user's browser and waits for the browser to
// come back to this program with a URL of the callback scheme.
class BrowserSheet {
public:
    virtual ~BrowserSheet() = default;
    // The callback URL. Throws SignInCancelled when the user gives up waiting, and a UserError saying
    // what is missing when no browser could be started.
    virtual QCoro::Task<QUrl> open(QUrl start, QString callbackScheme) = 0;
};

} // namespace mivora
