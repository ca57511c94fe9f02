// SPDX-License-Identifier: MIT
#include "face.h"

#include "bitmapstrikes.h"
#include "colourglyph.h"
#include "fontconfigsupport.h"
#include "glyphbitmap.h"

#include FT_COLOR_H
#include FT_LCD_FILTER_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>

#include <cmath>

FaceCache::Library::Library()
    : Library(Fontconfig::Config(FcConfigReference(nullptr)))
{
}

FaceCache::Library::Library(Fontconfig::Config rulesConfig)
    : rules(std::move(rulesConfig))
{
    if (FT_Init_FreeType(&library) != 0)
        library = nullptr;
}

FaceCache::Library::~Library()
{
    if (library)
        FT_Done_FreeType(library);
}

FaceCache::Face::Face(QString family, const FaceLocation &location, int pixelSize, qreal devicePixelRatio,
                      std::shared_ptr<const Library> library)
    : m_library(std::move(library))
    , m_family(std::move(family))
    , m_file(location.file)
    , m_pixelSize(pixelSize)
    , m_ratio(devicePixelRatio)
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
        FT_Select_Size(m_face, BitmapStrikes::NearestOfFace(m_face, devicePixels()));
    else
        FT_Set_Char_Size(m_face, 0, devicePixelSize(), 72, 72);
    m_strikeScale = colourStrikeScale();
    useRulesFor(location);
    m_symbolMap = symbolMapOf(m_face);
    // FreeType selects no charmap for a face with only a symbol one; selected, hb-ft looks
    // symbols up by itself, and for a Windows symbol font at 0xF000 + code too.
    if (m_symbolMap && !m_face->charmap)
        FT_Set_Charmap(m_face, m_symbolMap);
    m_font = createFont();
    if (m_symbolMap && m_face->charmap != m_symbolMap)
        m_font = withSymbolLookup(m_font);
}

// A colour strike is scaled to the size, as emoji are, and as Qt scales one: the strike's
// line height to the size, so that emoji sit within a line of text. Other bitmap faces are
// drawn at the size of their strike.
qreal FaceCache::Face::colourStrikeScale() const
{
    const FT_UShort strikeSize = m_face->size ? m_face->size->metrics.y_ppem : 0;
    if (!FT_HAS_COLOR(m_face) || FT_IS_SCALABLE(m_face) || strikeSize == 0)
        return 1;
    for (int index = 0; index < m_face->num_fixed_sizes; ++index) {
        const FT_Bitmap_Size &strike = m_face->available_sizes[index];
        if ((strike.y_ppem + 32) >> 6 == strikeSize && strike.height > 0)
            return devicePixelSize() / 64.0 / strike.height;
    }
    return devicePixelSize() / 64.0 / strikeSize;
}

// FreeType measures a scaled strike at the strike's size, so HarfBuzz measures such a face
// from its metrics tables at the size instead.
hb_font_t *FaceCache::Face::createFont() const
{
    if (m_strikeScale == 1) {
        hb_font_t *font = hb_ft_font_create_referenced(m_face);
        hb_ft_font_set_load_flags(font, m_settings.loadFlags);
        return font;
    }
    hb_face_t *face = hb_ft_face_create_referenced(m_face);
    hb_font_t *font = hb_font_create(face); // with HarfBuzz's own font functions
    hb_face_destroy(face);
    // The em of the strike, scaled as its images are.
    const int scale = int(std::lround(m_strikeScale * m_face->size->metrics.y_ppem * 64));
    hb_font_set_scale(font, scale, scale);
    return font;
}

// The settings fontconfig's rules give this face.
void FaceCache::Face::useRulesFor(const FaceLocation &location)
{
    m_settings = m_library->rules.settingsFor(m_family, location, devicePixelSize() / 64.0, m_face);
    if (m_settings.subpixel) {
        FT_Parameter weights{FT_PARAM_TAG_LCD_FILTER_WEIGHTS, m_settings.lcdWeights.data()};
        FT_Face_Properties(m_face, 1, &weights);
    }
}

// The size in whole device pixels, as bitmap strikes are measured.
int FaceCache::Face::devicePixels() const
{
    return int(std::lround(m_pixelSize * m_ratio));
}

// The size in 26.6 device pixels, fractional where the ratio makes it so.
FT_F26Dot6 FaceCache::Face::devicePixelSize() const
{
    return FT_F26Dot6(std::lround(m_pixelSize * m_ratio * 64));
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
    const qreal toView = m_strikeScale / 64.0 / m_ratio;
    return FaceCache::Metrics{size.ascender * toView, -size.descender * toView, averageWidth};
}

std::optional<FaceLocation> FaceCache::Face::nearerStrikeFile(const FaceLocation &opened) const
{
    return m_face ? BitmapStrikes::NearerFile(m_face, opened, devicePixels()) : std::nullopt;
}

const GlyphImage &FaceCache::Face::glyph(unsigned int index, QRgb colour)
{
    const quint64 key = quint64(index) << 32 | colour;
    auto found = m_glyphs.find(key);
    if (found == m_glyphs.end()) {
        GlyphImage image = render(index, colour);
        // Drawn one image pixel to one device pixel.
        image.cover.setDevicePixelRatio(m_ratio);
        image.add.setDevicePixelRatio(m_ratio);
        found = m_glyphs.emplace(key, std::move(image)).first;
    }
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
    if (FT_HAS_COLOR(m_face)) // the colour of layers that take the text's
        FT_Palette_Set_Foreground_Color(m_face, FT_Color{FT_Byte(qBlue(colour)), FT_Byte(qGreen(colour)),
                                                         FT_Byte(qRed(colour)), FT_Byte(qAlpha(colour))});
    const bool loaded = FT_Load_Glyph(m_face, index, m_settings.loadFlags) == 0;
    if (loaded && !WorthRasterising(*m_face->glyph, devicePixels()))
        return image; // drawn as nothing
    if (!loaded || FT_Render_Glyph(m_face->glyph, m_settings.renderMode) != 0) {
        image.missing = true;
        return image;
    }
    if (m_face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_BGRA)
        return ColourGlyph(*m_face->glyph, m_strikeScale);
    image.offset = QPoint(m_face->glyph->bitmap_left, -m_face->glyph->bitmap_top);
    const BitmapImages images = ImagesOfBitmap(m_face->glyph->bitmap, colour, m_settings.bgr);
    image.cover = images.cover;
    image.add = images.add;
    return image;
}
