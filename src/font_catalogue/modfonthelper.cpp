#include "modfonthelper.h"

#include "view/basefont.h"
#include "view/richtextbox.h"

#include <QFontDatabase>

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

} // namespace

QStringList SystemFontFamilies()
{
    return QFontDatabase::families();
}

void ListFontFamilies(RichTextBox &view, const QString &exampleText,
                      const FontFamilySource &families)
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
    view.SetSelFontName(LoadableFamily(familyName));
    view.SetSelText(target.exampleText + RichTextBox::LineBreak);
}

} // namespace modFontHelper
