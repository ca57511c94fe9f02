#include "basefont.h"

#include <QApplication>
#include <QFontInfo>

#ifdef TYPESHELF_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <memory>
#endif

namespace {

#ifdef TYPESHELF_HAVE_FONTCONFIG
// Asks fontconfig, which resolves an alias without looking at every family.
QString realFamily(const QFont &font)
{
    using Pattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;
    const Pattern pattern(FcPatternCreate(), &FcPatternDestroy);
    const QByteArray family = font.family().toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.constData()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
    FcChar8 *matched = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FAMILY, 0, &matched) != FcResultMatch)
        return QFontInfo(font).family();
    return QString::fromUtf8(reinterpret_cast<const char *>(matched));
}
#else
QString realFamily(const QFont &font)
{
    return QFontInfo(font).family();
}
#endif

} // namespace

void ResolveApplicationFontFamily()
{
    QFont font = QApplication::font();
    font.setFamilies({realFamily(font)});
    QApplication::setFont(font);
}
