#include "fontconfigsupport.h"

namespace Fontconfig {

Pattern FamilyPattern(const QString &family)
{
    Pattern pattern(FcPatternCreate());
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
    return pattern;
}

Pattern SubstitutedPattern(const QString &family)
{
    Pattern pattern = FamilyPattern(family);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

} // namespace Fontconfig
