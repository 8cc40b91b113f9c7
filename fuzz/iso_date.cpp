// Dates of every file and payload: a date that reads must write text that reads as the same instant and
// writes the same text.
#include "RoundTrip.h"
#include "Support/IsoDate.h"

using namespace mivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto date = IsoDate::parse(QString::fromUtf8(fuzz::bytes(data, size)));
    if (!date) return 0;
    fuzz::require(date->isValid(), "a date reads as an invalid instant");
    const QString text = IsoDate::format(*date);
    const auto again = IsoDate::parse(text);
    fuzz::require(again.has_value(), "a written date does not read", text.toUtf8());
    fuzz::require(*again == *date, "a written date reads as another instant", text.toUtf8());
    fuzz::require(IsoDate::format(*again) == text, "a date writes differently the second time",
                  text.toUtf8());
    return 0;
}
