// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the font path as a font file: the file stream, FreeType's face,
// HarfBuzz's shaping of a text of many scripts, and the rasterising of glyphs in every way the
// screen can ask for. The sanitizers report what goes wrong; a face that cannot be read must
// still draw its missing glyphs.

#include "fonts/face.h"
#include "fonts/fontconfigsupport.h"
#include "fonts/shapedtext.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryFile>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// Latin, Greek, Cyrillic, Hebrew, Arabic, Devanagari, Han, an emoji, a ligature and digits.
const QString Sample = QStringLiteral(u"Ag ΩЖ אב عربي क्ष 中 😀 ﬁ 12");
// Glyphs drawn by index beyond those of the sample, from the first.
constexpr unsigned int GlyphsByIndex = 256;

// Each way of rasterising that fontconfig's rules can ask for, as a user's rules would.
const std::array<const char *, 6> Renderings{
    R"(<edit name="antialias"><bool>true</bool></edit>)", // the defaults
    R"(<edit name="hintstyle"><const>hintslight</const></edit>)",
    R"(<edit name="hinting"><bool>false</bool></edit>)",
    R"(<edit name="antialias"><bool>false</bool></edit>)",
    R"(<edit name="rgba"><const>rgb</const></edit><edit name="lcdfilter"><const>lcdlight</const></edit>)",
    R"(<edit name="rgba"><const>bgr</const></edit><edit name="embeddedbitmap"><bool>false</bool></edit>)",
};

Fontconfig::Config configWith(const char *edits)
{
    const QByteArray xml = QByteArrayLiteral("<?xml version=\"1.0\"?><fontconfig><match target=\"font\">") + edits
        + QByteArrayLiteral("</match></fontconfig>");
    Fontconfig::Config config(FcConfigCreate());
    FcConfigParseAndLoadFromMemory(config.get(), reinterpret_cast<const FcChar8 *>(xml.constData()), FcFalse);
    return config;
}

// Each ratio of device pixels to the view's, whole and fractional.
constexpr std::array<qreal, 3> Ratios{1.0, 1.5, 2.0};

std::shared_ptr<const FaceCache::Library> libraryFor(size_t rendering)
{
    static const auto libraries = [] {
        std::array<std::shared_ptr<const FaceCache::Library>, Renderings.size()> made;
        for (size_t index = 0; index < made.size(); ++index) {
            made[index] = std::make_shared<FaceCache::Library>(configWith(Renderings[index]));
        }
        return made;
    }();
    return libraries[rendering];
}

// The bytes as a file that the face's stream opens by its path.
class MemoryFile
{
    Q_DISABLE_COPY_MOVE(MemoryFile)

public:
    MemoryFile(const uint8_t *data, size_t size)
        : m_fd(memfd_create("font", MFD_CLOEXEC))
    {
        if (m_fd < 0 || write(m_fd, data, size) != ssize_t(size))
            std::abort();
    }
    ~MemoryFile() { close(m_fd); }
    QByteArray path() const { return "/proc/self/fd/" + QByteArray::number(m_fd); }

private:
    int m_fd = -1;
};

void drawGlyph(QPainter &painter, const GlyphImage &glyph, QPoint origin)
{
    if (glyph.missing)
        return;
    painter.drawImage(origin + glyph.offset, glyph.cover);
    painter.drawImage(origin + glyph.offset, glyph.add);
}

} // namespace

// FreeType and fontconfig are set up once, before the first input. Fontconfig reads an empty
// configuration: the renderings above stand for the screen's, and the machine's fonts and rules
// take no part.
extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/)
{
    static QTemporaryFile config;
    if (!config.open() || config.write("<?xml version=\"1.0\"?>\n<fontconfig/>\n") < 0 || !config.flush())
        std::abort();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(config.fileName()));
    libraryFor(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The length picks the size, the device pixel ratio, the way of rasterising and the face of a
    // collection, so that a seed is a font file as it is installed.
    const int pixelSize = 6 + int(size % 43);
    const qreal ratio = Ratios[size / 7 % Ratios.size()];
    const size_t rendering = size / 43 % Renderings.size();
    const bool collection = size >= 4 && std::equal(data, data + 4, "ttcf");
    const int faceIndex = collection ? int(size / 43 / Renderings.size() % 2) : 0;
    const MemoryFile file(data, size);
    const auto face = std::make_shared<FaceCache::Face>(u"Fuzzed"_qs, FaceLocation{file.path(), faceIndex},
                                                        pixelSize, ratio, libraryFor(rendering));
    face->metrics();
    face->covers(U'A');

    QImage canvas(240, 80, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    const ShapedPiece piece(face, Sample);
    piece.draw(painter, QPointF(4, 50), Qt::black);
    piece.cursorToX(3);
    piece.xToCursor(piece.width() / 2);
    if (face->font()) {
        const unsigned int glyphs = hb_face_get_glyph_count(hb_font_get_face(face->font()));
        for (unsigned int index = 0; index < std::min(glyphs, GlyphsByIndex); ++index)
            drawGlyph(painter, face->glyph(index, qRgb(0, 0, 200)), QPoint(40, 40));
    }
    return 0;
}
