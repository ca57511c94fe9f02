#pragma once

#include "facecache.h"
#include "fontfilestream.h"

#include <QImage>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <unordered_map>

// How the screen wants glyphs drawn, as fontconfig's rules say for any font.
struct RenderSettings
{
    FT_Int32 loadFlags = FT_LOAD_DEFAULT;
    FT_Render_Mode renderMode = FT_RENDER_MODE_NORMAL;
    bool subpixel = false;
    bool bgr = false;
};

// A glyph ready to draw in one colour: as a coverage image, or for subpixel rendering as the
// pair that darkens the page per channel and then adds the colour.
struct GlyphImage
{
    QImage cover;
    QImage add;
    QPoint offset;
    bool missing = false;
};

// The FreeType library every face of a cache is opened with.
struct FaceCache::Library
{
    Library();
    ~Library();
    Q_DISABLE_COPY_MOVE(Library)

    FT_Library library = nullptr;
    RenderSettings settings;
};

// One face of a font file opened with FreeType at one pixel size, its HarfBuzz font and the
// glyphs drawn from it so far.
class FaceCache::Face
{
    Q_DISABLE_COPY_MOVE(Face)

public:
    Face(QString family, const FaceLocation &location, int pixelSize, std::shared_ptr<const Library> library);
    ~Face();

    const QString &family() const { return m_family; }
    hb_font_t *font() const { return m_font; }
    int pixelSize() const { return m_pixelSize; }
    bool covers(char32_t character) const { return m_face && FT_Get_Char_Index(m_face, character) != 0; }
    std::optional<FaceCache::Metrics> metrics() const;
    const GlyphImage &glyph(unsigned int index, QRgb colour);
    // For a bitmap face opened from that location, another file of its family with a strike
    // nearer the size.
    std::optional<FaceLocation> nearerStrikeFile(const FaceLocation &opened) const;

private:
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
    FT_Face m_face = nullptr;
    FT_CharMap m_symbolMap = nullptr;
    hb_font_t *m_font = nullptr;
    std::unordered_map<quint64, GlyphImage> m_glyphs;
};
