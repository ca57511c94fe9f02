// SPDX-License-Identifier: MIT
#pragma once

#include "fonts/facelocation.h"

#include <QString>
#include <QStringList>

#include <functional>

class RichTextBox;

// Builds the font catalogue: one line per installed font family, its name in the view's base
// face and then the example sentence in the family's own face.
namespace modFontHelper {

// Reports the installed families in a stable order; tests hand in names of their own.
using FontFamilySource = std::function<QStringList()>;

// Every installed family once, by the name desktop programs show, sorted case-insensitively,
// with the file of each family's regular face where fontconfig knows it.
struct InstalledFonts
{
    QStringList families;
    FaceLocations faces;
};
InstalledFonts SystemFonts();

// The aliases "Sans Serif", "Serif" and "Monospace" that Qt lists beside the installed families.
bool IsGenericFamily(const QString &family);

// What the enumeration hands to the callback with each family.
struct CatalogueTarget
{
    RichTextBox &view;
    QString exampleLine; // the sentence with its line break, made once for every family
};

// Lists the installed families, and tells the view where their faces are stored. Returns the
// families in the order of their lines.
QStringList ListFontFamilies(RichTextBox &view, const QString &exampleText);
void ListFontFamilies(RichTextBox &view, const QString &exampleText, const FontFamilySource &families);

// The line of a family in a listing, or where it is gone, of the family after it in order.
int LineOfFamily(const QStringList &listed, const QString &family);

// Appends the catalogue line of one family at the end of the view's text.
void FontFamilyCallback(const QString &familyName, const CatalogueTarget &target);

} // namespace modFontHelper
