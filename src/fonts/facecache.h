// SPDX-License-Identifier: MIT
#pragma once

#include "facelocation.h"

#include <QStringList>

#include <list>
#include <memory>
#include <optional>
#include <vector>

class TextPiece;
struct DirectionalRun;

// Draws text with FreeType and HarfBuzz, so that showing a font never makes Qt load it or
// list every installed font.
//
// Samples: a face is opened only for a line being laid out, read from its file on demand, and
// closed with its glyphs once no laid out line holds it and it has dropped out of the few most
// recently used. Names: the base face stays open, with the faces fontconfig puts in its place
// for characters it lacks.
class FaceCache
{
    Q_DISABLE_COPY_MOVE(FaceCache)

public:
    // Faces kept open beyond those of the lines laid out: a few screens of lines.
    static constexpr int RecentFaces = 96;
    // Every line stands at least this far above and below its baseline, in ems of the samples'
    // size, whatever the base face measures: the shares of the size a face's ascent and descent
    // commonly take. Bitmap strikes are chosen to fit within it.
    static constexpr qreal LeastAscentEms = 0.95;
    static constexpr qreal LeastDescentEms = 0.3;

    struct Metrics
    {
        qreal ascent = 0;
        qreal descent = 0;
        qreal averageCharWidth = 0;
    };

    // The pixel size is the view's; glyphs are drawn at the ratio's device pixels.
    FaceCache(QString baseFamily, FaceLocations locations, int pixelSize, qreal devicePixelRatio);
    ~FaceCache();

    const QString &baseFamily() const { return m_baseFamily; }
    bool knows(const QString &family) const { return m_locations.contains(family); }
    const FaceLocations &locations() const { return m_locations; }
    void setLocations(FaceLocations locations);
    // Whether fontconfig has read its configuration anew since the cache was made: its rules and
    // the fonts that fill in for the base face may have changed with the fonts installed.
    bool outdated() const;
    // The text shaped in the family's face; a face that cannot be read shows missing glyphs.
    std::unique_ptr<TextPiece> shape(const QString &family, QStringView text);
    QStringList openFaces() const;
    qreal devicePixelRatio() const { return m_ratio; }
    // Closes every face when the ratio changes, so that text is shaped and drawn anew at it;
    // whether it changed.
    bool setDevicePixelRatio(qreal ratio);
    // Closes every face, as for a new ratio; the base face and its fallbacks need no new search.
    void setPixelSize(int pixelSize);

    // The base face's own measures; none where no face of it can be read.
    std::optional<Metrics> baseMetrics();
    // The text in the base face, with each character it lacks from the first face that has it.
    std::unique_ptr<TextPiece> shapeInBaseFace(QStringView text);

    class Face;
    struct Library;

private:
    struct Fallback;
    // Characters of an item that one face shows.
    struct FaceStretch
    {
        int column = 0;
        int length = 0;
        std::shared_ptr<Face> face;
    };

    void closeFaces();
    std::shared_ptr<Face> open(const QString &family, const FaceLocation &location) const;
    std::shared_ptr<Face> face(const QString &family);
    const std::shared_ptr<Face> &baseFace();
    std::vector<Fallback> &fallbacks();
    std::shared_ptr<Face> faceFor(char32_t character);
    std::vector<FaceStretch> faceStretchesOf(QStringView text, const DirectionalRun &item);

    QString m_baseFamily;
    FaceLocations m_locations;
    int m_pixelSize;
    qreal m_ratio;
    std::shared_ptr<const Library> m_library; // shared with every face, which outlives the cache
    std::list<std::shared_ptr<Face>> m_recent; // most recent first
    QHash<QString, std::weak_ptr<Face>> m_open;
    std::optional<FaceLocation> m_baseLocation; // found once: a search lists every installed font
    std::shared_ptr<Face> m_base;
    // Sorted by fontconfig only once a name holds a character the base face lacks: a sort
    // scores every installed font.
    std::optional<std::vector<Fallback>> m_fallbacks;
};
