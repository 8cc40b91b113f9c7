#include "MivoraUI/Kit/Appearance.h"
#include "MivoraUI/Kit/BrandMark.h"
#include "MivoraUI/Kit/Card.h"
#include "MivoraUI/Kit/HoverLift.h"
#include "MivoraUI/Kit/Icon.h"
#include "MivoraUI/Kit/KeyCap.h"
#include "MivoraUI/Kit/KeyCombo.h"
#include "MivoraUI/Kit/PracticeField.h"
#include "MivoraUI/Kit/PrimaryButton.h"
#include "MivoraUI/Kit/SidebarRows.h"
#include "MivoraUI/Kit/SoftButton.h"
#include "MivoraUI/Kit/StatusDot.h"
#include "MivoraUI/Kit/SuccessBadge.h"
#include "MivoraUI/Kit/Switch.h"
#include "MivoraUI/Kit/UI.h"

#include "support/FakeScheduler.h"
#include "support/Render.h"

#include <QAccessible>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 2000);
}

} // namespace

// With no window icon set, as when the program runs from the build tree, the brand mark still draws the
// program's own icon: most of its square is covered.
TEST(Kit, TheBrandMarkDrawsTheProgramsIconWithoutAWindowIcon) {
    ASSERT_TRUE(QApplication::windowIcon().isNull());
    BrandMark mark(40);
    QImage drawn(mark.size(), QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    mark.render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    int covered = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            covered += qAlpha(drawn.pixel(x, y)) > 200;
    EXPECT_GT(covered, drawn.width() * drawn.height() / 2);
}

// Keys read as a PC keyboard prints them, and every key is joined by a plus sign, digits too.
TEST(Kit, KeysReadAsThisDesktopsKeyboardsPrintThem) {
    const std::pair<QStringList, const char*> combos[] = {{{"右 Ctrl", "shift"}, "右 Ctrl + Shift"},
                                                          {{"右 Ctrl", "space"}, "右 Ctrl + 空格"},
                                                          {{"tab"}, "Tab"},
                                                          {{"esc"}, "Esc"},
                                                          {{"1", "2", "3"}, "1 + 2 + 3"},
                                                          {{"fn"}, "Fn"}};
    for (const auto& [keys, text] : combos) {
        const KeyCombo combo(keys);
        EXPECT_EQ(combo.text(), text);
        EXPECT_EQ(combo.accessibleName(), text);
    }
    EXPECT_EQ(KeyCap("shift", "shift", 70).label(), "Shift");
}

// Each view drawn in both appearances (kept as pictures) with the states that show on it: a pressed key
// drops, the badge rings once, the status dot pulses only when ready, buttons shrink while pressed and look
// the same disabled, and a switch set off screen shows its state at once while a click slides it across.
TEST(Kit, ViewsShowTheirStatesInBothAppearances) {
    for (bool dark : {false, true}) {
        const QString look = dark ? "-dark" : "-light";
        KeyCap key("fn", "globe", 54);
        const QImage rest = render(key, dark);
        key.setDown(true);
        key.setHighlight(true);
        EXPECT_TRUE(waitFor([&] { return key.capRect().top() == 2; }));
        const QImage pressed = key.grab().toImage();
        // Released, the base shows below the cap; pressed, the cap covers it.
        EXPECT_NE(pixel(rest, {27, 31}), pixel(pressed, {27, 31}));
        saveArtefact(rest, "kit-keycap" + look);
        saveArtefact(pressed, "kit-keycap-pressed" + look);
        KeyCombo two({"fn", "shift"});
        saveArtefact(render(two, dark), "kit-keycombo" + look);

        SuccessBadge badge("做到了");
        render(badge, dark);
        EXPECT_TRUE(waitFor([&] { return badge.ring() == 1.0; }));
        badge.setText("又做到了");
        badge.hide();
        badge.show();
        QApplication::processEvents();
        EXPECT_EQ(badge.ring(), 1.0) << "the ring plays once per badge";
        saveArtefact(badge.grab().toImage(), "kit-successbadge" + look);

        StatusDot waiting(false);
        const QImage orange = render(waiting, dark);
        EXPECT_FALSE(waiting.pulsing());
        waiting.setOk(true);
        EXPECT_TRUE(waiting.pulsing());
        EXPECT_NE(waiting.grab().toImage(), orange);
        saveArtefact(waiting.grab().toImage(), "kit-statusdot" + look);
        StatusDot ready(true);
        render(ready, dark);
        EXPECT_TRUE(ready.pulsing()) << "shown ready, it pulses too";

        PrimaryButton primary("开始使用");
        SoftButton soft("工作日志");
        const QImage primaryRest = render(primary, dark);
        saveArtefact(primaryRest, "kit-primary" + look);
        saveArtefact(render(soft, dark), "kit-soft" + look);
        primary.setEnabled(false);
        EXPECT_EQ(primary.grab().toImage(), primaryRest) << "a disabled button looks like an enabled one";
        primary.setEnabled(true);
        for (CapsuleButton* b : {static_cast<CapsuleButton*>(&primary), static_cast<CapsuleButton*>(&soft)}) {
            const QImage before = b->grab().toImage();
            QTest::mousePress(b, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return b->pressProgress() == 1.0; }, 1000));
            EXPECT_NE(b->grab().toImage(), before);
            QTest::mouseRelease(b, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return b->pressProgress() == 0.0; }, 2000));
        }

        Switch toggle;
        toggle.setChecked(true);
        const QImage on = render(toggle, dark);
        EXPECT_EQ(toggle.position(), 1.0);
        QTest::mouseClick(&toggle, Qt::LeftButton);
        EXPECT_FALSE(toggle.isChecked());
        EXPECT_TRUE(waitFor([&] { return toggle.position() == 0.0; }));
        const QImage off = toggle.grab().toImage();
        EXPECT_NE(pixel(on, {10, 11}), pixel(off, {10, 11}));
        saveArtefact(on, "kit-switch-on" + look);
        saveArtefact(off, "kit-switch-off" + look);
    }
}

