#pragma once

#include "Memories/Memory.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

namespace mivora {

// One scripted case of the self-test, read from a JSON array such as
//   [{"name": "口述", "dictate": "take.wav", "expect": {"text": "今天天气很好"}},
//    {"name": "问地址", "recall": "address.wav", "expect": {"text": "北京市朝阳区"}},
//    {"name": "没声音", "dictate": "silence.wav", "expect": {"notice": "没听清"}},
//    {"name": "递上", "type": "我的地址", "expect": {"offer": "我的地址", "text": "北京市朝阳区"}}]
// Audio paths are relative to the case file's folder. A case may bring "memories" ([{"title", "value",
// "type"?, "sensitive"?}]) that are stored before it runs.
struct SelfTestCase {
    enum class Kind { dictate, recall, type };
    QString name;
    Kind kind = Kind::dictate;
    QString input; // the audio file's absolute path, or the text typed before the caret
    QList<Memory> memories;
    std::optional<QString> text;   // what the take or the accepted offer put in (exactly)
    std::optional<QString> notice; // a notice containing this text
    std::optional<QString> offer;  // the title of the memory offered
};

namespace SelfTestCases {
// The cases, or a message naming what is wrong (in Chinese, for the report and stderr).
std::variant<QList<SelfTestCase>, QString> read(const QByteArray& json, const QDir& base);
} // namespace SelfTestCases

} // namespace mivora
