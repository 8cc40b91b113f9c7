#pragma once

#include "Support/UserError.h"

#include <QString>

namespace mivora {

// A body that should be JSON and is not. The message is the user-facing Chinese text; `detail` keeps the
// parser's description for the log.
class JsonParseError : public UserError {
public:
    explicit JsonParseError(QString detail)
        : UserError(QStringLiteral("未能读取数据，因为它的格式不正确。")), detail_(std::move(detail)) {}

    QString detail() const { return detail_; }

private:
    QString detail_;
};

} // namespace mivora
