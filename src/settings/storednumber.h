#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Window geometry as the settings file holds it: decimal text in the user's locale.
namespace StoredNumber {

// The whole number nearest to the text, halves going to the even neighbour; empty when the
// text is not a number or the result does not fit 32 bits.
std::optional<int> Parse(const QString &text, const QLocale &locale = QLocale::system());

// Whole values as plain integers, others as decimals; never digit grouping or an exponent.
QString Format(float value, const QLocale &locale = QLocale::system());

} // namespace StoredNumber
