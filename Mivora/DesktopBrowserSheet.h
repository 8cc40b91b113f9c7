#pragma once

#include "Account/BrowserSheet.h"
#include "MivoraUI/Account/SignInWaitDialog.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

namespace mivora {

// The browser leg on the desktop: the user's default browser opens the start page, a small waiting dialog
// offers to cancel, and the callback arrives through `deliver` (the single-instance channel, fed by the
// scheme handler start). Closing or cancelling the dialog is SignInCancelled; one attempt at a time, a new
// one cancels the one before.
class DesktopBrowserSheet final : public QObject, public BrowserSheet {
    Q_OBJECT
public:
    using OpenUrl = std::function<bool(const QUrl&)>;
    // `openUrl` starts the browser (openInDefaultBrowser in the program); `provider` names it in the dialog
    // (empty: the start page's host tells Apple from Google).
    explicit DesktopBrowserSheet(OpenUrl openUrl, QString provider, QObject* parent = nullptr);
    // Opens `url` in the desktop's default browser; false when nothing opened it. What Qt prints on the way
    // (the whole address, the sign-in's state and challenge with it, when it finds no browser) stays off
    // stderr: the sheet says in its own words that no browser opened the page.
    static bool openInDefaultBrowser(const QUrl& url);
    ~DesktopBrowserSheet() override;

    // Fails with noBrowserMessage when nothing opens the start page.
    QCoro::Task<QUrl> open(QUrl start, QString callbackScheme) override;
    // What the user reads when no browser opens the start page of `provider`'s sign-in.
    static QString noBrowserMessage(const QString& provider);
    // A URL handed over by another start of the program; ignored unless it is the awaited callback.
    void deliver(const QUrl& url);
    // The waiting dialog while an attempt runs.
    SignInWaitDialog* dialog() const { return dialog_; }

signals:
    void ended();

private:
    void end(std::optional<QUrl> callback);

    OpenUrl openUrl_;
    QString provider_;
    QString scheme_;
    QPointer<SignInWaitDialog> dialog_;
    std::optional<QUrl> callback_;
};

} // namespace mivora
