#include "Support/IsoDate.h"

namespace mivora::IsoDate {

namespace {
// Reads exactly `n` ASCII digits at `pos`.
bool digits(QStringView s, qsizetype pos, int n, int& out) {
    if (pos + n > s.size()) return false;
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = s[pos + i].unicode();
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
    }
    out = v;
    return true;
}
} // namespace

QString format(const QDateTime& date) {
    const QDateTime utc = date.toUTC();
    const QDate d = utc.date();
    if (!d.isValid() || d.year() < 1 || d.year() > 9999)
        return utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
    // Written by hand: the formatter's pattern parsing dominates the writing of a large payload.
    const QTime t = utc.time();
    char16_t text[] = u"0000-00-00T00:00:00Z";
    auto put = [&](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            text[at + i] = char16_t(u'0' + value % 10);
    };
    put(0, d.year(), 4);
    put(5, d.month(), 2);
    put(8, d.day(), 2);
    put(11, t.hour(), 2);
    put(14, t.minute(), 2);
    put(17, t.second(), 2);
    return QString::fromUtf16(text, 20);
}

std::optional<QDateTime> parse(QStringView s) {
    int y, mo, d, h, mi, se;
    if (s.size() < 20) return std::nullopt;
    if (!digits(s, 0, 4, y) || s[4] != u'-' || !digits(s, 5, 2, mo) || s[7] != u'-' || !digits(s, 8, 2, d) ||
        s[10] != u'T' || !digits(s, 11, 2, h) || s[13] != u':' || !digits(s, 14, 2, mi) || s[16] != u':' ||
        !digits(s, 17, 2, se))
        return std::nullopt;
    int offsetSeconds = 0;
    const QStringView zone = s.mid(19);
    if (zone == u"Z") {
        offsetSeconds = 0;
    } else if (zone.size() == 6 && (zone[0] == u'+' || zone[0] == u'-') && zone[3] == u':') {
        int oh, om;
        if (!digits(zone, 1, 2, oh) || !digits(zone, 4, 2, om) || oh > 23 || om > 59) return std::nullopt;
        offsetSeconds = (oh * 3600 + om * 60) * (zone[0] == u'-' ? -1 : 1);
    } else {
        return std::nullopt;
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, se);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    // The offset is plain arithmetic: a time-zone object would quietly treat offsets it does not know as UTC.
    const QDateTime utc = QDateTime(date, time, Qt::UTC).addSecs(-offsetSeconds);
    // Only years 1 to 9999 can be written back in this form; a date that would come out otherwise is
    // refused here, so its file is set aside instead of being rewritten unreadable.
    if (utc.date().year() < 1 || utc.date().year() > 9999) return std::nullopt;
    return utc;
}

QDateTime wholeSeconds(const QDateTime& date) {
    if (!date.isValid()) return date;
    return QDateTime::fromSecsSinceEpoch(date.toSecsSinceEpoch(), Qt::UTC);
}

} // namespace mivora::IsoDate
