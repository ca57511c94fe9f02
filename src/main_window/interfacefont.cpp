// SPDX-License-Identifier: MIT
#include "interfacefont.h"

#include "font_catalogue/modfonthelper.h"
#include "fonts/fontconfigsupport.h"

#include <QApplication>
#include <QFontInfo>

namespace {

using Fontconfig::Pattern;

// Whether the value at the index equals the first; an absent value stands for the first.
bool sameAsFirst(const FcPattern &font, const char *object, int index)
{
    FcChar8 *value = nullptr;
    if (FcPatternGetString(&font, object, index, &value) != FcResultMatch)
        return true;
    FcChar8 *first = nullptr;
    FcPatternGetString(&font, object, 0, &first);
    return FcStrCmp(value, first ? first : reinterpret_cast<const FcChar8 *>("")) == 0;
}

// Qt lists a font under its first family name, and under each further name that names a
// subfamily (same language, another style); the other names are only aliases to it.
bool qtListsFamilyAt(const FcPattern &font, int index)
{
    return index == 0 || (sameAsFirst(font, FC_FAMILYLANG, index) && !sameAsFirst(font, FC_STYLE, index));
}

// The family as Qt spells it if an installed font carries it. Listing just the fonts that
// name it builds only those, where listing every family costs tens of milliseconds.
QString installedSpelling(const QString &family)
{
    const Pattern named = Fontconfig::FamilyPattern(family);
    const Fontconfig::ObjectSet names(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_STYLE, static_cast<char *>(nullptr)));
    const Fontconfig::FontSet fonts(FcFontList(nullptr, named.get(), names.get()));
    for (int font = 0; fonts && font < fonts->nfont; ++font) {
        const FcPattern &listed = *fonts->fonts[font];
        FcChar8 *name = nullptr;
        for (int index = 0; FcPatternGetString(&listed, FC_FAMILY, index, &name) == FcResultMatch; ++index) {
            const QString spelling = QString::fromUtf8(reinterpret_cast<const char *>(name));
            if (spelling.compare(family, Qt::CaseInsensitive) == 0 && qtListsFamilyAt(listed, index))
                return spelling;
        }
    }
    return {};
}

// The most preferred family of the expansion that is installed, by Qt's spelling. This is the
// family a match picks for text that any face covers, without scoring every installed font.
QString preferredInstalledFamily(const FcPattern &pattern)
{
    for (int index = 0;; ++index) {
        const QString family = Fontconfig::StringAt(pattern, FC_FAMILY, index);
        if (family.isEmpty())
            return {};
        if (modFontHelper::IsGenericFamily(family))
            continue;
        if (QString installed = installedSpelling(family); !installed.isEmpty())
            return installed;
    }
}

QString matchedFamily(const Pattern &pattern)
{
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
    return match ? Fontconfig::StringAt(*match, FC_FAMILY) : QString();
}

QString realFamily(const QString &family)
{
    // A full match scores every installed font, milliseconds each with thousands of them: it
    // is only the last resort, for rules that prefer no installed family at all.
    const Pattern pattern = Fontconfig::SubstitutedPattern(family);
    if (const QString preferred = preferredInstalledFamily(*pattern); !preferred.isEmpty())
        return preferred;
    if (const QString matched = matchedFamily(pattern); !matched.isEmpty())
        return matched;
    return QFontInfo(QFont(family)).family();
}

} // namespace

void ResolveApplicationFontFamily()
{
    QFont font = QApplication::font();
    font.setFamilies({realFamily(font.family())});
    QApplication::setFont(font);
}
