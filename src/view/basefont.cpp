#include "basefont.h"

#include <QApplication>
#include <QFontInfo>

#ifdef TYPESHELF_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <memory>
#endif

namespace {

bool isGenericFamily(const QString &family)
{
    return family == u"Sans Serif" || family == u"Serif" || family == u"Monospace";
}

// Asks fontconfig where it is there: it resolves an alias without looking at every family.
QString realFamily(const QString &family)
{
#ifdef TYPESHELF_HAVE_FONTCONFIG
    using Pattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;
    const Pattern pattern(FcPatternCreate(), &FcPatternDestroy);
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
    FcChar8 *matched = nullptr;
    if (match && FcPatternGetString(match.get(), FC_FAMILY, 0, &matched) == FcResultMatch)
        return QString::fromUtf8(reinterpret_cast<const char *>(matched));
#endif
    return QFontInfo(QFont(family)).family();
}

} // namespace

QString LoadableFamily(const QString &family)
{
    return isGenericFamily(family) ? realFamily(family) : family;
}

void ResolveApplicationFontFamily()
{
    QFont font = QApplication::font();
    font.setFamilies({realFamily(font.family())});
    QApplication::setFont(font);
}
