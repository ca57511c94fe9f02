// SPDX-License-Identifier: MIT
#pragma once

// What the unit tests need of the font view beyond its own operations. Everything that
// reaches into the widget behind the view (its model, caret and viewport) stays here, so a
// change of that widget changes only this file.

#include "main_window/frmmain.h"
#include "view/richtextbox.h"

#include <QEvent>
#include <QList>

namespace ViewSupport {

inline RichTextBox *rtbFontsOf(const frmMain &window)
{
    return window.findChild<RichTextBox *>(u"rtbFonts"_qs);
}

inline void select(RichTextBox &view, int from, int length)
{
    view.SetSelStart(from);
    view.SetSelLength(length);
}

inline std::optional<QColor> colourOf(RichTextBox &view, int from, int length)
{
    select(view, from, length);
    return view.SelColor();
}

inline void recolour(RichTextBox &view, int from, int length, const QColor &colour)
{
    select(view, from, length);
    view.SetSelColor(colour);
}

inline QString faceOf(RichTextBox &view, int from, int length)
{
    select(view, from, length);
    return view.SelFontName();
}

// How the character at the offset lets Qt fill in glyphs its face lacks.
inline QFont::StyleStrategy styleStrategyOf(const RichTextBox &view, int offset)
{
    return view.BorrowsMissingGlyphs(offset) ? QFont::PreferDefault : QFont::NoFontMerging;
}

// Text shaped like the catalogue: a name, three tabs and a sentence per line.
inline QString catalogueOf(int lines)
{
    QString text;
    for (int line = 0; line < lines; ++line)
        text += QStringLiteral("Family %1\t\t\tSentence\r\n").arg(line);
    return text;
}

inline QString numberedLines(int count)
{
    QString text;
    for (int line = 0; line < count; ++line)
        text += QStringLiteral("line %1\r\n").arg(line);
    return text;
}

inline int caretLine(const RichTextBox &view)
{
    return view.CaretLine();
}

inline int lineCount(const RichTextBox &view)
{
    return view.LineCount();
}

// Whether the view has measured the line, which loads its face.
inline bool isLaidOut(const RichTextBox &view, int line)
{
    return view.IsLaidOut(line);
}

// The widget that takes the view's mouse events and paints its text.
inline QWidget *surfaceOf(const RichTextBox &view)
{
    return view.viewport();
}

// How many lines from the first shown have their place on the surface, in part or whole.
inline int shownLineCount(const RichTextBox &view)
{
    int line = view.FirstVisibleLine();
    while (line < view.LineCount() && view.LineRect(line).top() < surfaceOf(view)->height())
        ++line;
    return line - view.FirstVisibleLine();
}

// A point on the surface at the start of the line, before its first character.
inline QPoint pointOfLine(const RichTextBox &view, int line)
{
    const QRect rect = view.LineRect(line);
    return QPoint(rect.left() + 1, rect.center().y());
}

// A point on the surface just inside the character at the offset.
inline QPoint pointOfOffset(RichTextBox &view, int offset)
{
    const QRect rect = view.CharacterRect(offset);
    return QPoint(rect.left() + 1, rect.center().y());
}

// Counts the paints of the view's text.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(const RichTextBox &view) { surfaceOf(view)->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The characters each change of the view's text or colours wrote, in order.
class EditLog : public QObject
{
public:
    explicit EditLog(const RichTextBox &view)
    {
        const TextModel &model = view.Model();
        const auto charactersIn = [&model](int first, int last) {
            int characters = 0;
            for (int line = first; line <= last; ++line)
                characters += int(model.line(line).text.size());
            return characters;
        };
        connect(&model, &TextModel::linesReplaced, this,
                [=, this](int first, int, int added) { written.append(charactersIn(first, first + added - 1)); });
        connect(&model, &TextModel::coloursChanged, this,
                [=, this](int first, int last) { written.append(charactersIn(first, last)); });
    }
    QList<int> written;
};

} // namespace ViewSupport
