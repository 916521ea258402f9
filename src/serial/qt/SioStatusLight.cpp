#include "SioStatusLight.h"

#include <QPainter>

namespace {

constexpr int DefaultSide = 13;

void DrawBevel(QImage& image) {
    const int w = image.width();
    const int h = image.height();
    QPainter painter(&image);
    // End points are not part of the lines.
    const QColor white(255, 255, 255);
    const QColor grey(128, 128, 128);
    painter.fillRect(0, 0, w, 1, white);
    painter.fillRect(0, 0, 1, h, white);
    painter.fillRect(w - 1, 1, 1, h - 1, grey);
    painter.fillRect(1, h - 1, w - 1, 1, grey);
}

QImage GlyphPart(const QImage& glyph, QSize size, bool lit, const QColor& background) {
    const QImage source = glyph.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = source.pixel(0, 0);
    const int offset = lit ? 0 : size.width();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(background);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int sx = x + offset;
            if (sx >= source.width() || y >= source.height()) continue;
            const QRgb pixel = source.pixel(sx, y);
            if (pixel != transparent) image.setPixel(x, y, pixel);
        }
    return image;
}

}  // namespace

QImage RenderStatusLight(QSize size, bool lit, const QColor& litColor, const QColor& notLitColor,
                         const QImage& glyph, const QColor& background) {
    if (size.isEmpty()) return QImage();
    if (!glyph.isNull()) return GlyphPart(glyph, size, lit, background);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(lit ? litColor : notLitColor);
    DrawBevel(image);
    return image;
}

TSioCustomStatusLight::TSioCustomStatusLight(QWidget* parent) : QWidget(parent) {
    resize(DefaultSide, DefaultSide);
}

void TSioCustomStatusLight::SetLit(bool lit) {
    if (lit == lit_) return;
    lit_ = lit;
    update();
}

void TSioCustomStatusLight::SetLitColor(const QColor& color) {
    SetColor(litColor_, color, lit_);
}

void TSioCustomStatusLight::SetNotLitColor(const QColor& color) {
    SetColor(notLitColor_, color, !lit_);
}

// A new colour shows only when it is the one on screen; the light is not redrawn otherwise.
void TSioCustomStatusLight::SetColor(QColor& field, const QColor& color, bool showing) {
    if (field == color) return;
    field = color;
    if (!glyphInUse_ && showing) update();
}

void TSioCustomStatusLight::SetGlyph(const QImage& glyph) {
    glyph_ = glyph;  // implicitly shared, detached on any change
    glyphInUse_ = !glyph_.isNull();
    if (glyphInUse_) {
        setFixedSize(glyph_.width() / 2, glyph_.height());
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(DefaultSide, DefaultSide);
    }
    update();
}

void TSioCustomStatusLight::Loaded() {
    glyphInUse_ = !glyph_.isNull();
}

void TSioCustomStatusLight::paintEvent(QPaintEvent*) {
    const QWidget* under = parentWidget() ? parentWidget() : this;
    const QColor background = under->palette().color(under->backgroundRole());
    QPainter painter(this);
    painter.drawImage(0, 0,
                      RenderStatusLight(size(), lit_, litColor_, notLitColor_,
                                        glyphInUse_ ? glyph_ : QImage(), background));
}