TEST(Kit, PracticeFieldTakesTheFocusAfterAMomentAndShowsItsRing) {
    for (bool dark : {false, true}) {
        FakeClock clock;
        FakeScheduler scheduler(clock);
        // Another control holds the focus when the window opens, as on a page.
        QWidget page;
        auto* layout = new QVBoxLayout(&page);
        auto* other = new QLineEdit(&page);
        auto* field = new PracticeField(scheduler, "按住 Fn 说一句话试试", 96, &page);
        layout->addWidget(other);
        layout->addWidget(field);
        page.resize(340, 160);
        render(page, dark);
        page.activateWindow();
        other->setFocus();
        scheduler.advance(0.29);
        EXPECT_FALSE(field->editor()->hasFocus());
        scheduler.advance(0.02);
        EXPECT_TRUE(waitFor([&] { return field->focusRing() == 1.0; }));
        saveArtefact(field->grab().toImage(), QString("kit-practicefield-%1").arg(dark ? "dark" : "light"));
    }
}

TEST(Kit, CardDrawsItsBorderInsideThePanel) {
    for (bool dark : {false, true}) {
        auto* label = new QLabel("地址");
        label->setFixedSize(60, 20);
        Card* c = card(label, 0, 16);
        const QImage image = render(*c, dark);
        // With square corners the hairline covers the outermost pixels, and the fill lies within.
        EXPECT_NE(pixel(image, {0, 0}), pixel(image, {4, 4}));
        EXPECT_NE(pixel(image, {c->width() - 1, c->height() - 1}),
                  pixel(image, {c->width() - 5, c->height() - 5}));
        saveArtefact(image, QString("kit-card-%1").arg(dark ? "dark" : "light"));
        delete c;
    }
}

TEST(Kit, HoverLiftAddsNothingAtRest) {
    QWidget host;
    host.resize(200, 120);
    auto* inner = new QLabel("课程", &host);
    inner->setGeometry(40, 30, 120, 60);
    inner->setAutoFillBackground(true);
    const QImage plain = render(host);
    auto* lift = new HoverLift(inner);
    EXPECT_EQ(host.grab().toImage(), plain);
    QEvent enter(QEvent::HoverEnter);
    QApplication::sendEvent(inner, &enter);
    EXPECT_TRUE(QTest::qWaitFor([&] { return lift->hover() > 0.999; }, 2000));
    const QImage lifted = host.grab().toImage();
    EXPECT_NE(lifted, plain);
    saveArtefact(lifted, "kit-hoverlift");
}

