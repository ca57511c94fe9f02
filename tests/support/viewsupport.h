#pragma once

// What the unit tests need of the font view beyond its own operations. Everything that
// reaches into the widget behind the view (its document, caret and viewport) stays here, so
// a change of that widget changes only this file.

#include "main_window/frmmain.h"
#include "view/richtextbox.h"

#include <QEvent>
#include <QList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

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
inline QFont::StyleStrategy styleStrategyOf(RichTextBox &view, int offset)
{
    select(view, offset, 1);
    QTextCursor cursor = view.textCursor();
    cursor.setPosition(cursor.selectionEnd()); // a cursor reports the character before it
    return cursor.charFormat().font().styleStrategy();
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
    return view.textCursor().blockNumber();
}

inline int lineCount(const RichTextBox &view)
{
    return view.document()->blockCount();
}

// Whether the view has measured the line, which loads its face.
inline bool isLaidOut(const RichTextBox &view, int line)
{
    return view.document()->findBlockByNumber(line).layout()->lineCount() > 0;
}

// The widget that takes the view's mouse events and paints its text.
inline QWidget *surfaceOf(const RichTextBox &view)
{
    return view.viewport();
}

// A point on the surface at the start of the line.
inline QPoint pointOfLine(const RichTextBox &view, int line)
{
    const QTextCursor start(view.document()->findBlockByNumber(line));
    return view.cursorRect(start).center();
}

// Sets the point size the next inserted text takes.
inline void setPendingPointSize(RichTextBox &view, qreal size)
{
    QTextCharFormat format;
    format.setFontPointSize(size);
    view.mergeCurrentCharFormat(format);
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

// The characters each change of the view's text wrote, in order.
class EditLog : public QObject
{
public:
    explicit EditLog(const RichTextBox &view)
    {
        connect(view.document(), &QTextDocument::contentsChange, this,
                [this](int, int, int added) { written.append(added); });
    }
    QList<int> written;
};

} // namespace ViewSupport
