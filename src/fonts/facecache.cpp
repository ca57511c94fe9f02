#include "facecache.h"

#include "directionalruns.h"
#include "fontconfigsupport.h"
#include "textpiece.h"

#include <QImage>
#include <QPainter>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_LCD_FILTER_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>
#include <hb.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace {

using Fontconfig::Pattern;

// How the screen wants glyphs drawn, as fontconfig's rules say for any font.
struct RenderSettings
{
    FT_Int32 loadFlags = FT_LOAD_DEFAULT;
    FT_Render_Mode renderMode = FT_RENDER_MODE_NORMAL;
    bool subpixel = false;
    bool bgr = false;
};

RenderSettings screenRenderSettings()
{
    const Pattern pattern(FcPatternCreate());
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
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

// A font file as FreeType reads it: on demand, with pread, so that a file that shrinks while
// open reads short, which FreeType reports as an error, where a memory map would fault. FreeType
// reads a face's tables a few bytes at a time, so reads are served from one block read ahead.
class FontFileStream
{
    Q_DISABLE_COPY_MOVE(FontFileStream)

public:
    explicit FontFileStream(const QByteArray &path)
        : m_fd(::open(path.constData(), O_RDONLY | O_CLOEXEC))
    {
        struct stat status = {};
        if (m_fd < 0 || fstat(m_fd, &status) != 0)
            return;
        m_stream.descriptor.pointer = this;
        m_stream.size = static_cast<unsigned long>(status.st_size);
        m_stream.read = read;
        m_stream.close = closeNothing;
    }

    ~FontFileStream()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // None when the file cannot be read at all.
    FT_Stream stream() { return m_stream.read ? &m_stream : nullptr; }

private:
    static constexpr unsigned long BlockSize = 16 * 1024;

    static unsigned long read(FT_Stream stream, unsigned long offset, unsigned char *buffer, unsigned long count)
    {
        if (count == 0) // a seek: fine as long as it stays within the file
            return offset > stream->size ? 1 : 0;
        return static_cast<FontFileStream *>(stream->descriptor.pointer)->readAt(offset, buffer, count);
    }

    static void closeNothing(FT_Stream /*stream*/)
    {
        // The descriptor belongs to the face, which closes it after FreeType is done with it.
    }

    unsigned long readAt(unsigned long offset, unsigned char *buffer, unsigned long count)
    {
        if (count > BlockSize)
            return preadInto(buffer, offset, count);
        if (offset < m_blockStart || offset + count > m_blockStart + m_block.size()) {
            m_block.resize(BlockSize);
            m_block.resize(preadInto(m_block.data(), offset, BlockSize));
            m_blockStart = offset;
        }
        const unsigned long available = std::min<unsigned long>(count, m_blockStart + m_block.size() - offset);
        std::memcpy(buffer, m_block.data() + (offset - m_blockStart), available);
        return available;
    }

    unsigned long preadInto(unsigned char *buffer, unsigned long offset, unsigned long count) const
    {
        const ssize_t read = pread(m_fd, buffer, count, off_t(offset));
        return read < 0 ? 0 : static_cast<unsigned long>(read);
    }

    int m_fd = -1;
    FT_StreamRec m_stream = {};
    unsigned long m_blockStart = 0;
    std::vector<unsigned char> m_block; // the bytes from m_blockStart that the file held
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

} // namespace

struct FaceCache::Library
{
    Library()
    {
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
        else if (settings.subpixel)
            FT_Library_SetLcdFilter(library, FT_LCD_FILTER_DEFAULT);
    }
    ~Library()
    {
        if (library)
            FT_Done_FreeType(library);
    }
    Q_DISABLE_COPY_MOVE(Library)

    FT_Library library = nullptr;
    RenderSettings settings = screenRenderSettings();
};

class FaceCache::Face
{
    Q_DISABLE_COPY_MOVE(Face)

public:
    Face(QString family, const FaceLocation &location, int pixelSize, std::shared_ptr<const Library> library)
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
        if (FT_Set_Pixel_Sizes(m_face, 0, FT_UInt(pixelSize)) != 0 && m_face->num_fixed_sizes > 0)
            FT_Select_Size(m_face, 0); // a bitmap-only face offers fixed sizes alone
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

    ~Face()
    {
        if (m_font)
            hb_font_destroy(m_font); // drops its reference to the FreeType face
        if (m_face)
            FT_Done_Face(m_face);
    }

    const QString &family() const { return m_family; }
    hb_font_t *font() const { return m_font; }
    int pixelSize() const { return m_pixelSize; }
    bool covers(char32_t character) const { return m_face && FT_Get_Char_Index(m_face, character) != 0; }

    std::optional<FaceCache::Metrics> metrics() const
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

    const GlyphImage &glyph(unsigned int index, QRgb colour)
    {
        const quint64 key = quint64(index) << 32 | colour;
        auto found = m_glyphs.find(key);
        if (found == m_glyphs.end())
            found = m_glyphs.emplace(key, render(index, colour)).first;
        return found->second;
    }

private:
    // The charmap that symbol fonts keep beside or instead of a Unicode one: a Type 1 font's own
    // encoding, or a Windows symbol font's.
    static FT_CharMap symbolMapOf(FT_Face face)
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
    hb_font_t *withSymbolLookup(hb_font_t *unicodeFont)
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

    static hb_bool_t nominalGlyph(hb_font_t *font, void *face, hb_codepoint_t character, hb_codepoint_t *glyph,
                                  void * /*userData*/)
    {
        return hb_font_get_nominal_glyph(hb_font_get_parent(font), character, glyph)
            || static_cast<const Face *>(face)->symbolGlyph(character, glyph);
    }

    // The symbol charmap's glyph for the code, which Windows symbol fonts move to 0xF000 and up.
    bool symbolGlyph(hb_codepoint_t code, hb_codepoint_t *glyph) const
    {
        FT_CharMap unicodeMap = m_face->charmap;
        FT_Set_Charmap(m_face, m_symbolMap);
        *glyph = FT_Get_Char_Index(m_face, code);
        if (*glyph == 0 && code < 0x100)
            *glyph = FT_Get_Char_Index(m_face, 0xF000 + code);
        FT_Set_Charmap(m_face, unicodeMap);
        return *glyph != 0;
    }

    GlyphImage render(unsigned int index, QRgb colour) const
    {
        GlyphImage image;
        if (FT_Load_Glyph(m_face, index, m_settings.loadFlags) != 0
            || FT_Render_Glyph(m_face->glyph, m_settings.renderMode) != 0) {
            image.missing = true;
            return image;
        }
        const FT_Bitmap &bitmap = m_face->glyph->bitmap;
        const bool lcd = bitmap.pixel_mode == FT_PIXEL_MODE_LCD;
        const int width = int(lcd ? bitmap.width / 3 : bitmap.width);
        const int height = int(bitmap.rows);
        image.offset = QPoint(m_face->glyph->bitmap_left, -m_face->glyph->bitmap_top);
        if (width == 0 || height == 0)
            return image;

        image.cover = QImage(width, height, lcd ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        if (lcd)
            image.add = QImage(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            const unsigned char *row = bitmap.buffer + y * bitmap.pitch;
            auto *cover = reinterpret_cast<QRgb *>(image.cover.scanLine(y));
            for (int x = 0; x < width; ++x) {
                if (!lcd) {
                    const int alpha = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                        ? ((row[x / 8] >> (7 - x % 8)) & 1) * 255
                        : row[x];
                    cover[x] = qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha));
                    continue;
                }
                int red = row[3 * x];
                const int green = row[3 * x + 1];
                int blue = row[3 * x + 2];
                if (m_settings.bgr)
                    std::swap(red, blue);
                cover[x] = qRgb(255 - red, 255 - green, 255 - blue);
                reinterpret_cast<QRgb *>(image.add.scanLine(y))[x] = qRgb(
                    qRed(colour) * red / 255, qGreen(colour) * green / 255, qBlue(colour) * blue / 255);
            }
        }
        return image;
    }

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

namespace {

// Text shaped by HarfBuzz in one face; holding it keeps the face open.
class ShapedPiece final : public TextPiece
{
    Q_DISABLE_COPY_MOVE(ShapedPiece)

public:
    ShapedPiece(std::shared_ptr<FaceCache::Face> face, QStringView text)
        : m_face(std::move(face))
        , m_columnX(size_t(text.size()) + 1, std::nanf(""))
    {
        if (m_face->font())
            shape(text);
        else
            showMissing(text);
        m_columnX.back() = float(m_width);
        // Characters inside a cluster share its caret place.
        for (size_t column = 1; column < m_columnX.size(); ++column) {
            if (std::isnan(m_columnX[column]))
                m_columnX[column] = m_columnX[column - 1];
        }
        if (std::isnan(m_columnX.front()))
            m_columnX.front() = 0;
    }

    qreal width() const override { return m_width; }
    qreal cursorToX(int column) const override { return m_columnX[size_t(std::clamp(column, 0, int(m_columnX.size()) - 1))]; }

    int xToCursor(qreal x) const override
    {
        int nearest = 0;
        for (size_t column = 1; column < m_columnX.size(); ++column) {
            if (std::abs(m_columnX[column] - x) < std::abs(m_columnX[size_t(nearest)] - x))
                nearest = int(column);
        }
        return nearest;
    }

    void draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const override
    {
        const QRectF shown = painter.clipBoundingRect();
        for (const Glyph &glyph : m_glyphs) {
            const QPointF origin = baselineStart + QPointF(glyph.x, glyph.y);
            if (!shown.isEmpty() && (origin.x() > shown.right() || origin.x() + glyph.advance < shown.left()))
                continue;
            const GlyphImage *image = glyph.index ? &m_face->glyph(*glyph.index, colour.rgb()) : nullptr;
            if (!image || image->missing) {
                drawMissing(painter, origin, glyph.advance, colour);
                continue;
            }
            const QPoint at = origin.toPoint() + image->offset;
            if (image->add.isNull()) {
                painter.drawImage(at, image->cover);
                continue;
            }
            // Each channel of the page keeps what the glyph leaves uncovered, then takes the colour.
            const QPainter::CompositionMode mode = painter.compositionMode();
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
            painter.drawImage(at, image->cover);
            painter.setCompositionMode(QPainter::CompositionMode_Plus);
            painter.drawImage(at, image->add);
            painter.setCompositionMode(mode);
        }
    }

private:
    struct Glyph
    {
        std::optional<unsigned int> index; // none for a character the face cannot show
        float x = 0;
        float y = 0;
        float advance = 0;
    };

    // Each directional run is shaped on its own, with the whole text as its context, and
    // placed where the bidirectional algorithm shows it.
    void shape(QStringView text)
    {
        for (const DirectionalRun &run : VisualRuns(text))
            m_width = shapeRun(text, run, m_width);
    }

    qreal shapeRun(QStringView text, const DirectionalRun &run, qreal x)
    {
        const std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buffer(hb_buffer_create(), &hb_buffer_destroy);
        hb_buffer_add_utf16(buffer.get(), reinterpret_cast<const uint16_t *>(text.utf16()), int(text.size()),
                            unsigned(run.start), run.length);
        hb_buffer_set_direction(buffer.get(), run.rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_guess_segment_properties(buffer.get());
        hb_shape(m_face->font(), buffer.get(), nullptr, 0);

        unsigned int count = 0;
        const hb_glyph_info_t *infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
        const hb_glyph_position_t *positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
        for (unsigned int index = 0; index < count; ++index) {
            const float advance = float(positions[index].x_advance) / 64;
            m_glyphs.push_back({infos[index].codepoint, float(x + positions[index].x_offset / 64.0),
                                float(-positions[index].y_offset / 64.0), advance});
            float &caret = m_columnX[std::min<size_t>(infos[index].cluster, m_columnX.size() - 1)];
            if (std::isnan(caret))
                caret = float(run.rightToLeft ? x + advance : x);
            x += advance;
        }
        return x;
    }

    void showMissing(QStringView text)
    {
        const float advance = float(m_face->pixelSize()) * 0.6f;
        for (qsizetype column = 0; column < text.size(); ++column) {
            if (text.at(column).isLowSurrogate())
                continue;
            m_columnX[size_t(column)] = float(m_width);
            m_glyphs.push_back({std::nullopt, float(m_width), 0, advance});
            m_width += advance;
        }
    }

    void drawMissing(QPainter &painter, QPointF origin, float advance, const QColor &colour) const
    {
        const qreal height = m_face->pixelSize() * 0.7;
        painter.setPen(colour);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(origin.x() + 1, origin.y() - height, std::max(1.0, advance - 3.0), height));
    }

    std::shared_ptr<FaceCache::Face> m_face;
    std::vector<Glyph> m_glyphs;
    std::vector<float> m_columnX;
    qreal m_width = 0;
};


// Stretches of one text shaped in different faces, side by side.
class SplicedPiece final : public TextPiece
{
    Q_DISABLE_COPY_MOVE(SplicedPiece)

public:
    struct Stretch
    {
        int column = 0;
        qreal x = 0;
        std::unique_ptr<TextPiece> piece;
    };

    explicit SplicedPiece(std::vector<Stretch> stretches)
        : m_stretches(std::move(stretches))
    {
    }

    qreal width() const override { return m_stretches.back().x + m_stretches.back().piece->width(); }

    qreal cursorToX(int column) const override
    {
        const Stretch &stretch = stretchOf([column](const Stretch &next) { return next.column <= column; });
        return stretch.x + stretch.piece->cursorToX(column - stretch.column);
    }

    int xToCursor(qreal x) const override
    {
        const Stretch &stretch = stretchOf([x](const Stretch &next) { return next.x <= x; });
        return stretch.column + stretch.piece->xToCursor(x - stretch.x);
    }

    void draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const override
    {
        for (const Stretch &stretch : m_stretches)
            stretch.piece->draw(painter, baselineStart + QPointF(stretch.x, 0), colour);
    }

private:
    // The last stretch that starts at or before the place.
    template<typename StartsBefore>
    const Stretch &stretchOf(StartsBefore startsBefore) const
    {
        const auto after = std::find_if_not(m_stretches.cbegin() + 1, m_stretches.cend(), startsBefore);
        return *(after - 1);
    }

    std::vector<Stretch> m_stretches;
};

FaceLocation locationOf(const FcPattern &font)
{
    FcChar8 *file = nullptr;
    int index = 0;
    if (FcPatternGetString(&font, FC_FILE, 0, &file) != FcResultMatch)
        return {};
    FcPatternGetInteger(&font, FC_INDEX, 0, &index);
    return {QByteArray(reinterpret_cast<const char *>(file)), index};
}

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
    return locationOf(*fonts->fonts[0]);
}

char32_t characterAt(QStringView text, int column)
{
    const QChar first = text.at(column);
    if (first.isHighSurrogate() && column + 1 < text.size() && text.at(column + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(first, text.at(column + 1));
    return first.unicode();
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

FaceCache::FaceCache(QString baseFamily, FaceLocations locations, int pixelSize)
    : m_baseFamily(std::move(baseFamily))
    , m_locations(std::move(locations))
    , m_pixelSize(pixelSize)
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
        face = std::make_shared<Face>(family, m_locations.value(family), m_pixelSize, m_library);
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

std::optional<FaceCache::Metrics> FaceCache::baseMetrics()
{
    return baseFace()->metrics();
}

std::unique_ptr<TextPiece> FaceCache::shapeInBaseFace(QStringView text)
{
    struct Start
    {
        int column;
        std::shared_ptr<Face> face;
    };
    std::vector<Start> starts;
    for (int column = 0; column < text.size();) {
        const char32_t character = characterAt(text, column);
        if (starts.empty() || !joinsPrevious(character)) {
            std::shared_ptr<Face> face = faceFor(character);
            if (starts.empty() || face != starts.back().face)
                starts.push_back({column, std::move(face)});
        }
        column += QChar::requiresSurrogates(character) ? 2 : 1;
    }
    if (starts.size() <= 1)
        return std::make_unique<ShapedPiece>(starts.empty() ? baseFace() : starts.front().face, text);

    std::vector<SplicedPiece::Stretch> stretches;
    qreal x = 0;
    for (size_t index = 0; index < starts.size(); ++index) {
        const int end = index + 1 < starts.size() ? starts[index + 1].column : int(text.size());
        const int start = starts[index].column;
        auto piece = std::make_unique<ShapedPiece>(starts[index].face, text.sliced(start, end - start));
        const qreal width = piece->width();
        stretches.push_back({start, x, std::move(piece)});
        x += width;
    }
    return std::make_unique<SplicedPiece>(std::move(stretches));
}

const std::shared_ptr<FaceCache::Face> &FaceCache::baseFace()
{
    if (!m_base) {
        std::optional<FaceLocation> location = regularFaceOf(m_baseFamily);
        if (!location) {
            FcResult result = FcResultNoMatch;
            const Pattern match(FcFontMatch(nullptr, Fontconfig::SubstitutedPattern(m_baseFamily).get(), &result));
            location = match ? locationOf(*match) : FaceLocation();
        }
        m_base = std::make_shared<Face>(m_baseFamily, *location, m_pixelSize, m_library);
    }
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
            m_fallbacks->push_back({locationOf(font), Fontconfig::CharSet(FcCharSetCopy(characters)), nullptr});
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
            fallback.face = std::make_shared<Face>(m_baseFamily, fallback.location, m_pixelSize, m_library);
        if (fallback.face->covers(character))
            return fallback.face;
    }
    return base; // shown as a missing glyph
}
