#include "Account/RecoveryCode.h"
#include "Account/VaultFailure.h"

#include <gtest/gtest.h>

using namespace mivora;

namespace {

bool refused(const QString& typed) {
    try {
        RecoveryCode::parse(typed);
    } catch (const VaultFailure& e) {
        return e.kind() == VaultFailure::badRecoveryCode;
    }
    return false;
}

} // namespace

TEST(RecoveryCode, EveryFormAUserMightTypeReadsBackAsTheSameCode) {
    for (int i = 0; i < 64; ++i) {
        const RecoveryCode code = RecoveryCode::generate();
        const QString raw = code.raw(), display = code.display();
        // The last character carries two zero bits.
        EXPECT_TRUE(QString("048CGMRW").contains(raw.back())) << raw.toStdString();
        EXPECT_EQ(QString(display).remove(u'-'), raw);
        QString spaced;
        for (qsizetype j = 0; j < raw.size(); ++j)
            spaced += raw[j] + QString(" \t\n-").mid(j % 4, 1);
        const QString alike = QString(raw).replace(u'0', u'o').replace(u'1', i % 2 ? u'l' : u'I');
        for (const QString& typed : {display, display.toLower(), spaced, alike})
            EXPECT_EQ(RecoveryCode::parse(typed), code) << typed.toStdString();
    }
}

TEST(RecoveryCode, ReadsLettersTheWayUnicodeDoesAndRefusesEverythingElse) {
    const QString base = "0123456789ABCDEFGHJKMNPQRW";
    const RecoveryCode code = RecoveryCode::parse(base);
    const RecoveryCode sharpS = RecoveryCode::parse(u"0123456789ABCDEFGHJKMNPSSW");
    // Upper-casing may lengthen a text ("ß" is "SS"), never by the user's language ("i" is "I", so "1");
    // a character equal to an alphabet character by canonical equivalence is that character.
    EXPECT_EQ(RecoveryCode::parse(u"0123456789abcdefghjkmnpßw"), sharpS);
    EXPECT_EQ(RecoveryCode::parse(u"0123456789ABCDEFGHJKMNP\u017F\u017FW"), sharpS); // long s
    EXPECT_EQ(RecoveryCode::parse(u"0123456789ABCDEFGHJ\u212AMNPQRW"), code);        // Kelvin sign
    EXPECT_EQ(RecoveryCode::parse(u"0\u013123456789ABCDEFGHJKMNPQRW"), code);        // dotless i

    // Too short, too long, low bits of the last character set, U outside the alphabet, other separators,
    // CR LF (one character), an accented or full-width digit, a no-break space.
    for (const QString& typed :
         {base.left(25), base + "0", QString("0123456789ABCDEFGHJKMNPQRX"),
          QString("0123456789ABCDEFGHJKMNPQUW"), QString("01234.56789ABCDEFGHJKMNPQRW"),
          QString("01234\r\n56789ABCDEFGHJKMNPQRW"), QString::fromUtf16(u"0\u0301123456789ABCDEFGHJKMNPQRW"),
          QString::fromUtf16(u"\uFF10123456789ABCDEFGHJKMNPQRW"),
          QString::fromUtf16(u"01234\u00A056789ABCDEFGHJKMNPQRW")})
        EXPECT_TRUE(refused(typed)) << typed.toStdString();
}
