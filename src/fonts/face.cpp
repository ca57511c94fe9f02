#include "face.h"

#include "bitmapstrikes.h"
#include "fontconfigsupport.h"
#include "glyphbitmap.h"

#include FT_LCD_FILTER_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>

namespace {

using Fontconfig::Pattern;

RenderSettings screenRenderSettings()
{
    const Pattern pattern = Fontconfig::Substituted(Pattern(FcPatternCreate()));
    FcBool antialias = FcTrue;
    FcBool hinting = FcTrue;
    int hintStyle = FC_HINT_SLIGHT;
    int rgba = FC_RGBA_UNKNOWN;
    FcPatternGetBool(pattern.get(), FC_ANTIALIAS, 0, &antialias);
    FcPatternGetBool(pattern.get(), FC_HINTING, 0, &hinting);
    FcPatternGetInteger(pattern.get(), FC_HINT_STYLE, 0, &hintStyle);
    FcPatternGetInteger(pattern.get(), FC_RGBA, 0, &rgba);

    RenderSettings settings;
    if (!antialias) {
        settings.loadFlags = FT_LOAD_TARGET_MONO;
        settings.renderMode = FT_RENDER_MODE_MONO;
        return settings;
    }
    if (!hinting || hintStyle == FC_HINT_NONE)
        settings.loadFlags = FT_LOAD_NO_HINTING;
    else if (hintStyle == FC_HINT_SLIGHT)
        settings.loadFlags = FT_LOAD_TARGET_LIGHT;
    settings.subpixel = rgba == FC_RGBA_RGB || rgba == FC_RGBA_BGR;
    settings.bgr = rgba == FC_RGBA_BGR;
    if (settings.subpixel)
        settings.renderMode = FT_RENDER_MODE_LCD;
    return settings;
}

} // namespace

FaceCache::Library::Library()
    : settings(screenRenderSettings())
{
    if (FT_Init_FreeType(&library) != 0)
        library = nullptr;
    else if (settings.subpixel)
        FT_Library_SetLcdFilter(library, FT_LCD_FILTER_DEFAULT);
}

FaceCache::Library::~Library()
{
    if (library)
        FT_Done_FreeType(library);
}

FaceCache::Face::Face(QString family, const FaceLocation &location, int pixelSize, std::shared_ptr<const Library> library)
    : m_library(std::move(library))
    , m_family(std::move(family))
    , m_file(location.file)
    , m_settings(m_library->settings)
    , m_pixelSize(pixelSize)
{
    if (!m_library->library || !m_file.stream())
        return;
    FT_Open_Args arguments = {};
    arguments.flags = FT_OPEN_STREAM;
    arguments.stream = m_file.stream();
    if (FT_Open_Face(m_library->library, &arguments, location.index, &m_face) != 0) {
        m_face = nullptr;
        return;
    }
    if (!FT_IS_SCALABLE(m_face) && m_face->num_fixed_sizes > 0) // a bitmap-only face offers fixed sizes alone
        FT_Select_Size(m_face, BitmapStrikes::NearestOfFace(m_face, pixelSize));
    else
        FT_Set_Pixel_Sizes(m_face, 0, FT_UInt(pixelSize));
    m_symbolMap = symbolMapOf(m_face);
    // FreeType selects no charmap for a face with only a symbol one; selected, hb-ft looks
    // symbols up by itself, and for a Windows symbol font at 0xF000 + code too.
    if (m_symbolMap && !m_face->charmap)
        FT_Set_Charmap(m_face, m_symbolMap);
    m_font = hb_ft_font_create_referenced(m_face);
    hb_ft_font_set_load_flags(m_font, m_settings.loadFlags);
    if (m_symbolMap && m_face->charmap != m_symbolMap)
        m_font = withSymbolLookup(m_font);
}

FaceCache::Face::~Face()
{
    if (m_font)
        hb_font_destroy(m_font); // drops its reference to the FreeType face
    if (m_face)
        FT_Done_Face(m_face);
}


