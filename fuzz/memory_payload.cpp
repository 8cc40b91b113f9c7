// The sync payload: every memory and the tombstones, written the one way the sync engine seals them. The
// quick scanner must never answer where the JSON parser would not, nor answer differently.
#include "Memories/MemoryPayload.h"
#include "Memories/MemoryPayloadScanner.h"
#include "RoundTrip.h"

using namespace mivora;

namespace {
QByteArray written(const MemoryPayload& payload) {
    JsonWriter w = MemoryPayload::encoder();
    payload.encode(w);
    return w.data();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    const auto payload = MemoryPayload::decode(fuzz::json(input));
    if (const auto quick = MemoryPayloadScanner::read(input)) {
        fuzz::require(payload.has_value(), "the scanner reads what the parser refuses", input);
        fuzz::require(*quick == *payload, "the scanner reads differently from the parser", input);
    }
    if (!payload) return 0;
    const QByteArray out = written(*payload);
    const auto again = MemoryPayload::decode(fuzz::json(out));
    fuzz::require(again.has_value(), "a written payload does not read", out);
    fuzz::require(*again == *payload, "a written payload reads differently", out);
    fuzz::require(written(*again) == out, "a payload writes differently the second time", out);
    return 0;
}
