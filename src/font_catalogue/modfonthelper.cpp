// SPDX-License-Identifier: MIT
#include "modfonthelper.h"

#include "fonts/fontconfigsupport.h"
#include "view/richtextbox.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <string_view>
#include <vector>

namespace modFontHelper {

namespace {

constexpr QLatin1StringView NameSeparator{"\t\t\t"};

// A family name is shown on one line whatever it holds: a tab would shift the columns and a
// line break would split the catalogue line, so such characters show as a replacement mark.
bool breaksLayout(QChar character)
{
    return character.category() == QChar::Other_Control || character == QChar::LineSeparator
        || character == QChar::ParagraphSeparator;
}

QString displayableName(QString name)
{
    if (std::ranges::none_of(std::as_const(name), breaksLayout)) // the common case shares the name
        return name;
    std::ranges::replace_if(name, breaksLayout, QChar::ReplacementCharacter);
    return name;
}

// The installed families by their names folded to one case: fontconfig and Qt both compare
// family names without regard to case. The listing holds a family once for each font it has.
class FamilyTable
{
public:
    // Room for a family per font, so that the table never grows while it fills.
    explicit FamilyTable(qsizetype fonts) { m_families.reserve(fonts); }

    // Of the spellings of one family the first in plain order is shown, and its face is the one
    // nearest to regular, the first listed of equals.
    void add(QString name, FaceLocation face = {}, int distance = 0)
    {
        QString key = name.toCaseFolded();
        const auto family = m_families.find(key);
        if (family == m_families.end()) {
            m_families.emplace(std::move(key), Family{std::move(name), std::move(face), distance});
            return;
        }
        if (name < family->name)
            family->name = std::move(name);
        if (!face.file.isEmpty() && (family->face.file.isEmpty() || distance < family->distance)) {
            family->face = std::move(face);
            family->distance = distance;
        }
    }

    // Sorted by the folded names: the order of a case-insensitive comparison.
    InstalledFonts sorted() const
    {
        std::vector<std::pair<QStringView, const Family *>> order;
        order.reserve(m_families.size());
        for (auto family = m_families.cbegin(); family != m_families.cend(); ++family)
            order.emplace_back(family.key(), &family.value());
        std::sort(order.begin(), order.end(), [](const auto &left, const auto &right) {
            return left.first < right.first;
        });
        InstalledFonts installed;
        installed.families.reserve(m_families.size());
        installed.faces.reserve(m_families.size());
        for (const auto &[key, family] : order) {
            installed.families << family->name;
            if (!family->face.file.isEmpty())
                installed.faces.insert(family->name, family->face);
        }
        return installed;
    }

private:
    struct Family
    {
        QString name;
        FaceLocation face;
        int distance = 0;
    };
    QHash<QString, Family> m_families;
};

using Fontconfig::Handle;

// "de" and "de-at" are one language to a reader; the territory only refines it.
std::string_view primaryLanguage(std::string_view tag)
{
    return tag.substr(0, tag.find('-'));
}

bool sameLanguage(std::string_view left, std::string_view right)
{
    return std::ranges::equal(left, right, [](char leftByte, char rightByte) {
        return QChar::toCaseFolded(char32_t(uchar(leftByte))) == QChar::toCaseFolded(char32_t(uchar(rightByte)));
    });
}

// The user's languages, most preferred first, then English; they point into the set.
std::vector<std::string_view> userLanguagesOf(FcStrSet &defaultLanguages)
{
    std::vector<std::string_view> languages;
    const Handle<FcStrList, FcStrListDone> list(FcStrListCreate(&defaultLanguages));
    while (const FcChar8 *language = FcStrListNext(list.get()))
        languages.emplace_back(reinterpret_cast<const char *>(language));
    const auto english = [](std::string_view language) { return sameLanguage(primaryLanguage(language), "en"); };
    if (std::ranges::none_of(languages, english))
        languages.push_back("en");
    return languages;
}

// The name in the language itself, else in another territory's variant of it: a reader of
// "zh-cn" gets the simplified name where the font has one, the traditional one where not.
int nameIndexFor(const FcPattern &font, std::string_view language)
{
    for (const bool exact : {true, false}) {
        FcChar8 *tag = nullptr;
        for (int index = 0; FcPatternGetString(&font, FC_FAMILYLANG, index, &tag) == FcResultMatch; ++index) {
            const std::string_view nameLanguage(reinterpret_cast<const char *>(tag));
            if (exact ? sameLanguage(nameLanguage, language)
                      : sameLanguage(primaryLanguage(nameLanguage), primaryLanguage(language)))
                return index;
        }
    }
    return -1;
}

// The font's family name in the user's language, else in English, else its first: the name
// fc-list and desktop programs show.
QString familyNameOf(const FcPattern &font, const std::vector<std::string_view> &userLanguages)
{
    for (const std::string_view language : userLanguages) {
        if (const int index = nameIndexFor(font, language); index >= 0)
            return Fontconfig::StringAt(font, FC_FAMILY, index);
    }
    return Fontconfig::StringAt(font, FC_FAMILY);
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

// Every installed font, read where fontconfig keeps them: a listing would copy each font's
// pattern first, which costs more than all of the catalogue's own work with thousands of fonts.
// No font is opened or scored against another.
FamilyTable installedFamilies()
{
    const Handle<FcConfig, FcConfigDestroy> config(FcConfigReference(nullptr));
    const Handle<FcStrSet, FcStrSetDestroy> languages(FcGetDefaultLangs());
    if (!config || !languages)
        return FamilyTable(0);
    const std::array sets{FcConfigGetFonts(config.get(), FcSetSystem), FcConfigGetFonts(config.get(), FcSetApplication)};
    FamilyTable table(std::accumulate(sets.cbegin(), sets.cend(), 0, [](int count, const FcFontSet *fonts) {
        return count + (fonts ? fonts->nfont : 0);
    }));
    const std::vector<std::string_view> userLanguages = userLanguagesOf(*languages);
    for (const FcFontSet *fonts : sets) {
        for (int index = 0; fonts && index < fonts->nfont; ++index) {
            const FcPattern &font = *fonts->fonts[index];
            table.add(familyNameOf(font, userLanguages), Fontconfig::LocationOf(font),
                      distanceFromRegular(font));
        }
    }
    return table;
}

} // namespace

InstalledFonts SystemFonts()
{
    return installedFamilies().sorted();
}

bool IsGenericFamily(const QString &family)
{
    return family == u"Sans Serif" || family == u"Serif" || family == u"Monospace";
}

QStringList ListFontFamilies(RichTextBox &view, const QString &exampleText)
{
    InstalledFonts installed = SystemFonts();
    view.SetFaceLocations(std::move(installed.faces));
    ListFontFamilies(view, exampleText, [&] { return installed.families; });
    return installed.families;
}

int LineOfFamily(const QStringList &listed, const QString &family)
{
    const auto byFoldedName = [](const QString &left, const QString &right) {
        return left.toCaseFolded() < right.toCaseFolded();
    };
    const auto found = std::lower_bound(listed.cbegin(), listed.cend(), family, byFoldedName);
    return int(std::min(found - listed.cbegin(), std::max<qsizetype>(0, listed.size() - 1)));
}

void ListFontFamilies(RichTextBox &view, const QString &exampleText, const FontFamilySource &families)
{
    const CatalogueTarget target{view, exampleText + RichTextBox::LineBreak};
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
    view.SetSelText(target.exampleLine);
}

} // namespace modFontHelper
