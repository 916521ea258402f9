#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include "SioLight.h"

// The picture of a status light of `size` pixels. With a glyph, the lit image is the left half
// of the glyph and the unlit image the right half; the glyph's top-left colour is transparent
// and shows `background`. Without a glyph the light is filled with its colour and framed by a
// one-pixel bevel, white along the top and left edges and grey along the bottom and right.
QImage RenderStatusLight(QSize size, bool lit, const QColor& litColor, const QColor& notLitColor,
                         const QImage& glyph, const QColor& background);

// A small lamp that is either lit or not lit. A new light is 13 x 13 pixels, red when lit and
// green when not, without a glyph.
class TSioCustomStatusLight : public QWidget, public TSioLight {
    Q_OBJECT
  public:
    explicit TSioCustomStatusLight(QWidget* parent = nullptr);

    bool Lit() const override { return lit_; }
    void SetLit(bool lit) override;

    QColor LitColor() const { return litColor_; }
    void SetLitColor(const QColor& color);
    QColor NotLitColor() const { return notLitColor_; }
    void SetNotLitColor(const QColor& color);

    // The glyph is copied. A light with a glyph takes half the glyph's width and its height;
    // without one it is 13 x 13.
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);
    bool GlyphInUse() const { return glyphInUse_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void Loaded() override;

  private:
    void SetColor(QColor& field, const QColor& color, bool showing);

    bool lit_ = false;
    QColor litColor_{255, 0, 0};
    QColor notLitColor_{0, 128, 0};
    QImage glyph_;
    bool glyphInUse_ = false;
};

class TSioStatusLight final : public TSioCustomStatusLight {
    Q_OBJECT
  public:
    using TSioCustomStatusLight::TSioCustomStatusLight;
};
