#pragma once

#include "facelocation.h"

#include <QStringList>

#include <list>
#include <memory>

class TextPiece;

// Draws samples in their own faces with FreeType and HarfBuzz. A face is opened only for a
// line being laid out, read from its file on demand, and closed with its glyphs once no laid
// out line holds it and it has dropped out of the few most recently used.
class FaceCache
{
    Q_DISABLE_COPY_MOVE(FaceCache)

public:
    // Faces kept open beyond those of the lines laid out: a few screens of lines.
    static constexpr int RecentFaces = 96;

    FaceCache(FaceLocations locations, int pixelSize);
    ~FaceCache();

    bool knows(const QString &family) const { return m_locations.contains(family); }
    const FaceLocations &locations() const { return m_locations; }
    // The text shaped in the family's face; a face that cannot be read shows missing glyphs.
    std::unique_ptr<TextPiece> shape(const QString &family, QStringView text);
    QStringList openFaces() const;

    class Face;
    struct Library;

private:
    std::shared_ptr<Face> face(const QString &family);

    FaceLocations m_locations;
    int m_pixelSize;
    std::shared_ptr<const Library> m_library; // shared with every face, which outlives the cache
    std::list<std::shared_ptr<Face>> m_recent; // most recent first
    QHash<QString, std::weak_ptr<Face>> m_open;
};
