#include "Support/Base64.h"

#include <gtest/gtest.h>

using namespace mivora;

TEST(Base64, ReadsBackWhatItWritesAndOnlyTheOneCanonicalText) {
    QByteArray bytes;
    for (int n = 0; n <= 7; ++n) {
        EXPECT_EQ(Base64::decode(Base64::encode(bytes)), bytes) << n;
        EXPECT_EQ(Base64::encode(bytes), QString::fromLatin1(bytes.toBase64())) << n;
        bytes.append(char(0xF0 | n)); // every bit pattern in the tail groups
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b), 2);
    EXPECT_EQ(Base64::encode(all), QString::fromLatin1(all.toBase64()));
    EXPECT_EQ(Base64::decode(u"+/+/"), QByteArray::fromHex("fbffbf"));
    for (const char16_t* text : {u"AB==", u"AAB=", u"A===", u"====", u"AAAA====", u"AA=A", u"AAA", u"AA-_"})
        EXPECT_FALSE(Base64::decode(text)) << QString::fromUtf16(text).toStdString();
}
