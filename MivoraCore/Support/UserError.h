#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <optional>

namespace mivora {

// The base of every error a user may read: `message()` is the Chinese text a notice shows, and `what()`
// returns the same text in UTF-8. Anything that is not a UserError has no text fit for the user.
class UserError : public std::exception {
public:
    explicit UserError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

    QString message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

    // The message of `error` when it is a UserError with a message; absent for anything else.
    static std::optional<QString> messageOf(std::exception_ptr error);

private:
    QString message_;
    QByteArray utf8_;
};

} // namespace mivora
