// SPDX-License-Identifier: MIT
#pragma once

#include "facelocation.h"
#include "fontconfigsupport.h"

#include <QHash>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <map>
#include <optional>
#include <utility>

// How fontconfig's rules want one face drawn.
struct RenderSettings
{
    FT_Int32 loadFlags = FT_LOAD_DEFAULT;
    FT_Render_Mode renderMode = FT_RENDER_MODE_NORMAL;
    bool subpixel = false;
    bool bgr = false;
    std::array<FT_Byte, 5> lcdWeights = {}; // for subpixel rendering
};

// The rules fontconfig holds for drawing each font: those a user writes for one family
// (`<match target="font">`) apply to that family's faces alone. Rules for what is asked
// (`target="pattern"`) apply as to a request for any font at the size.
class FontRules
{
    Q_DISABLE_COPY_MOVE(FontRules)

public:
    FontRules();
    // Rules of another configuration than the program's.
    explicit FontRules(Fontconfig::Config config);

    // The settings for the face of the family opened from the location, at the size in device
    // pixels.
    RenderSettings settingsFor(const QString &family, const FaceLocation &location, qreal pixelSize,
                               FT_Face face) const;
    // Whether these are the rules of fontconfig's configuration as it now is, not as it was
    // before it was read anew.
    bool current() const { return m_config.get() == FcConfigGetCurrent(); }

private:
    using Key = std::pair<QByteArray, int>;

    const FcPattern &requestAt(qreal pixelSize) const;
    Fontconfig::Pattern fontAt(const QString &family, const FaceLocation &location) const;

    Fontconfig::Config m_config;
    mutable std::map<long, Fontconfig::Pattern> m_requests; // by the size in 26.6 pixels
    // The fonts fontconfig knows by where they are stored, gathered when a face first asks:
    // finding one by a listing would compare it with every font.
    mutable std::optional<QHash<Key, const FcPattern *>> m_fonts;
};
