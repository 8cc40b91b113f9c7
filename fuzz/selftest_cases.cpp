// The self-test's case file: whatever it holds, reading ends with cases or a message, and every case read
// has an input and something to expect, its texts exactly as the file wrote them.
#include "Modes/SelfTestCases.h"
#include "RoundTrip.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace mivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json = fuzz::bytes(data, size);
    const auto read = SelfTestCases::read(json, QDir(QStringLiteral("/cases")));
    const auto* cases = std::get_if<QList<SelfTestCase>>(&read);
    if (!cases) {
        fuzz::require(!std::get<QString>(read).isEmpty(), "a refused file says nothing");
        return 0;
    }
    const QJsonArray array = QJsonDocument::fromJson(json).array();
    fuzz::require(cases->size() == array.size(), "cases read and cases written differ in number");
    for (qsizetype i = 0; i < cases->size(); ++i) {
        const SelfTestCase& c = (*cases)[i];
        const QJsonObject object = array[i].toObject();
        fuzz::require(!c.name.isEmpty(), "a case without a name");
        fuzz::require(c.text || c.notice || c.offer, "a case with nothing to expect");
        if (!object.value("name").toString().isEmpty())
            fuzz::require(c.name == object.value("name").toString(), "a case's name changed on reading");
        if (c.kind == SelfTestCase::Kind::type)
            fuzz::require(c.input == object.value("type").toString(), "the typed text changed on reading");
        else
            fuzz::require(c.input.startsWith('/'), "an audio path not made absolute", c.input.toUtf8());
        if (c.text)
            fuzz::require(*c.text == object.value("expect")["text"].toString(), "an expected text changed");
    }
    return 0;
}
