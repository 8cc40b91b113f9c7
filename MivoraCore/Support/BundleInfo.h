#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace mivora {

// Build-time settings ("YarrikProxyURL", "YarrikProxyToken", "YarrikKeychainGroup", "SUFeedURL",
// "CFBundleShortVersionString", "CFBundleVersion"), read from Info.json beside the executable.
// A missing key, or one whose value is not a non-empty string, is absent.
namespace BundleInfo {

std::optional<QString> value(const QString& key);

// Where the values come from. Defaults to <application dir>/Info.json; the environment variable
// MIVORA_INFO_JSON names another file (used by developer runs against a local relay).
QString file();

// When MIVORA_INFO_JSON names a file that cannot be read or holds no JSON object: a Chinese sentence naming
// that file. Nothing otherwise (the file beside the executable may be missing: nothing is configured then).
std::optional<QString> problem();

// The values an Info.json holds: its top-level object, or none when it is anything else.
QJsonObject read(const QByteArray& bytes);

// Replaces the values for the rest of the process (tests); `reset()` goes back to the file.
void setOverride(const QJsonObject& values);
void reset();

} // namespace BundleInfo
} // namespace mivora
