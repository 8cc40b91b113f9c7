// The two files of the memory store, read and written by the store's own functions: the same bytes are
// tried as "memories.json" and as "deleted.json".
#include "Memories/MemoryStore.h"
#include "RoundTrip.h"

using namespace mivora;

namespace {
template <typename Read, typename Write>
void roundTrip(const QByteArray& input, Read read, Write write, const char* file) {
    const auto value = read(input);
    if (!value) return;
    const QByteArray out = write(*value);
    const auto again = read(out);
    fuzz::require(again.has_value(), file, out);
    fuzz::require(*again == *value, file, out);
    fuzz::require(write(*again) == out, file, out);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    roundTrip(input, MemoryStore::readMemories, MemoryStore::writeMemories, "memories.json");
    roundTrip(input, MemoryStore::readDeleted, MemoryStore::writeDeleted, "deleted.json");
    return 0;
}
