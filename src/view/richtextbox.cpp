#include "richtextbox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr int FamilyHashKey = QTextFormat::UserProperty + 1;

// Every line-break spelling becomes one block separator, so CR LF never splits into two lines
// and a line separator never makes one block span two lines on screen.
QString withBlockBreaks(QString text)
{
    text.replace(RichTextBox::LineBreak, QLatin1StringView("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFrameShape(QFrame::NoFrame);
    // Recolouring is not something to undo, and an undo stack would grow with every caret move.
    setUndoRedoEnabled(false);

    // The highlight colours are fixed, so the page they are drawn on is fixed too.
    QPalette page = palette();
    page.setColor(QPalette::Base, Qt::white);
    page.setColor(QPalette::Text, Qt::black);
    setPalette(page);
    m_uniformColour = page.color(QPalette::Text);

    connect(document(), &QTextDocument::contentsChange, this, &RichTextBox::noteChange);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] { m_startBetweenBreak = {}; });
}

RichTextBox::~RichTextBox() = default;

QString RichTextBox::Text() const
{
    if (m_cachedText)
        return *m_cachedText;
    QString text;
    text.reserve(TextLength());
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin())
            text += LineBreak;
        text += block.text();
    }
    // Inside an edit batch the document reports its changes only at the end.
    if (m_openBatches == 0)
        m_cachedText = text;
    return text;
}

int RichTextBox::TextLength() const
{
    const QTextDocument *doc = document();
    // The document counts one separator per break and one after the last block.
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

int RichTextBox::SelStart() const
{
    const int position = selection().selectionStart();
    // An offset between CR and LF has no place of its own in the document; remember it.
    return position == m_startBetweenBreak.position ? m_startBetweenBreak.offset : toModel(position);
}

void RichTextBox::SetSelStart(int offset)
{
    const int position = toDocument(offset);
    selectDocumentRange(position, position);
    m_startBetweenBreak = toModel(position) == offset ? OffsetAt{} : OffsetAt{offset, position};
}

int RichTextBox::SelLength() const
{
    const QTextCursor cursor = selection();
    return toModel(cursor.selectionEnd()) - toModel(cursor.selectionStart());
}

void RichTextBox::SetSelLength(int length)
{
    const int start = SelStart();
    const OffsetAt kept = m_startBetweenBreak;
    selectDocumentRange(selection().selectionStart(), toDocument(start + std::max(0, length)));
    m_startBetweenBreak = kept;
}

QString RichTextBox::SelText() const
{
    return selection().selectedText().replace(QChar::ParagraphSeparator, LineBreak);
}

void RichTextBox::SetSelText(const QString &text)
{
    if (m_heldSelection)
        m_heldSelection->insertText(withBlockBreaks(text));
    else
        insertPlainText(withBlockBreaks(text));
}

std::optional<QColor> RichTextBox::SelColor() const
{
    const QTextCursor cursor = selection();
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    std::optional<QColor> shared;
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        const int start = std::max(from, block.position());
        const int end = std::min(to, block.position() + block.length() - 1);
        if (start >= end)
            continue;
        if (!shared) {
            QTextCursor first(document());
            first.setPosition(start + 1); // a cursor reports the character before it
            shared = effectiveColour(first.charFormat());
        }
        if (!showsOnly(block, start, end, *shared))
            return std::nullopt;
    }
    return shared;
}

void RichTextBox::SetSelColor(const QColor &colour)
{
    const QTextCursor cursor = selection();
    const int from = cursor.selectionStart();
    const int to = cursor.selectionEnd();
    const bool wholeText = from == 0 && to == document()->characterCount() - 1;

    if (wholeText && colour == m_uniformColour) {
        for (const QTextCursor &range : std::as_const(m_mayDiffer))
            recolour(range.selectionStart(), range.selectionEnd(), colour);
    } else {
        recolour(from, to, colour);
    }

    if (wholeText) {
        m_uniformColour = colour;
        m_mayDiffer.clear();
    } else if (colour != m_uniformColour) {
        markMayDiffer(from, to);
    }
}

