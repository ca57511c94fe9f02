// SPDX-License-Identifier: MIT
#pragma once

#include "facelocation.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <optional>
#include <span>

// Bitmap fonts come in strikes of fixed sizes: several in one file, or one file per size that
// fontconfig lists under one family and style.
namespace BitmapStrikes {

struct Strike
{
    int size = 0; // the pixel size it was drawn for
    int height = 0; // from its top to its bottom, as tall as it stands on a line
    int characters = 0; // of equal sizes, the one with the most characters is taken
};

// The strike nearest the pixel size among those no taller than the least line of that size;
// where none fits, the shortest.
qsizetype Nearest(std::span<const Strike> strikes, int pixelSize);
// The index of the face's strike to select.
FT_Int NearestOfFace(FT_Face face, int pixelSize);
// Another file of the bitmap face's family and style whose strike is nearer the pixel size.
std::optional<FaceLocation> NearerFile(FT_Face face, const FaceLocation &opened, int pixelSize);

} // namespace BitmapStrikes
