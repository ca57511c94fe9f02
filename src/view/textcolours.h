// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPalette>

// The colours stored text shows in. The stored colours (black, and blue for the caret's line)
// are meant for a light page; on a dark one they would be unreadable, so there black shows
// in the palette's text colour and any other colour is lightened until it reads against the
// page as well as body text must (a contrast of 4.5:1).
class TextColours
{
public:
    explicit TextColours(const QPalette &palette);

    QColor shown(QRgb stored) const;

    // The contrast ratio of two colours by their relative luminance, from 1 to 21.
    static qreal contrast(const QColor &one, const QColor &other);

private:
    QColor m_base;
    QColor m_text;
    bool m_darkBase = false;
};
