// SPDX-License-Identifier: MIT
#include "fontconfigsupport.h"

namespace Fontconfig {

QString StringAt(const FcPattern &pattern, const char *object, int index)
{
    FcChar8 *value = nullptr;
    if (FcPatternGetString(&pattern, object, index, &value) != FcResultMatch)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(value));
}

FaceLocation LocationOf(const FcPattern &font)
{
    FcChar8 *file = nullptr;
    int index = 0;
    if (FcPatternGetString(&font, FC_FILE, 0, &file) != FcResultMatch)
        return {};
    FcPatternGetInteger(&font, FC_INDEX, 0, &index);
    // A path is bytes: it need not be UTF-8.
    return {QByteArray(reinterpret_cast<const char *>(file)), index};
}

Pattern FamilyPattern(const QString &family)
{
    Pattern pattern(FcPatternCreate());
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
    return pattern;
}

Pattern Substituted(Pattern pattern)
{
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

Pattern SubstitutedPattern(const QString &family)
{
    return Substituted(FamilyPattern(family));
}

} // namespace Fontconfig
