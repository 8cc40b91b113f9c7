#pragma once

#include "Memories/MemoryPayload.h"
#include "Support/JsonWriter.h"

namespace mivora {

// The encrypted sync layer: the payload format and its JSON writer settings.
class Vault {
public:
    Vault() = delete;

    // The decrypted sync payload: every memory and the tombstones of deleted ones.
    using Payload = MemoryPayload;

    static JsonWriter encoder() { return MemoryPayload::encoder(); }
};

} // namespace mivora
