#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace mivora {

// A body that should be JSON and is not. The message is the user-facing Chinese text; `detail` keeps the
// parser's description for the log.
class JsonParseError : public std::exception {
public:
    explicit JsonParseError(QString detail)
        : detail_(std::move(detail)), utf8_(QStringLiteral("未能读取数据，因为它的格式不正确。").toUtf8()) {}

    QString detail() const { return detail_; }
    QString message() const { return QString::fromUtf8(utf8_); }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString detail_;
    QByteArray utf8_;
};

} // namespace mivora
