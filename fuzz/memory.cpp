// One memory record: what reads must write to bytes that read to the same record and write the same bytes.
#include "Memories/Memory.h"
#include "RoundTrip.h"
#include "Support/JsonWriter.h"

using namespace mivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto memory = Memory::decode(fuzz::json(fuzz::bytes(data, size)));
    if (!memory) return 0;
    for (const bool pretty : {false, true}) {
        JsonWriter w(/*sortedKeys=*/false, pretty);
        memory->encode(w);
        const QByteArray written = w.data();
        const auto again = Memory::decode(fuzz::json(written));
        fuzz::require(again.has_value(), "a written memory does not read", written);
        fuzz::require(*again == *memory, "a written memory reads differently", written);
        JsonWriter w2(/*sortedKeys=*/false, pretty);
        again->encode(w2);
        fuzz::require(w2.data() == written, "a memory writes differently the second time", written);
    }
    return 0;
}
