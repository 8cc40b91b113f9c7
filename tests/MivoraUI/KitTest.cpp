#include "MivoraUI/Card.h"
#include "MivoraUI/HoverLift.h"
#include "MivoraUI/Icon.h"
#include "MivoraUI/PrimaryButton.h"
#include "MivoraUI/SoftButton.h"
#include "MivoraUI/UI.h"

#include "support/Render.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

TEST(Kit, ButtonsShrinkWhilePressedWhetherEnabledOrNot) {
    for (bool dark : {false, true}) {
        PrimaryButton primary("开始使用");
        SoftButton soft("工作日志");
        const QImage rest = render(primary, dark);
        const QImage softRest = render(soft, dark);
        saveArtefact(rest, QString("kit-primary-%1").arg(dark ? "dark" : "light"));
        saveArtefact(softRest, QString("kit-soft-%1").arg(dark ? "dark" : "light"));

        primary.setEnabled(false);
        EXPECT_EQ(primary.grab().toImage(), rest) << "a disabled button looks like an enabled one";
        primary.setEnabled(true);

        for (CapsuleButton* b : {static_cast<CapsuleButton*>(&primary), static_cast<CapsuleButton*>(&soft)}) {
            const QImage before = b->grab().toImage();
            QTest::mousePress(b, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return b->pressProgress() == 1.0; }, 1000));
            EXPECT_NE(b->grab().toImage(), before);
            QTest::mouseRelease(b, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([&] { return b->pressProgress() == 0.0; }, 2000));
        }
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

TEST(Kit, EveryIconIsADistinctDrawing) {
    QSet<QByteArray> seen;
    QImage sheet(32 * Icon::names().size(), 32, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter sheetPainter(&sheet);
    int x = 0;
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
        sheetPainter.drawImage(x, 0, img);
        x += 32;
    }
    sheetPainter.end();
    saveArtefact(sheet, "kit-icons");
}
