// The API's success answers: the transcription and the chat completion read from the same body. A body
// may be refused only with the errors the recogniser turns into a notice.
#include "Cloud/CloudASR.h"
#include "RoundTrip.h"
#include "Support/JsonParseError.h"

using namespace mivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QStringList vocabulary{QStringLiteral("发票抬头"), QStringLiteral("家庭地址"),
                                        QStringLiteral("Mivora")};
    static const QString original = QStringLiteral("嗯那个我想说一下明天的会议改到三点");
    QJsonObject answer;
    try {
        answer = CloudASR::readAnswer(fuzz::bytes(data, size));
    } catch (const JsonParseError&) {
        return 0;
    } catch (const CloudASR::Failure&) {
        return 0;
    }
    try {
        CloudASR::readTranscription(answer, vocabulary);
    } catch (const CloudASR::Failure& failure) {
        fuzz::require(failure.kind() == CloudASR::Failure::Kind::badResponse,
                      "transcription: unexpected failure");
    }
    try {
        const QString tidied = CloudASR::readTidied(answer, original);
        fuzz::require(!tidied.isEmpty(), "an answer tidied the text away");
    } catch (const CloudASR::Failure& failure) {
        fuzz::require(failure.kind() == CloudASR::Failure::Kind::badResponse, "chat: unexpected failure");
    }
    return 0;
}
