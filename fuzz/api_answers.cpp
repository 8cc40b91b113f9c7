// The API's answers: a transcription, a chat completion and an error body read from the same bytes. A body
// may be refused only with the errors the recogniser turns into a notice.
#include "Cloud/CloudASR.h"
#include "RoundTrip.h"
#include "Support/JsonParseError.h"

using namespace mivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString original = QStringLiteral("嗯那个我想说一下明天的会议改到三点");
    const QByteArray body = fuzz::bytes(data, size);
    try {
        CloudASR::readTranscription(body);
    } catch (const JsonParseError&) {
    } catch (const CloudASR::Failure& failure) {
        fuzz::require(failure.kind() == CloudASR::Failure::Kind::badResponse,
                      "transcription: unexpected failure");
    }
    try {
        if (const auto answer = CloudASR::readChatAnswer(body)) {
            const QString tidied = CloudASR::accept(*answer, original);
            fuzz::require(!tidied.isEmpty(), "an answer tidied the text away");
        }
    } catch (const JsonParseError&) {
    } catch (const CloudASR::Failure& failure) {
        fuzz::require(failure.kind() == CloudASR::Failure::Kind::badResponse, "chat: unexpected failure");
    }
    CloudASR::readErrorMessage(body); // never throws
    return 0;
}
