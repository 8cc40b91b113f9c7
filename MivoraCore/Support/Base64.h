#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace mivora {

// Standard Base64 (A-Z a-z 0-9 + /) with "=" padding and no line breaks, read strictly: every text has
// exactly one reading, so a blob that passed through a mail client or a text field is refused, not guessed.
namespace Base64 {

QString encode(QByteArrayView bytes);

// Absent for a length that is not a multiple of four, any character outside the alphabet (white space
// included), padding anywhere but at the end or more than two "=", and unused bits that are not zero.
std::optional<QByteArray> decode(QStringView text);

} // namespace Base64
} // namespace mivora