QString RichTextBox::SelFontName() const
{
    QTextCursor cursor = selection();
    if (cursor.hasSelection())
        cursor.setPosition(cursor.selectionStart() + 1);
    const QStringList families = cursor.charFormat().fontFamilies().toStringList();
    return families.isEmpty() ? FontName() : families.constFirst();
}

void RichTextBox::SetSelFontName(const QString &family)
{
    QTextCharFormat face;
    face.setFontFamilies({family});
    // Qt hashes a family list by its type alone, so formats differing only in family all
    // collide and every new one is compared with all before it. The name as a string gives
    // each format a hash of its own, and interning stays constant-time with many families.
    face.setProperty(FamilyHashKey, family);
    // Text set in a face of its own shows that face's glyphs only: borrowing missing ones from
    // other fonts would misrepresent the face, and looking for them costs a search of every
    // installed family. Text in the base face borrows them as any interface text does; the
    // strategy is set either way, since the pending face keeps whatever the text before it had.
    face.setFontStyleStrategy(family == FontName() ? QFont::PreferDefault : QFont::NoFontMerging);
    if (m_heldSelection)
        m_heldSelection->mergeCharFormat(face);
    else
        mergeCurrentCharFormat(face);
}

QString RichTextBox::FontName() const
{
    return font().family();
}

int RichTextBox::FirstVisibleLine() const
{
    return firstVisibleBlock().blockNumber();
}

void RichTextBox::LineScroll(int lines)
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + lines);
}

RichTextBox::SelectionHold::SelectionHold(RichTextBox &view)
    : m_view(view)
    , m_holding(!view.m_heldSelection)
{
    if (m_holding)
        m_view.m_heldSelection = m_view.textCursor();
}

RichTextBox::SelectionHold::~SelectionHold()
{
    release();
}

void RichTextBox::SelectionHold::release()
{
    if (!std::exchange(m_holding, false))
        return;
    const QTextCursor held = *m_view.m_heldSelection;
    m_view.m_heldSelection.reset();
    const OffsetAt kept = m_view.m_startBetweenBreak;
    m_view.showSelection(held);
    m_view.m_startBetweenBreak = kept;
}

RichTextBox::RedrawFreeze::RedrawFreeze(RichTextBox &view)
    : m_view(view)
    , m_wasEnabled(view.updatesEnabled())
    , m_hold(view)
{
    m_view.setUpdatesEnabled(false);
}

RichTextBox::RedrawFreeze::~RedrawFreeze()
{
    m_hold.release(); // while still frozen, so that one repaint shows it all
    m_view.setUpdatesEnabled(m_wasEnabled);
}

RichTextBox::EditBatch::EditBatch(RichTextBox &view)
    : m_view(view)
    , m_hold(view)
    , m_cursor(view.document())
{
    ++m_view.m_openBatches;
    m_view.m_cachedText.reset();
    m_cursor.beginEditBlock();
}

RichTextBox::EditBatch::~EditBatch()
{
    m_cursor.endEditBlock();
    --m_view.m_openBatches;
}

void RichTextBox::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    Q_EMIT focusGained();
}

void RichTextBox::keyPressEvent(QKeyEvent *event)
{
    // Shift+Enter would put a line separator inside a block: two lines on screen, one in the text.
    if (event->matches(QKeySequence::InsertLineSeparator)) {
        QKeyEvent enter(event->type(), Qt::Key_Return, Qt::NoModifier, event->text());
        QPlainTextEdit::keyPressEvent(&enter);
        return;
    }
    // The window's highlight leaves nothing selected after every key and click, so copying
    // with nothing selected takes what a user copies from a line: its first column.
    if (event->matches(QKeySequence::Copy) && !textCursor().hasSelection()) {
        copyFirstColumnOf(textCursor().block());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void RichTextBox::keyReleaseEvent(QKeyEvent *event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    Q_EMIT keyReleased();
}

void RichTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    Q_EMIT mouseButtonReleased();
}

void RichTextBox::contextMenuEvent(QContextMenuEvent *event)
{
    const std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    const QTextBlock line = cursorForPosition(event->pos()).block();
    menu->addSeparator();
    QAction *copyName = menu->addAction(tr("Copy Family Name"), this, [this, line] { copyFirstColumnOf(line); });
    copyName->setObjectName(QStringLiteral("copyFamilyName"));
    menu->exec(event->globalPos());
}

void RichTextBox::copyFirstColumnOf(const QTextBlock &line) const
{
    QGuiApplication::clipboard()->setText(line.text().section(u'\t', 0, 0));
}

void RichTextBox::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    SetSelText(source->text());
    ensureCursorVisible();
}

