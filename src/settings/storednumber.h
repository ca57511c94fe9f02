// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Window geometry as the settings file holds it: whole twips as plain decimal text.
namespace StoredNumber {

// The whole number nearest to the text, halves going to the even neighbour; empty when the
// text is not a number or the result does not fit 32 bits. The decimal separator may be the
// locale's or a point: files move between machines and users switch locales. Digit grouping
// is never written, so it is not read either.
std::optional<int> Parse(const QString &text, const QLocale &locale = QLocale::system());

// The nearest whole number in ASCII digits with a plain minus sign, text that every locale
// reads back; the window's values come from pixels, so nothing of use is lost.
QString Format(float value);

} // namespace StoredNumber