std::optional<FaceCache::Metrics> FaceCache::Face::metrics() const
{
    if (!m_face || !m_face->size)
        return std::nullopt;
    const FT_Size_Metrics &size = m_face->size->metrics;
    const auto *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
    const qreal averageWidth = os2 && os2->xAvgCharWidth > 0 && m_face->units_per_EM > 0
        ? qreal(os2->xAvgCharWidth) * m_pixelSize / m_face->units_per_EM
        : m_pixelSize / 2.0;
    return FaceCache::Metrics{size.ascender / 64.0, -size.descender / 64.0, averageWidth};
}

std::optional<FaceLocation> FaceCache::Face::nearerStrikeFile(const FaceLocation &opened) const
{
    return m_face ? BitmapStrikes::NearerFile(m_face, opened, m_pixelSize) : std::nullopt;
}

const GlyphImage &FaceCache::Face::glyph(unsigned int index, QRgb colour)
{
    const quint64 key = quint64(index) << 32 | colour;
    auto found = m_glyphs.find(key);
    if (found == m_glyphs.end())
        found = m_glyphs.emplace(key, render(index, colour)).first;
    return found->second;
}

// The charmap that symbol fonts keep beside or instead of a Unicode one: a Type 1 font's own
// encoding, or a Windows symbol font's.
FT_CharMap FaceCache::Face::symbolMapOf(FT_Face face)
{
    for (FT_Int index = 0; index < face->num_charmaps; ++index) {
        const FT_Encoding encoding = face->charmaps[index]->encoding;
        if (encoding == FT_ENCODING_MS_SYMBOL || encoding == FT_ENCODING_ADOBE_CUSTOM)
            return face->charmaps[index];
    }
    return nullptr;
}

// A font that looks a character its Unicode charmap lacks up in the symbol charmap, so that
// letters typed in a symbol font show its symbols.
hb_font_t *FaceCache::Face::withSymbolLookup(hb_font_t *unicodeFont)
{
    static hb_font_funcs_t *const functions = [] {
        hb_font_funcs_t *created = hb_font_funcs_create();
        hb_font_funcs_set_nominal_glyph_func(created, nominalGlyph, nullptr, nullptr);
        hb_font_funcs_make_immutable(created);
        return created;
    }();
    hb_font_t *font = hb_font_create_sub_font(unicodeFont); // holds its parent
    hb_font_destroy(unicodeFont);
    hb_font_set_funcs(font, functions, this, nullptr);
    return font;
}

hb_bool_t FaceCache::Face::nominalGlyph(hb_font_t *font, void *face, hb_codepoint_t character,
                                        hb_codepoint_t *glyph, void * /*userData*/)
{
    return hb_font_get_nominal_glyph(hb_font_get_parent(font), character, glyph)
        || static_cast<const Face *>(face)->symbolGlyph(character, glyph);
}

// The symbol charmap's glyph for the code, which Windows symbol fonts move to 0xF000 and up.
bool FaceCache::Face::symbolGlyph(hb_codepoint_t code, hb_codepoint_t *glyph) const
{
    FT_CharMap unicodeMap = m_face->charmap;
    FT_Set_Charmap(m_face, m_symbolMap);
    *glyph = FT_Get_Char_Index(m_face, code);
    if (*glyph == 0 && code < 0x100)
        *glyph = FT_Get_Char_Index(m_face, 0xF000 + code);
    FT_Set_Charmap(m_face, unicodeMap);
    return *glyph != 0;
}

GlyphImage FaceCache::Face::render(unsigned int index, QRgb colour) const
{
    GlyphImage image;
    const bool loaded = FT_Load_Glyph(m_face, index, m_settings.loadFlags) == 0;
    if (loaded && !WorthRasterising(*m_face->glyph, m_pixelSize))
        return image; // drawn as nothing
    if (!loaded || FT_Render_Glyph(m_face->glyph, m_settings.renderMode) != 0) {
        image.missing = true;
        return image;
    }
    image.offset = QPoint(m_face->glyph->bitmap_left, -m_face->glyph->bitmap_top);
    const BitmapImages images = ImagesOfBitmap(m_face->glyph->bitmap, colour, m_settings.bgr);
    image.cover = images.cover;
    image.add = images.add;
    return image;
}
