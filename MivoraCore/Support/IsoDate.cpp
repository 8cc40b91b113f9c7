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

// The proleptic Gregorian civil date of a day counted from 1970-01-01 (H. Hinnant's algorithm); plain
// arithmetic, where converting the date and asking it for its parts dominates the writing of a large payload.
void civil(qint64 days, int& y, int& m, int& d) {
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 doe = days - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

} // namespace

QString format(const QDateTime& date) {
    if (date.isValid()) {
        // Milliseconds are dropped towards the past, also before 1970.
        const qint64 ms = date.toMSecsSinceEpoch();
        const qint64 secs = (ms >= 0 ? ms : ms - 999) / 1000;
        const qint64 days = (secs >= 0 ? secs : secs - 86399) / 86400;
        const qint64 rest = secs - days * 86400;
        int y, mo, d;
        civil(days, y, mo, d);
        if (y >= 1 && y <= 9999) {
            char16_t text[] = u"0000-00-00T00:00:00Z";
            auto put = [&](int at, qint64 value, int width) {
                for (int i = width - 1; i >= 0; --i, value /= 10)
                    text[at + i] = char16_t(u'0' + value % 10);
            };
            put(0, y, 4);
            put(5, mo, 2);
            put(8, d, 2);
            put(11, rest / 3600, 2);
            put(14, rest / 60 % 60, 2);
            put(17, rest % 60, 2);
            return QString::fromUtf16(text, 20);
        }
    }
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
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
    // Four digits and a valid date make a year from 1 to 9999: a UTC text needs no further check.
    if (offsetSeconds == 0) return QDateTime(date, time, Qt::UTC);
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
