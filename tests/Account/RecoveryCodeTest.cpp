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
        const QString raw = code.raw();
        const QString display = code.display();
        ASSERT_EQ(raw.size(), 26);
        EXPECT_TRUE(QString("048CGMRW").contains(raw.back()))
            << raw.toStdString(); // two zero bits at the end
        ASSERT_EQ(display.size(), 30);
        for (int at : {5, 11, 17, 23})
            EXPECT_EQ(display[at], u'-');
        EXPECT_EQ(QString(display).remove(u'-'), raw);

        QString spaced;
        for (qsizetype j = 0; j < raw.size(); ++j)
            spaced += raw[j] + QString(" \t\n-").mid(j % 4, 1);
        const QString alike = QString(raw).replace(u'0', u'o').replace(u'1', i % 2 ? u'l' : u'I');
        for (const QString& typed : {display, raw, display.toLower(), spaced, alike})
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

    for (const QString& typed : {
             QString(),                             // empty
             QString("- \t\n"),                     // separators only
             base.left(25),                         // too short
             base + "0",                            // too long
             QString("0123456789ABCDEFGHJKMNPQRX"), // the last character's low bits are not zero
             QString("0123456789ABCDEFGHJKMNPQUW"), // U is not in the alphabet
             QString("01234.56789ABCDEFGHJKMNPQRW"), QString("01234_56789ABCDEFGHJKMNPQRW"),
             QString("01234\r\n56789ABCDEFGHJKMNPQRW"), // CR LF is one character, and no separator
             QString("01234\r56789ABCDEFGHJKMNPQRW"),
             QString::fromUtf16(u"0\u0301123456789ABCDEFGHJKMNPQRW"), // a digit with an accent
             QString::fromUtf16(u"\uFF10123456789ABCDEFGHJKMNPQRW"),  // full-width digit
             QString::fromUtf16(u"01234\u00A056789ABCDEFGHJKMNPQRW"), // no-break space
             QString::fromUtf16(u"01234\u300056789ABCDEFGHJKMNPQRW"), // ideographic space
         })
        EXPECT_TRUE(refused(typed)) << typed.toStdString();
}
