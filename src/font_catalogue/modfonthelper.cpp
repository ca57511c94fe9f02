#include "modfonthelper.h"

#include "view/richtextbox.h"

#include <QFontDatabase>

#include <algorithm>

#ifdef TYPESHELF_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <memory>
#endif

namespace modFontHelper {

namespace {

constexpr QLatin1StringView NameSeparator{"\t\t\t"};

// A family name is shown on one line whatever it holds: a tab would shift the columns and a
// line break would split the catalogue line, so such characters show as a replacement mark.
QString displayableName(QString name)
{
    for (QChar &character : name) {
        const bool breaksLayout = character.category() == QChar::Other_Control
            || character == QChar::LineSeparator || character == QChar::ParagraphSeparator;
        if (breaksLayout)
            character = QChar::ReplacementCharacter;
    }
    return name;
}

#ifdef TYPESHELF_HAVE_FONTCONFIG
template<typename T, void (*Destroy)(T *)>
struct FcDeleter
{
    void operator()(T *object) const { Destroy(object); }
};
template<typename T, void (*Destroy)(T *)>
using FcHandle = std::unique_ptr<T, FcDeleter<T, Destroy>>;

QString stringAt(const FcPattern &font, const char *object, int index)
{
    FcChar8 *value = nullptr;
    if (FcPatternGetString(&font, object, index, &value) != FcResultMatch)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char *>(value));
}

// "de" and "de-at" are one language to a reader; the territory only refines it.
QString primaryLanguage(const FcChar8 *tag)
{
    return QString::fromLatin1(reinterpret_cast<const char *>(tag)).section(u'-', 0, 0);
}

int nameIndexFor(const FcPattern &font, const FcChar8 *language)
{
    const QString wanted = primaryLanguage(language);
    FcChar8 *nameLanguage = nullptr;
    for (int index = 0; FcPatternGetString(&font, FC_FAMILYLANG, index, &nameLanguage) == FcResultMatch;
         ++index) {
        if (primaryLanguage(nameLanguage).compare(wanted, Qt::CaseInsensitive) == 0)
            return index;
    }
    return -1;
}

// The font's family name in the user's language, else in English, else its first: the name
// fc-list and desktop programs show. Fontconfig's default languages end with English.
QString familyNameOf(const FcPattern &font, FcStrSet &userLanguages)
{
    const FcHandle<FcStrList, FcStrListDone> languages(FcStrListCreate(&userLanguages));
    while (const FcChar8 *language = FcStrListNext(languages.get())) {
        if (const int index = nameIndexFor(font, language); index >= 0)
            return stringAt(font, FC_FAMILY, index);
    }
    return stringAt(font, FC_FAMILY, 0);
}

int integerAt(const FcPattern &font, const char *object, int fallback)
{
    int value = fallback;
    FcPatternGetInteger(&font, object, 0, &value);
    return value;
}

// How far a font is from its family's regular face: upright first, then weight, then width.
int distanceFromRegular(const FcPattern &font)
{
    return std::abs(integerAt(font, FC_SLANT, FC_SLANT_ROMAN) - FC_SLANT_ROMAN) * 1000
        + std::abs(integerAt(font, FC_WEIGHT, FC_WEIGHT_REGULAR) - FC_WEIGHT_REGULAR) * 10
        + std::abs(integerAt(font, FC_WIDTH, FC_WIDTH_NORMAL) - FC_WIDTH_NORMAL);
}

struct ListedFont
{
    QString family;
    FaceLocation face;
    int distance = 0;
};

// One listing of every installed font, asking only for the names and where each face is
// stored: no font is opened or scored against another.
std::vector<ListedFont> installedFonts()
{
    const FcHandle<FcPattern, FcPatternDestroy> anyFont(FcPatternCreate());
    const FcHandle<FcObjectSet, FcObjectSetDestroy> names(
        FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FILE, FC_INDEX, FC_SLANT, FC_WEIGHT, FC_WIDTH,
                         static_cast<char *>(nullptr)));
    const FcHandle<FcFontSet, FcFontSetDestroy> fonts(FcFontList(nullptr, anyFont.get(), names.get()));
    const FcHandle<FcStrSet, FcStrSetDestroy> languages(FcGetDefaultLangs());
    std::vector<ListedFont> listed;
    if (!fonts || !languages)
        return listed;
    for (int index = 0; index < fonts->nfont; ++index) {
        const FcPattern &font = *fonts->fonts[index];
        listed.push_back({familyNameOf(font, *languages),
                          {stringAt(font, FC_FILE, 0).toUtf8(), integerAt(font, FC_INDEX, 0)},
                          distanceFromRegular(font)});
    }
    return listed;
}

// The faces are keyed by the family name folded to one case.
InstalledFonts installedFamilies()
{
    InstalledFonts installed;
    QHash<QString, ListedFont> regular; // by the family's name folded to one case
    for (ListedFont &font : installedFonts()) {
        installed.families << font.family;
        const QString key = font.family.toCaseFolded();
        const auto known = regular.constFind(key);
        if (!font.face.file.isEmpty() && (known == regular.cend() || font.distance < known->distance))
            regular.insert(key, std::move(font));
    }
    for (auto it = regular.cbegin(); it != regular.cend(); ++it)
        installed.faces.insert(it.key(), it->face);
    return installed;
}
#else
InstalledFonts installedFamilies()
{
    QStringList families = QFontDatabase::families();
    families.removeIf(IsGenericFamily);
    return {families, {}};
}
#endif

} // namespace

InstalledFonts SystemFonts()
{
    // The listing holds a family once for each font it has; fontconfig and Qt both compare
    // family names without regard to case.
    InstalledFonts installed = installedFamilies();
    QStringList &families = installed.families;
    std::sort(families.begin(), families.end(), [](const QString &left, const QString &right) {
        const int order = left.compare(right, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : left < right;
    });
    const auto sameFamily = [](const QString &left, const QString &right) {
        return left.compare(right, Qt::CaseInsensitive) == 0;
    };
    families.erase(std::unique(families.begin(), families.end(), sameFamily), families.end());

    // Each line is set in the family by the name it shows, whichever font carried that spelling.
    FaceLocations faces;
    for (const QString &family : std::as_const(families)) {
        const auto face = installed.faces.constFind(family.toCaseFolded());
        if (face != installed.faces.cend())
            faces.insert(family, *face);
    }
    installed.faces = std::move(faces);
    return installed;
}

QStringList SystemFontFamilies()
{
    return SystemFonts().families;
}

bool IsGenericFamily(const QString &family)
{
    return family == u"Sans Serif" || family == u"Serif" || family == u"Monospace";
}

void ListFontFamilies(RichTextBox &view, const QString &exampleText)
{
    InstalledFonts installed = SystemFonts();
    view.SetFaceLocations(std::move(installed.faces));
    ListFontFamilies(view, exampleText, [&] { return installed.families; });
}

void ListFontFamilies(RichTextBox &view, const QString &exampleText, const FontFamilySource &families)
{
    const CatalogueTarget target{view, exampleText};
    const RichTextBox::EditBatch batch(view);
    for (const QString &family : families())
        FontFamilyCallback(family, target);
}

void FontFamilyCallback(const QString &familyName, const CatalogueTarget &target)
{
    RichTextBox &view = target.view;

    view.SetSelStart(view.TextLength());
    view.SetSelFontName(view.FontName());
    view.SetSelText(displayableName(familyName) + NameSeparator);

    view.SetSelStart(view.TextLength());
    view.SetSelFontName(familyName);
    view.SetSelText(target.exampleText + RichTextBox::LineBreak);
}

} // namespace modFontHelper
