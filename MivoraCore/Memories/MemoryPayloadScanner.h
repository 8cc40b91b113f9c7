#pragma once

#include "Memories/MemoryPayload.h"

#include <QByteArrayView>

#include <optional>

namespace mivora {

// A quick reader for a payload in the plain form this system writes: any member order and white space,
// texts with no "\u" escapes and in well-formed UTF-8, integers written as such, each member once. A large
// payload reads several times faster than through a parsed JSON document.
//
// It answers only when it is sure: nothing means "ask the full parser", never "this is no payload". Whatever
// it does answer, the full parser and MemoryPayload::decode answer the same.
class MemoryPayloadScanner {
public:
    MemoryPayloadScanner() = delete;

    static std::optional<MemoryPayload> read(QByteArrayView json);
};

} // namespace mivora
