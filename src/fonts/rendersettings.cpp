// SPDX-License-Identifier: MIT
#include "rendersettings.h"

#include <cmath>

namespace {

using Fontconfig::Pattern;

bool flagOf(const FcPattern &font, const char *object, bool otherwise)
{
    FcBool value = otherwise ? FcTrue : FcFalse;
    FcPatternGetBool(&font, object, 0, &value);
    return value != FcFalse;
}

int numberOf(const FcPattern &font, const char *object, int otherwise)
{
    int value = otherwise;
    FcPatternGetInteger(&font, object, 0, &value);
    return value;
}

std::array<FT_Byte, 5> lcdWeightsOf(int filter)
{
    switch (filter) {
    case FC_LCD_NONE:
        return {0x00, 0x00, 0xFF, 0x00, 0x00}; // as near to no filter as five taps come
    case FC_LCD_LIGHT:
        return {0x00, 0x55, 0x56, 0x55, 0x00};
    default:
        return {0x08, 0x4D, 0x56, 0x4D, 0x08}; // FreeType's default, which its legacy filter maps to
    }
}

// Colour glyphs are images with an alpha of their own: neither bilevel nor split into subpixels.
RenderSettings inColour(RenderSettings settings, FT_Face face)
{
    if (FT_HAS_COLOR(face)) {
        settings.loadFlags |= FT_LOAD_COLOR;
        settings.renderMode = FT_RENDER_MODE_NORMAL;
        settings.subpixel = false;
    }
    return settings;
}

RenderSettings settingsOf(const FcPattern &font, FT_Face face)
{
    RenderSettings settings;
    // A face without outlines has nothing to draw but its bitmaps.
    if (!flagOf(font, FC_EMBEDDED_BITMAP, true) && FT_IS_SCALABLE(face))
        settings.loadFlags |= FT_LOAD_NO_BITMAP;
    if (flagOf(font, FC_AUTOHINT, false))
        settings.loadFlags |= FT_LOAD_FORCE_AUTOHINT;
    const int hintStyle = flagOf(font, FC_HINTING, true) ? numberOf(font, FC_HINT_STYLE, FC_HINT_SLIGHT) : FC_HINT_NONE;
    if (hintStyle == FC_HINT_NONE)
        settings.loadFlags |= FT_LOAD_NO_HINTING;
    if (!flagOf(font, FC_ANTIALIAS, true)) {
        settings.loadFlags |= FT_LOAD_TARGET_MONO;
        settings.renderMode = FT_RENDER_MODE_MONO;
        return settings;
    }
    const int rgba = numberOf(font, FC_RGBA, FC_RGBA_UNKNOWN);
    settings.subpixel = rgba == FC_RGBA_RGB || rgba == FC_RGBA_BGR;
    settings.bgr = rgba == FC_RGBA_BGR;
    if (settings.subpixel) {
        settings.renderMode = FT_RENDER_MODE_LCD;
        settings.lcdWeights = lcdWeightsOf(numberOf(font, FC_LCD_FILTER, FC_LCD_DEFAULT));
    }
    if (hintStyle == FC_HINT_SLIGHT)
        settings.loadFlags |= FT_LOAD_TARGET_LIGHT;
    else if (hintStyle != FC_HINT_NONE && settings.subpixel)
        settings.loadFlags |= FT_LOAD_TARGET_LCD;
    return settings;
}

} // namespace

FontRules::FontRules()
    : FontRules(Fontconfig::Config(FcConfigReference(nullptr)))
{
}

FontRules::FontRules(Fontconfig::Config config)
    : m_config(std::move(config))
{
}

RenderSettings FontRules::settingsFor(const QString &family, const FaceLocation &location, qreal pixelSize,
                                      FT_Face face) const
{
    const FcPattern &request = requestAt(pixelSize);
    // Runs the rules for fonts on the face's own pattern, as a match would.
    const Pattern font = fontAt(family, location);
    const Pattern rendered(FcFontRenderPrepare(m_config.get(), const_cast<FcPattern *>(&request), font.get()));
    return inColour(rendered ? settingsOf(*rendered, face) : settingsOf(request, face), face);
}

// What the view asks of any font at the size, as fontconfig's rules complete it: made once,
// since completing it costs more than all the rest of preparing a face's settings.
const FcPattern &FontRules::requestAt(qreal pixelSize) const
{
    Pattern &request = m_requests[std::lround(pixelSize * 64)];
    if (!request) {
        request.reset(FcPatternCreate());
        FcPatternAddDouble(request.get(), FC_PIXEL_SIZE, pixelSize);
        FcConfigSubstitute(m_config.get(), request.get(), FcMatchPattern);
        FcDefaultSubstitute(request.get());
    }
    return *request;
}

// The face's pattern as fontconfig holds it; for a file it does not know, one that names the
// family and the file.
Pattern FontRules::fontAt(const QString &family, const FaceLocation &location) const
{
    if (!m_fonts) {
        m_fonts.emplace();
        for (const FcSetName set : {FcSetSystem, FcSetApplication}) {
            const FcFontSet *fonts = m_config ? FcConfigGetFonts(m_config.get(), set) : nullptr;
            for (int index = 0; fonts && index < fonts->nfont; ++index) {
                const FaceLocation known = Fontconfig::LocationOf(*fonts->fonts[index]);
                m_fonts->insert({known.file, known.index}, fonts->fonts[index]);
            }
        }
    }
    if (const FcPattern *known = m_fonts->value({location.file, location.index}))
        return Pattern(FcPatternDuplicate(known));
    Pattern font = Fontconfig::FamilyPattern(family);
    FcPatternAddString(font.get(), FC_FILE, reinterpret_cast<const FcChar8 *>(location.file.constData()));
    FcPatternAddInteger(font.get(), FC_INDEX, location.index);
    return font;
}
