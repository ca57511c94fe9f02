// SPDX-License-Identifier: MIT
#include "facecache.h"

#include "directionalruns.h"
#include "face.h"
#include "fontconfigsupport.h"
#include "shapedtext.h"

#include <algorithm>
#include <iterator>

namespace {

using Fontconfig::Pattern;

// The upright, regular, normal-width face of an installed family. Looking it up skips the
// fonts of other families, where a match would score every installed font: an alias such as
// "Sans Serif" still needs the match.
std::optional<FaceLocation> regularFaceOf(const QString &family)
{
    const Pattern regular = Fontconfig::FamilyPattern(family);
    FcPatternAddInteger(regular.get(), FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddInteger(regular.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(regular.get(), FC_WIDTH, FC_WIDTH_NORMAL);
    const Fontconfig::ObjectSet objects(FcObjectSetBuild(FC_FILE, FC_INDEX, static_cast<char *>(nullptr)));
    const Fontconfig::FontSet fonts(FcFontList(nullptr, regular.get(), objects.get()));
    if (!fonts || fonts->nfont == 0)
        return std::nullopt;
    return Fontconfig::LocationOf(*fonts->fonts[0]);
}

// Marks and joiners belong to the character before them, whatever face shows that.
bool joinsPrevious(char32_t character)
{
    const QChar::Category category = QChar::category(character);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
        || category == QChar::Mark_Enclosing || character == 0x200C || character == 0x200D
        || (character >= 0xFE00 && character <= 0xFE0F) || (character >= 0xE0100 && character <= 0xE01EF);
}

} // namespace

struct FaceCache::Fallback
{
    FaceLocation location;
    Fontconfig::CharSet characters;
    std::shared_ptr<Face> face; // opened when a character first needs it
};

FaceCache::FaceCache(QString baseFamily, FaceLocations locations, int pixelSize, qreal devicePixelRatio)
    : m_baseFamily(std::move(baseFamily))
    , m_locations(std::move(locations))
    , m_pixelSize(pixelSize)
    , m_ratio(devicePixelRatio)
    , m_library(std::make_shared<const Library>())
{
}

FaceCache::~FaceCache() = default;

std::unique_ptr<TextPiece> FaceCache::shape(const QString &family, QStringView text)
{
    return std::make_unique<ShapedPiece>(face(family), text);
}

void FaceCache::setLocations(FaceLocations locations)
{
    m_locations = std::move(locations);
    m_recent.clear();
    m_open.clear();
}

bool FaceCache::outdated() const
{
    return !m_library->rules.current();
}

bool FaceCache::setDevicePixelRatio(qreal ratio)
{
    if (qFuzzyCompare(ratio, m_ratio))
        return false;
    m_ratio = ratio;
    closeFaces();
    return true;
}

void FaceCache::setPixelSize(int pixelSize)
{
    if (pixelSize == m_pixelSize)
        return;
    m_pixelSize = pixelSize;
    closeFaces();
}

// Faces are opened at one size: another size opens them anew, from the same files.
void FaceCache::closeFaces()
{
    m_recent.clear();
    m_open.clear();
    m_base.reset();
    if (m_fallbacks) {
        for (Fallback &fallback : *m_fallbacks)
            fallback.face.reset();
    }
}

// A bitmap family listed by one of its files opens the file whose strike is nearest the size.
std::shared_ptr<FaceCache::Face> FaceCache::open(const QString &family, const FaceLocation &location) const
{
    auto face = std::make_shared<Face>(family, location, m_pixelSize, m_ratio, m_library);
    const std::optional<FaceLocation> nearer = face->nearerStrikeFile(location);
    return nearer ? std::make_shared<Face>(family, *nearer, m_pixelSize, m_ratio, m_library) : face;
}

QStringList FaceCache::openFaces() const
{
    QStringList families;
    for (auto it = m_open.cbegin(); it != m_open.cend(); ++it) {
        if (!it->expired())
            families << it.key();
    }
    return families;
}

std::shared_ptr<FaceCache::Face> FaceCache::face(const QString &family)
{
    std::shared_ptr<Face> face = m_open.value(family).lock();
    if (face) {
        const auto recent = std::find(m_recent.begin(), m_recent.end(), face);
        if (recent != m_recent.end())
            m_recent.erase(recent);
    } else {
        face = open(family, m_locations.value(family));
        if (m_open.size() > 2 * RecentFaces)
            m_open.removeIf([](const auto &entry) { return entry.value().expired(); });
        m_open.insert(family, face);
    }
    m_recent.push_front(face);
    if (m_recent.size() > RecentFaces) {
        const QString dropped = m_recent.back()->family();
        m_recent.pop_back();
        if (m_open.value(dropped).expired())
            m_open.remove(dropped);
    }
    return face;
}

// A bitmap family listed by one of its sizes is drawn from the file of the nearest size.
std::optional<FaceCache::Metrics> FaceCache::baseMetrics()
{
    return baseFace()->metrics();
}

std::unique_ptr<TextPiece> FaceCache::shapeInBaseFace(QStringView text)
{
    // Faces are chosen within each item, so that stretches from different fonts show where
    // the bidirectional algorithm puts their characters.
    std::vector<FaceStretch> visual;
    for (const DirectionalRun &item : VisualItems(text)) {
        std::vector<FaceStretch> byFace = faceStretchesOf(text, item);
        if (item.rightToLeft)
            std::reverse(byFace.begin(), byFace.end());
        std::move(byFace.begin(), byFace.end(), std::back_inserter(visual));
    }
    const auto sameFace = [&visual](const FaceStretch &stretch) { return stretch.face == visual.front().face; };
    if (visual.empty() || std::all_of(visual.cbegin(), visual.cend(), sameFace))
        return std::make_unique<ShapedPiece>(visual.empty() ? baseFace() : visual.front().face, text);

    std::vector<SplicedPiece::Stretch> stretches;
    qreal x = 0;
    for (FaceStretch &stretch : visual) {
        auto piece = std::make_unique<ShapedPiece>(std::move(stretch.face), text.sliced(stretch.column, stretch.length));
        const qreal width = piece->width();
        stretches.push_back({stretch.column, stretch.length, x, std::move(piece)});
        x += width;
    }
    return std::make_unique<SplicedPiece>(std::move(stretches));
}

// The item's characters in stretches of one face each, in reading order.
std::vector<FaceCache::FaceStretch> FaceCache::faceStretchesOf(QStringView text, const DirectionalRun &item)
{
    std::vector<FaceStretch> stretches;
    for (int column = item.start; column < item.start + item.length;) {
        const char32_t character = CharacterAt(text, column);
        if (stretches.empty() || !joinsPrevious(character)) {
            std::shared_ptr<Face> face = faceFor(character);
            if (stretches.empty() || face != stretches.back().face)
                stretches.push_back({column, 0, std::move(face)});
        }
        const int units = QChar::requiresSurrogates(character) ? 2 : 1;
        stretches.back().length += units;
        column += units;
    }
    return stretches;
}

const std::shared_ptr<FaceCache::Face> &FaceCache::baseFace()
{
    if (!m_baseLocation) {
        m_baseLocation = regularFaceOf(m_baseFamily);
        if (!m_baseLocation) {
            FcResult result = FcResultNoMatch;
            const Pattern match(FcFontMatch(nullptr, Fontconfig::SubstitutedPattern(m_baseFamily).get(), &result));
            m_baseLocation = match ? Fontconfig::LocationOf(*match) : FaceLocation();
        }
    }
    if (!m_base)
        m_base = open(m_baseFamily, *m_baseLocation);
    return m_base;
}

std::vector<FaceCache::Fallback> &FaceCache::fallbacks()
{
    if (m_fallbacks)
        return *m_fallbacks;
    m_fallbacks.emplace();
    FcResult result = FcResultNoMatch;
    // Trimmed: a font that adds no character to those before it is left out.
    const Fontconfig::FontSet sorted(
        FcFontSort(nullptr, Fontconfig::SubstitutedPattern(m_baseFamily).get(), FcTrue, nullptr, &result));
    for (int index = 0; sorted && index < sorted->nfont; ++index) {
        const FcPattern &font = *sorted->fonts[index];
        FcCharSet *characters = nullptr;
        if (FcPatternGetCharSet(&font, FC_CHARSET, 0, &characters) == FcResultMatch)
            m_fallbacks->push_back({Fontconfig::LocationOf(font), Fontconfig::CharSet(FcCharSetCopy(characters)), nullptr});
    }
    return *m_fallbacks;
}

std::shared_ptr<FaceCache::Face> FaceCache::faceFor(char32_t character)
{
    const std::shared_ptr<Face> &base = baseFace();
    if (base->covers(character))
        return base;
    for (Fallback &fallback : fallbacks()) {
        if (!FcCharSetHasChar(fallback.characters.get(), character))
            continue;
        if (!fallback.face)
            fallback.face = open(m_baseFamily, fallback.location);
        if (fallback.face->covers(character))
            return fallback.face;
    }
    return base; // shown as a missing glyph
}
