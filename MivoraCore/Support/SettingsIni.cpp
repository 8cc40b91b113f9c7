#include "Support/SettingsIni.h"

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSettings>
#include <QSize>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace mivora::SettingsIni {

namespace {

bool isHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A key or group name: letters, digits and "-._" as they are, "/" as "\", anything else as %XX or %UXXXX.
void appendKey(const QString& key, QByteArray& out) {
    for (const QChar ch : key) {
        const char16_t c = ch.unicode();
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
            c == u'.' || c == u'_')
            out += char(c);
        else if (c == u'/')
            out += '\\';
        else if (c < 0x100)
            out += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        else
            out += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
    }
}

// One value's text: quoted when it holds a separator or starts or ends with a space; the binary forms
// ("@ByteArray(", "@Variant(") escape every byte past ASCII, plain text goes as UTF-8. A hexadecimal escape
// is never followed by a bare hex digit, which would read as part of it.
void appendText(const QString& text, QByteArray& out) {
    const bool binary = text.startsWith(QLatin1String("@ByteArray(")) ||
                        text.startsWith(QLatin1String("@Variant(")) ||
                        text.startsWith(QLatin1String("@DateTime("));
    const bool quoted =
        !text.isEmpty() && (text.front() == u' ' || text.back() == u' ' || text.contains(u',') ||
                            text.contains(u';') || text.contains(u'='));
    QString plain;
    const auto flush = [&] {
        out += plain.toUtf8();
        plain.clear();
    };
    if (quoted) out += '"';
    bool afterHex = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const char* named = nullptr;
        switch (c) {
        case u'"':
            named = "\\\"";
            break;
        case u'\\':
            named = "\\\\";
            break;
        case u'\a':
            named = "\\a";
            break;
        case u'\b':
            named = "\\b";
            break;
        case u'\f':
            named = "\\f";
            break;
        case u'\n':
            named = "\\n";
            break;
        case u'\r':
            named = "\\r";
            break;
        case u'\t':
            named = "\\t";
            break;
        case u'\v':
            named = "\\v";
            break;
        default:
            break;
        }
        if (named) {
            flush();
            out += named;
            afterHex = false;
        } else if (c == 0) {
            flush();
            out += "\\0";
            afterHex = true;
        } else if (c <= 0x1F || (binary && c >= 0x7F) || (afterHex && isHexDigit(c))) {
            flush();
            out += "\\x" + QByteArray::number(c, 16);
            afterHex = true;
        } else {
            plain += ch;
            afterHex = false;
        }
    }
    flush();
    if (quoted) out += '"';
}

QString streamed(const char* mark, const QVariant& value, QDataStream::Version version) {
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(version);
    if (value.typeId() == QMetaType::QDateTime)
        stream << value.toDateTime();
    else
        stream << value;
    return QLatin1String(mark) + QLatin1String(bytes) + u')';
}

QString asText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray:
        return QLatin1String("@ByteArray(") + QLatin1String(value.toByteArray()) + u')';
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double: {
        // Numbers and texts as they read; a text holding a NUL goes inside "@String(…)", as QSettings has it.
        const QString s = value.toString();
        if (s.contains(QChar::Null)) return QLatin1String("@String(") + s + u')';
        return s.startsWith(u'@') ? u'@' + s : s;
    }
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return QStringLiteral("@Rect(%1 %2 %3 %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    case QMetaType::QSize: {
        const QSize s = value.toSize();
        return QStringLiteral("@Size(%1 %2)").arg(s.width()).arg(s.height());
    }
    case QMetaType::QPoint: {
        const QPoint p = value.toPoint();
        return QStringLiteral("@Point(%1 %2)").arg(p.x()).arg(p.y());
    }
    case QMetaType::QDateTime:
        return streamed("@DateTime(", value, QDataStream::Qt_5_6);
    default:
        return streamed("@Variant(", value, QDataStream::Qt_4_0);
    }
}

void appendValue(const QVariant& value, QByteArray& out) {
    const bool list = value.typeId() == QMetaType::QStringList ||
                      (value.typeId() == QMetaType::QVariantList && value.toList().size() != 1);
    if (!list) return appendText(asText(value), out);
    const QVariantList items = value.toList();
    if (items.isEmpty()) return appendText(QStringLiteral("@Invalid()"), out);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        appendText(asText(items[i]), out);
    }
}

} // namespace

QMap<QString, QVariant> read(const QString& file, QString* failure) {
    QMap<QString, QVariant> values;
    // QSettings reads a file it cannot open as an empty one: try it first.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && failure) *failure = QString::fromLocal8Bit(std::strerror(errno));
        return values;
    }
    ::close(fd);
    const QSettings settings(file, QSettings::IniFormat);
    // The keys come sorted: each goes in at the end, without a search (a file is read at every save).
    for (const QString& key : settings.allKeys())
        values.insert(values.cend(), key, settings.value(key));
    return values;
}

QByteArray write(const QMap<QString, QVariant>& values) {
    // Keys outside a group come first, under "[General]"; a group that is itself named General is "%General".
    QMap<QString, QMap<QString, QVariant>> groups;
    // Sorted keys stay sorted within their group: each goes in at the end, without a search.
    for (auto it = values.begin(); it != values.end(); ++it) {
        const qsizetype slash = it.key().indexOf(u'/');
        QMap<QString, QVariant>& group = groups[slash < 0 ? QString() : it.key().left(slash)];
        group.insert(group.cend(), slash < 0 ? it.key() : it.key().mid(slash + 1), it.value());
    }
    QByteArray out;
    for (auto group = groups.begin(); group != groups.end(); ++group) {
        if (!out.isEmpty()) out += '\n';
        if (group.key().isEmpty())
            out += "[General]";
        else if (group.key().compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
            out += "[%" + group.key().toLatin1() + ']';
        else {
            out += '[';
            appendKey(group.key(), out);
            out += ']';
        }
        out += '\n';
        for (auto it = group->begin(); it != group->end(); ++it) {
            appendKey(it.key(), out);
            out += '=';
            appendValue(it.value(), out);
            out += '\n';
        }
    }
    return out;
}

} // namespace mivora::SettingsIni