int RichTextBox::toDocument(int offset) const
{
    const QTextDocument *doc = document();
    const int length = TextLength();
    if (offset >= length) // appending is the common case, and needs no search
        return doc->characterCount() - 1;
    offset = std::max(offset, 0);

    // Block n starts at model offset position + n; find the last block starting at or before.
    int low = 0;
    int high = doc->findBlock(std::min(offset, doc->characterCount() - 1)).blockNumber();
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (doc->findBlockByNumber(middle).position() + middle <= offset)
            low = middle;
        else
            high = middle - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(low);
    const int intoBlock = offset - (block.position() + low);
    // An offset inside a CR LF pair stands at the end of the line's text.
    return block.position() + std::min(intoBlock, block.length() - 1);
}

int RichTextBox::toModel(int position) const
{
    return position + document()->findBlock(position).blockNumber();
}

QTextCursor RichTextBox::selection() const
{
    return m_heldSelection ? *m_heldSelection : textCursor();
}

void RichTextBox::selectDocumentRange(int anchor, int position)
{
    QTextCursor cursor = selection();
    if (cursor.anchor() == anchor && cursor.position() == position)
        return;
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    if (m_heldSelection)
        *m_heldSelection = cursor;
    else
        showSelection(cursor);
}

void RichTextBox::showSelection(const QTextCursor &cursor)
{
    const QTextCursor shown = textCursor();
    if (shown.anchor() == cursor.anchor() && shown.position() == cursor.position()
        && shown.charFormat() == cursor.charFormat())
        return;
    // Moving the selection must never move the view; callers scroll when they mean to.
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    const int top = vertical->value();
    const int left = horizontal->value();
    setTextCursor(cursor);
    vertical->setValue(top);
    horizontal->setValue(left);
}

void RichTextBox::recolour(int from, int to, const QColor &colour)
{
    const QScopedValueRollback guard(m_recolouring, true);
    QTextCharFormat coloured;
    coloured.setForeground(colour);

    // One change per line, and only on lines that hold another colour: a change spanning
    // several lines makes Qt lay out every line between them again.
    for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        const int start = std::max(from, block.position());
        const int end = std::min(to, block.position() + block.length() - 1);
        if (showsOnly(block, start, end, colour))
            continue;
        QTextCursor range(document());
        range.setPosition(start);
        range.setPosition(end, QTextCursor::KeepAnchor);
        range.mergeCharFormat(coloured);
    }
}

void RichTextBox::noteChange(int position, int /*charsRemoved*/, int charsAdded)
{
    if (m_recolouring)
        return; // only colours changed
    m_cachedText.reset();
    if (charsAdded > 0)
        markMayDiffer(position, position + charsAdded);
}

void RichTextBox::markMayDiffer(int from, int to)
{
    // Deletions can collapse a range; touching ranges merge, so the list stays short.
    std::erase_if(m_mayDiffer, [](const QTextCursor &range) { return !range.hasSelection(); });
    for (auto it = m_mayDiffer.begin(); it != m_mayDiffer.end();) {
        if (it->selectionStart() <= to && from <= it->selectionEnd()) {
            from = std::min(from, it->selectionStart());
            to = std::max(to, it->selectionEnd());
            it = m_mayDiffer.erase(it);
        } else {
            ++it;
        }
    }
    QTextCursor range(document());
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    m_mayDiffer.push_back(range);
}

bool RichTextBox::showsOnly(const QTextBlock &block, int from, int to, const QColor &colour) const
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const bool inside = fragment.position() < to && fragment.position() + fragment.length() > from;
        if (inside && effectiveColour(fragment.charFormat()) != colour)
            return false;
    }
    return true;
}

QColor RichTextBox::effectiveColour(const QTextCharFormat &format) const
{
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color()
                                                            : palette().color(QPalette::Text);
}
