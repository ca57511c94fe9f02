// SPDX-License-Identifier: MIT
#include "bitmapstrikes.h"

#include "facecache.h"
#include "fontconfigsupport.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

namespace BitmapStrikes {

namespace {

int leastLineHeight(int pixelSize)
{
    return int(std::ceil(FaceCache::LeastAscentEms * pixelSize)) + int(std::ceil(FaceCache::LeastDescentEms * pixelSize));
}

int rounded26Dot6(FT_Pos value)
{
    return int((value + 32) / 64);
}

// The family's files of the style that have a pixel size: its bitmap strikes.
std::vector<std::pair<FaceLocation, Strike>> strikeFilesOf(const char *family, const char *style)
{
    const Fontconfig::Pattern pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(family));
    FcPatternAddString(pattern.get(), FC_STYLE, reinterpret_cast<const FcChar8 *>(style));
    const Fontconfig::ObjectSet objects(
        FcObjectSetBuild(FC_FILE, FC_INDEX, FC_PIXEL_SIZE, FC_CHARSET, static_cast<char *>(nullptr)));
    const Fontconfig::FontSet fonts(FcFontList(nullptr, pattern.get(), objects.get()));
    std::vector<std::pair<FaceLocation, Strike>> files;
    for (int index = 0; fonts && index < fonts->nfont; ++index) {
        const FcPattern &font = *fonts->fonts[index];
        double size = 0;
        FcCharSet *characters = nullptr;
        if (FcPatternGetDouble(&font, FC_PIXEL_SIZE, 0, &size) != FcResultMatch)
            continue;
        FcPatternGetCharSet(&font, FC_CHARSET, 0, &characters);
        const int pixels = int(std::lround(size));
        files.push_back({Fontconfig::LocationOf(font),
                         {pixels, pixels, characters ? int(FcCharSetCount(characters)) : 0}});
    }
    return files;
}

} // namespace

qsizetype Nearest(std::span<const Strike> strikes, int pixelSize)
{
    const int tallest = leastLineHeight(pixelSize);
    const auto order = [pixelSize, tallest](const Strike &strike) {
        const bool fits = strike.height <= tallest;
        return std::tuple(!fits, fits ? std::abs(strike.size - pixelSize) : strike.height, -strike.characters);
    };
    const auto nearest = std::min_element(strikes.begin(), strikes.end(), [&order](const Strike &left, const Strike &right) {
        return order(left) < order(right);
    });
    return nearest - strikes.begin();
}

FT_Int NearestOfFace(FT_Face face, int pixelSize)
{
    std::vector<Strike> strikes;
    for (FT_Int index = 0; index < face->num_fixed_sizes; ++index) {
        const FT_Bitmap_Size &size = face->available_sizes[index];
        strikes.push_back({rounded26Dot6(size.y_ppem), size.height, 0});
    }
    return FT_Int(Nearest(strikes, pixelSize));
}

std::optional<FaceLocation> NearerFile(FT_Face face, const FaceLocation &opened, int pixelSize)
{
    if (FT_IS_SCALABLE(face) || face->num_fixed_sizes == 0 || !face->family_name || !face->style_name)
        return std::nullopt;
    std::vector<std::pair<FaceLocation, Strike>> files = strikeFilesOf(face->family_name, face->style_name);
    if (files.empty())
        return std::nullopt;
    // The file already open stays where another is no nearer.
    const auto isOpened = [&opened](const auto &file) {
        return file.first.file == opened.file && file.first.index == opened.index;
    };
    std::stable_partition(files.begin(), files.end(), isOpened);
    std::vector<Strike> strikes;
    for (const auto &file : files)
        strikes.push_back(file.second);
    const auto &nearest = files[size_t(Nearest(strikes, pixelSize))];
    return isOpened(nearest) ? std::nullopt : std::optional(nearest.first);
}

} // namespace BitmapStrikes
