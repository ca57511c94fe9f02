// SPDX-License-Identifier: MIT
#include "storednumber.h"

#include <cmath>
#include <limits>

namespace StoredNumber {

namespace {

std::optional<double> number(const QString &text, QLocale locale)
{
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

} // namespace

std::optional<int> Parse(const QString &text, const QLocale &locale)
{
    std::optional<double> value = number(text.trimmed(), locale);
    if (!value)
        value = number(text.trimmed(), QLocale::c());
    if (!value)
        return std::nullopt;
    // nearbyint rounds in the default mode, to nearest with ties to even.
    const double whole = std::nearbyint(*value);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(whole);
}

QString Format(float value)
{
    return QString::number(static_cast<qlonglong>(std::nearbyint(value)));
}

} // namespace StoredNumber
