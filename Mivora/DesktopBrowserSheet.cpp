#include "DesktopBrowserSheet.h"

#include "Account/AccountError.h"
#include "Account/SignInCancelled.h"
#include "MivoraUI/Account/SignInWaitDialog.h"
#include "Platform/PlatformWords.h"
#include "Support/QuietMessages.h"

#include <QCoro/QCoroSignal>
#include <QDesktopServices>

namespace mivora {

DesktopBrowserSheet::DesktopBrowserSheet(OpenUrl openUrl, QString provider, QObject* parent)
    : QObject(parent), openUrl_(std::move(openUrl)), provider_(std::move(provider)) {}

QString DesktopBrowserSheet::noBrowserMessage(const QString& provider) {
    return QStringLiteral("打不开 %1 登录页：").arg(provider) + PlatformWords::thisComputer() +
           QStringLiteral("没有能打开网页的默认浏览器。设好默认浏览器再试，或者先用邮箱登录。");
}

bool DesktopBrowserSheet::openInDefaultBrowser(const QUrl& url) {
    const QuietMessages quiet({url.toString(), QString::fromLatin1(url.toEncoded()), url.toDisplayString()});
    return QDesktopServices::openUrl(url);
}

DesktopBrowserSheet::~DesktopBrowserSheet() {
    end(std::nullopt); // an attempt still waiting ends as cancelled
}

QCoro::Task<QUrl> DesktopBrowserSheet::open(QUrl start, QString callbackScheme) {
    if (dialog_) end(std::nullopt); // the earlier attempt gives way
    // The program's one sheet serves both providers: the start page says which.
    const QString provider = !provider_.isEmpty()
                                 ? provider_
                                 : (start.host().contains(QLatin1String("google")) ? QStringLiteral("Google")
                                                                                   : QStringLiteral("Apple"));
    // Nothing opened the page: the desktop has no browser for it, which is what the user can fix.
    if (!openUrl_(start)) throw UserError(noBrowserMessage(provider));
    const QPointer<DesktopBrowserSheet> self(this);
    scheme_ = callbackScheme.toLower();
    callback_.reset();
    dialog_ = new SignInWaitDialog(provider);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &QDialog::finished, this, [this] { end(std::nullopt); });
    dialog_->show();
    co_await qCoro(this, &DesktopBrowserSheet::ended);
    if (!self || !callback_) throw SignInCancelled();
    const QUrl callback = *callback_; // a copy: QCoro would move the member out
    co_return callback;
}

void DesktopBrowserSheet::deliver(const QUrl& url) {
    if (dialog_ && url.scheme() == scheme_) end(url);
}

void DesktopBrowserSheet::end(std::optional<QUrl> callback) {
    if (!dialog_) return;
    callback_ = std::move(callback);
    const QPointer<SignInWaitDialog> dialog = dialog_;
    dialog_ = nullptr;
    dialog->disconnect(this);
    dialog->close();
    emit ended();
}

} // namespace mivora
