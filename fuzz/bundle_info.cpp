// Info.json, the build-time settings: whatever the file holds, each key reads as a value or as absent.
#include "RoundTrip.h"
#include "Support/BundleInfo.h"

using namespace mivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BundleInfo::setOverride(BundleInfo::read(fuzz::bytes(data, size)));
    for (const char* key : {"YarrikProxyURL", "YarrikProxyToken", "YarrikKeychainGroup", "SUFeedURL",
                            "CFBundleShortVersionString", "CFBundleVersion"}) {
        const auto value = BundleInfo::value(QString::fromLatin1(key));
        fuzz::require(!value || !value->isEmpty(), "an empty setting reads as present");
    }
    return 0;
}
