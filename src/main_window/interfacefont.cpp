#include "interfacefont.h"

#include "font_catalogue/modfonthelper.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>

#ifdef TYPESHELF_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <memory>
#endif

namespace {

#ifdef TYPESHELF_HAVE_FONTCONFIG
using Pattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;

// The family as fontconfig's rules expand it: the alias followed by the families it prefers.
Pattern substitutedPattern(const QString &family)
{
    Pattern pattern(FcPatternCreate(), &FcPatternDestroy);
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.constData()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

QString familyOf(const FcPattern &pattern, int index)
{
    FcChar8 *family = nullptr;
    if (FcPatternGetString(&pattern, FC_FAMILY, index, &family) != FcResultMatch)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(family));
}

// The most preferred family of the expansion that is installed, by Qt's spelling. This is the
// family a match picks for text that any face covers, without scoring every installed font.
QString preferredInstalledFamily(const FcPattern &pattern)
{
    const QStringList installed = QFontDatabase::families();
    for (int index = 0;; ++index) {
        const QString family = familyOf(pattern, index);
        if (family.isEmpty())
            return {};
        if (modFontHelper::IsGenericFamily(family))
            continue;
        const auto found = std::find_if(installed.cbegin(), installed.cend(), [&](const QString &name) {
            return name.compare(family, Qt::CaseInsensitive) == 0;
        });
        if (found != installed.cend())
            return *found;
    }
}

QString matchedFamily(const Pattern &pattern)
{
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
    return match ? familyOf(*match, 0) : QString();
}
#endif

QString realFamily(const QString &family)
{
#ifdef TYPESHELF_HAVE_FONTCONFIG
    // A full match scores every installed font, milliseconds each with thousands of them: it
    // is only the last resort, for rules that prefer no installed family at all.
    const Pattern pattern = substitutedPattern(family);
    if (const QString preferred = preferredInstalledFamily(*pattern); !preferred.isEmpty())
        return preferred;
    if (const QString matched = matchedFamily(pattern); !matched.isEmpty())
        return matched;
#endif
    return QFontInfo(QFont(family)).family();
}

} // namespace

void ResolveApplicationFontFamily()
{
    QFont font = QApplication::font();
    font.setFamilies({realFamily(font.family())});
    QApplication::setFont(font);
}