// A fill longer than the field keeps the field as it was: no scrollbar appears, and the end of the text,
// where the caret is, stays in view.
TEST(Kit, APracticeFieldFilledPastItsHeightGrowsNoScrollbar) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    PracticeField field(scheduler, QString(), 64);
    field.resize(300, 64);
    field.show();
    const QRect before = field.editor()->viewport()->geometry();
    field.setText("我的地址：上海市浦东新区世纪大道 100 号，电话 138 0000 0000，收件人张三，周末也能收");
    field.editor()->moveCursor(QTextCursor::End);
    QApplication::processEvents();
    EXPECT_FALSE(field.editor()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(field.editor()->horizontalScrollBar()->isVisible());
    EXPECT_EQ(field.editor()->viewport()->geometry(), before);
    EXPECT_TRUE(field.editor()->viewport()->rect().contains(field.editor()->cursorRect()));
}

// A line edit is a rounded field like the kit's controls: its corners show what lies behind it, its edges
// carry the outline. A sidebar list's selected row is a soft rounded fill inset from the sides, not the
// style's square highlight bar.
TEST(Kit, LineEditsAreRoundedFieldsAndASidebarSelectsWithARoundedRow) {
    for (bool dark : {false, true}) {
        QWidget page;
        page.setPalette(Appearance::palette(dark));
        page.setAutoFillBackground(true);
        auto* edit = new QLineEdit(&page);
        edit->setGeometry(10, 10, 200, 30);
        const QImage field = render(page, dark);
        const QColor behind = page.palette().color(QPalette::Window);
        EXPECT_EQ(field.pixelColor(11, 11), behind) << "a rounded corner";
        EXPECT_NE(field.pixelColor(110, 11), behind) << "the outline";

        QListWidget list;
        list.setPalette(Appearance::palette(dark));
        list.addItems({"首页", "记忆"});
        for (int i = 0; i < list.count(); ++i)
            list.item(i)->setSizeHint(QSize(0, 30));
        SidebarRows::apply(&list);
        list.setFrameShape(QFrame::NoFrame); // as a sidebar: the rows' places are the picture's
        list.resize(190, 90);
        list.setCurrentRow(1);
        const QImage rows = render(list, dark);
        const QRect selected = list.visualItemRect(list.item(1));
        const QColor background = rows.pixelColor(selected.center().x(), rows.height() - 3); // below the rows
        EXPECT_EQ(rows.pixelColor(selected.left() + 1, selected.center().y()), background)
            << "inset from the side";
        EXPECT_EQ(rows.pixelColor(selected.left() + SidebarRows::inset, selected.top()), background)
            << "rounded";
        const QColor fill = rows.pixelColor(selected.center().x() + 60, selected.center().y());
        EXPECT_NE(fill, background);
        EXPECT_NE(fill, list.palette().color(QPalette::Highlight));
    }
}

TEST(Kit, EveryIconIsADistinctDrawing) {
    QSet<QByteArray> seen;
    for (const QString& name : Icon::names()) {
        QImage img(32, 32, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        Icon::paint(p, name, QRectF(0, 0, 32, 32), Qt::black);
        p.end();
        const QByteArray bytes(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes());
        int inked = 0;
        for (int y = 0; y < 32; ++y)
            for (int i = 0; i < 32; ++i)
                inked += qAlpha(img.pixel(i, y)) > 0;
        EXPECT_GT(inked, 20) << name.toStdString();
        EXPECT_FALSE(seen.contains(bytes)) << name.toStdString() << " looks like another icon";
        seen.insert(bytes);
    }
}

// A reader counts a scroll area's children (viewport, then the frame of the scroll bar on show) and asks for
// the last one in its next request; when the bar hid in between, that index, or any past the end, is no child
// rather than a read past the list.
TEST(Kit, AScrollAreaAskedForAChildPastItsEndGivesNone) {
    QScrollArea area;
    area.resize(200, 100);
    auto* content = new QWidget;
    content->setFixedSize(150, 600);
    area.setWidget(content);
    area.show();
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&area);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(waitFor([&] { return reader->childCount() == 2; }));
    EXPECT_EQ(reader->child(0)->object(), area.viewport());
    EXPECT_EQ(reader->child(1)->object(), area.verticalScrollBar()->parentWidget());
    EXPECT_EQ(reader->indexOfChild(reader->child(1)), 1);

    content->setFixedSize(150, 50); // the bar hides
    ASSERT_TRUE(waitFor([&] { return reader->childCount() == 1; }));
    for (int index : {-1, 1, 2, 1 << 30})
        EXPECT_EQ(reader->child(index), nullptr) << index;
    EXPECT_EQ(reader->child(0)->object(), area.viewport());
}
