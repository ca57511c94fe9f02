#include "storednumber.h"

#include <cmath>
#include <limits>

namespace StoredNumber {

std::optional<int> Parse(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double number = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    // nearbyint rounds in the default mode, to nearest with ties to even.
    const double whole = std::nearbyint(number);
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(whole);
}

QString Format(float value, const QLocale &locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    if (std::trunc(value) == value && std::abs(value) < 1e9f)
        return plain.toString(static_cast<qlonglong>(value));
    // Single precision holds about seven significant digits; more would only show noise.
    return plain.toString(static_cast<double>(value), 'g', 7);
}

} // namespace StoredNumber
