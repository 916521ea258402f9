// The status light as the user sees it: its pixels, rendered offscreen.
#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <QWidget>

#include "SioStatusLight.h"

namespace {

QImage Shot(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

const QColor White(255, 255, 255);
const QColor Grey(128, 128, 128);

}  // namespace

TEST(SioStatusLight, PlainLightIsFilledAndBevelled) {
    TSioStatusLight light;
    EXPECT_EQ(light.size(), QSize(13, 13));
    EXPECT_FALSE(light.Lit());
    EXPECT_EQ(light.Version(), "v1.00");

    QImage unlit = Shot(light);
    ASSERT_EQ(unlit.size(), QSize(13, 13));
    EXPECT_EQ(At(unlit, 6, 6), QColor(0, 128, 0));
    // White along the top and left edges, grey along the bottom and right, corners included
    // as the lines' end points fall.
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(At(unlit, i, 0), White) << i;
        EXPECT_EQ(At(unlit, 0, i), White) << i;
    }
    for (int i = 1; i < 13; ++i) {
        EXPECT_EQ(At(unlit, 12, i), Grey) << i;
        EXPECT_EQ(At(unlit, i, 12), Grey) << i;
    }
    EXPECT_EQ(At(unlit, 11, 11), QColor(0, 128, 0));

    light.SetLit(true);
    QImage lit = Shot(light);
    EXPECT_EQ(At(lit, 6, 6), QColor(255, 0, 0));
    EXPECT_EQ(At(lit, 1, 1), QColor(255, 0, 0));
    EXPECT_EQ(At(lit, 0, 5), White);
}

TEST(SioStatusLight, ColoursFollowTheirProperties) {
    TSioStatusLight light;
    light.SetLitColor(QColor(0, 255, 0));
    light.SetNotLitColor(QColor(240, 240, 240));
    EXPECT_EQ(At(Shot(light), 5, 5), QColor(240, 240, 240));
    light.SetLit(true);
    EXPECT_EQ(At(Shot(light), 5, 5), QColor(0, 255, 0));
}

TEST(SioStatusLight, GlyphHalvesWithTransparentKeyShowParentBackground) {
    QWidget panel;
    QPalette palette = panel.palette();
    palette.setColor(panel.backgroundRole(), QColor(0, 200, 200));
    panel.setPalette(palette);
    auto* light = new TSioStatusLight(&panel);

    // Magenta background (the transparent key), a yellow pixel in the lit half and a blue one
    // in the unlit half.
    QImage glyph(20, 8, QImage::Format_RGB32);
    glyph.fill(QColor(255, 0, 255));
    glyph.setPixel(3, 4, QColor(255, 255, 0).rgb());
    glyph.setPixel(10 + 3, 4, QColor(0, 0, 255).rgb());
    light->SetGlyph(glyph);
    EXPECT_TRUE(light->GlyphInUse());
    EXPECT_EQ(light->size(), QSize(10, 8));
    light->resize(30, 30);  // a glyph fixes the size
    EXPECT_EQ(light->size(), QSize(10, 8));

    QImage unlit = Shot(*light);
    EXPECT_EQ(At(unlit, 3, 4), QColor(0, 0, 255));
    EXPECT_EQ(At(unlit, 0, 0), QColor(0, 200, 200));
    light->SetLit(true);
    QImage lit = Shot(*light);
    EXPECT_EQ(At(lit, 3, 4), QColor(255, 255, 0));
    EXPECT_EQ(At(lit, 5, 5), QColor(0, 200, 200));

    light->SetGlyph(QImage());
    EXPECT_FALSE(light->GlyphInUse());
    EXPECT_EQ(light->size(), QSize(13, 13));
    EXPECT_EQ(At(Shot(*light), 6, 6), QColor(255, 0, 0));
}
