// SPDX-License-Identifier: MIT
#pragma once

#include "facecache.h"
#include "fontfilestream.h"
#include "rendersettings.h"

#include <QImage>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <unordered_map>

// A glyph ready to draw in one colour: as a coverage image, or for subpixel rendering as the
// pair that darkens the page per channel and then adds the colour. Images and offset count
// device pixels.
struct GlyphImage
{
    QImage cover;
    QImage add;
    QPoint offset;
    bool missing = false;
};

// The FreeType library every face of a cache is opened with, and fontconfig's rules for them.
struct FaceCache::Library
{
    Library();
    // A library whose faces are drawn by the rules of that configuration.
    explicit Library(Fontconfig::Config rulesConfig);
    ~Library();
    Q_DISABLE_COPY_MOVE(Library)

    FT_Library library = nullptr;
    FontRules rules;
};

// One face of a font file opened with FreeType at one pixel size on a device of one pixel
// ratio, its HarfBuzz font and the glyphs drawn from it so far. Its glyphs and its HarfBuzz
// font measure device pixels.
class FaceCache::Face
{
    Q_DISABLE_COPY_MOVE(Face)

public:
    Face(QString family, const FaceLocation &location, int pixelSize, qreal devicePixelRatio,
         std::shared_ptr<const Library> library);
    ~Face();

    const QString &family() const { return m_family; }
    hb_font_t *font() const { return m_font; }
    int pixelSize() const { return m_pixelSize; }
    qreal devicePixelRatio() const { return m_ratio; }
    bool covers(char32_t character) const { return m_face && FT_Get_Char_Index(m_face, character) != 0; }
    std::optional<FaceCache::Metrics> metrics() const;
    const GlyphImage &glyph(unsigned int index, QRgb colour);
    // For a bitmap face opened from that location, another file of its family with a strike
    // nearer the size.
    std::optional<FaceLocation> nearerStrikeFile(const FaceLocation &opened) const;

private:
    int devicePixels() const;
    FT_F26Dot6 devicePixelSize() const;
    qreal colourStrikeScale() const;
    hb_font_t *createFont() const;
    void useRulesFor(const FaceLocation &location);
    static FT_CharMap symbolMapOf(FT_Face face);
    hb_font_t *withSymbolLookup(hb_font_t *unicodeFont);
    static hb_bool_t nominalGlyph(hb_font_t *font, void *face, hb_codepoint_t character, hb_codepoint_t *glyph,
                                  void *userData);
    bool symbolGlyph(hb_codepoint_t code, hb_codepoint_t *glyph) const;
    GlyphImage render(unsigned int index, QRgb colour) const;

    std::shared_ptr<const Library> m_library;
    QString m_family;
    FontFileStream m_file;
    RenderSettings m_settings;
    int m_pixelSize;
    qreal m_ratio;
    qreal m_strikeScale = 1; // from a colour strike's pixels to the size's
    FT_Face m_face = nullptr;
    FT_CharMap m_symbolMap = nullptr;
    hb_font_t *m_font = nullptr;
    std::unordered_map<quint64, GlyphImage> m_glyphs;
};
