#include "Suggest/CaretReader.h"

#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace mivora::test {
namespace {

struct CaretReaderTest : ::testing::Test {
    FakePlatform platform;
    CaretReader reader{platform};
    FakeTextField field(const QString& text, qsizetype caret) {
        FakeTextField f;
        f.text = text;
        f.caret = caret;
        return f;
    }
};

// Only the last characters before the caret are asked for; the key names the application, the caret and
// the text, so that a dismissal holds for this place only; the caret sits at the right edge of the
// character before it, in the program's coordinates.
TEST_F(CaretReaderTest, ReadsOnlyTheTextBeforeTheCaretAndKeysThePlaceOrNamesWhyNot) {
    platform.fake.front.app = FrontApp{"editor", 512};
    platform.fake.text.focus = field(QString(120, 'x') + "收货地址是北京市朝阳区三里屯", 131);
    platform.fake.text.ranges.clear();
    const auto caret = reader.read(24);
    ASSERT_TRUE(caret);
    EXPECT_EQ(caret->before, QString(13, 'x') + "收货地址是北京市朝阳区");
    EXPECT_EQ(caret->key, "512:131:址是北京市朝阳区");
    // The desktop's (100, 200, 8, 18) from the top of a 1080 high first screen, measured from its bottom.
    EXPECT_EQ(caret->rect, QRectF(108, 862, 1, 18));
    EXPECT_EQ(platform.fake.text.ranges, (std::vector<std::pair<qsizetype, qsizetype>>{{107, 131}}));
    EXPECT_TRUE(reader.lastFailure.isEmpty());

    // Failures name their reason and the application.
    platform.fake.text.focus = Accessibility::cannotComplete;
    EXPECT_FALSE(reader.read(24));
    EXPECT_EQ(reader.lastFailure, "读不到焦点（editor）");

    // An application that answers once the desktop-wide switch is on.
    platform.fake.text.onceEnabled = field("abc", 3);
    EXPECT_TRUE(reader.read(24));

    FakeTextField button = field("abc", 3);
    button.element = FakeElement("push button");
    platform.fake.text.focus = button;
    EXPECT_FALSE(reader.read(24));
    EXPECT_EQ(reader.lastFailure, "焦点不是输入框（editor）");

    // A selection and a caret at the start give nothing and leave the last reason.
    FakeTextField selected = field("abc", 1);
    selected.selected = 2;
    for (const FakeTextField& f : {selected, field("abc", 0)}) {
        platform.fake.text.focus = f;
        EXPECT_FALSE(reader.read(24));
        EXPECT_EQ(reader.lastFailure, "焦点不是输入框（editor）");
    }

    // Text only through the whole value; degenerate bounds give a caret without a rectangle.
    FakeTextField valueOnly = field("abcdef", 4);
    valueOnly.rangeReadable = false;
    valueOnly.characterBounds = QRectF(10, 10, 0, 0);
    platform.fake.text.focus = valueOnly;
    const auto whole = reader.read(2);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->before, "cd");
    EXPECT_EQ(whole->rect, std::nullopt);
}

// A focus that cannot be read (the application did not answer in time), or an element whose role cannot,
// leaves the field's kind unknown: never "no password field". A caret at the start of a text field is a
// field read, with nothing before the caret.
TEST_F(CaretReaderTest, AFieldWhoseKindCannotBeReadIsNoPlainField) {
    platform.fake.front.app = FrontApp{"editor", 512};
    platform.fake.text.focus = Accessibility::cannotComplete;
    EXPECT_EQ(reader.focusIsPassword(), std::nullopt);
    EXPECT_FALSE(reader.read(24));
    EXPECT_TRUE(reader.kindUnknown);
    EXPECT_FALSE(reader.atStart);

    FakeTextField unreadable = field("abc", 3);
    unreadable.element = FakeElement("?");
    platform.fake.text.focus = unreadable;
    EXPECT_EQ(reader.focusIsPassword(), std::nullopt);
    EXPECT_FALSE(reader.read(24));
    EXPECT_TRUE(reader.kindUnknown);

    platform.fake.text.focus = field("abc", 0);
    EXPECT_EQ(reader.focusIsPassword(), false);
    EXPECT_FALSE(reader.read(24));
    EXPECT_FALSE(reader.kindUnknown);
    EXPECT_TRUE(reader.atStart);
}

} // namespace
} // namespace mivora::test
