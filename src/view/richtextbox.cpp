#include "richtextbox.h"

#include "fonts/facecache.h"
#include "linelayout.h"
#include "richtextboxaccessible.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

constexpr int Margin = RichTextBox::TextMargin;
// Qt's own tab distance for text that sets none.
constexpr qreal DefaultTabStop = 80;
// Screens of lines above and below the shown ones whose layouts are kept, for scrolling back.
constexpr int KeptScreens = 2;

bool isWordCharacter(QChar character)
{
    return character.isLetterOrNumber() || character == u'_' || character.isMark();
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    RichTextBoxAccessible::install();
    setAccessibleName(tr("Font families"));
    viewport()->setCursor(Qt::IBeamCursor);

    // The highlight colours are fixed, so the page they are drawn on is fixed too.
    QPalette page = palette();
    page.setColor(QPalette::Base, Qt::white);
    page.setColor(QPalette::Text, Qt::black);
    setPalette(page);
    viewport()->setBackgroundRole(QPalette::Base);
    m_model.setUniformColour(page.color(QPalette::Text).rgb());
    m_baseFace = m_model.faceIndex(FontName());

    connect(&m_model, &TextModel::linesReplaced, this, &RichTextBox::noteLinesReplaced);
    connect(&m_model, &TextModel::coloursChanged, this, &RichTextBox::updateLines);
    m_lineWidths.assign(1, 0);
    updateMetrics();
}

RichTextBox::~RichTextBox() = default;

QString RichTextBox::Text() const
{
    return m_model.text();
}

int RichTextBox::TextLength() const
{
    return m_model.length();
}

int RichTextBox::SelStart() const
{
    return std::min(m_anchor, m_position);
}

void RichTextBox::SetSelStart(int offset)
{
    offset = std::clamp(offset, 0, TextLength());
    select(offset, offset);
}

int RichTextBox::SelLength() const
{
    return std::abs(m_position - m_anchor);
}

void RichTextBox::SetSelLength(int length)
{
    const int start = SelStart();
    select(start, std::clamp(start + std::max(0, length), start, TextLength()));
}

QString RichTextBox::SelText() const
{
    return m_model.textIn(SelStart(), SelStart() + SelLength());
}

void RichTextBox::SetSelText(const QString &text)
{
    const int start = SelStart();
    // New text takes the face pending at the caret and the colour of the text before it.
    const TextModel::Run *before = start > 0 ? m_model.runAt(m_model.positionOf(start - 1)) : nullptr;
    const int face = m_pendingFace.value_or(before ? before->face : m_baseFace);
    const QRgb colour = before ? before->colour : m_model.uniformColour();
    const int end = m_model.replace(start, start + SelLength(), text, face, colour);
    select(end, end);
}

std::optional<QColor> RichTextBox::SelColor() const
{
    const std::optional<QRgb> colour = m_model.colourIn(SelStart(), SelStart() + SelLength());
    return colour ? std::optional<QColor>(QColor::fromRgb(*colour)) : std::nullopt;
}

void RichTextBox::SetSelColor(const QColor &colour)
{
    m_model.setColour(SelStart(), SelStart() + SelLength(), colour.rgb());
}

QString RichTextBox::SelFontName() const
{
    if (SelLength() == 0 && m_pendingFace)
        return m_model.faceName(*m_pendingFace);
    const int start = SelStart();
    const int at = SelLength() > 0 ? start : start - 1;
    const TextModel::Run *run = at >= 0 ? m_model.runAt(m_model.positionOf(at)) : nullptr;
    return run ? m_model.faceName(run->face) : FontName();
}

void RichTextBox::SetSelFontName(const QString &family)
{
    const int face = m_model.faceIndex(family);
    if (SelLength() == 0)
        m_pendingFace = face;
    else
        m_model.setFace(SelStart(), SelStart() + SelLength(), face);
}

QString RichTextBox::FontName() const
{
    return font().family();
}

int RichTextBox::FirstVisibleLine() const
{
    return verticalScrollBar()->value();
}

void RichTextBox::LineScroll(int lines)
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + lines);
}

void RichTextBox::SetFaceLocations(FaceLocations locations)
{
    m_faces->setLocations(std::move(locations));
    m_layouts.clear();
    viewport()->update();
}

int RichTextBox::CaretLine() const
{
    return m_model.lineAt(m_position);
}

QRect RichTextBox::LineRect(int line) const
{
    return QRect(0, Margin + (line - FirstVisibleLine()) * m_lineHeight, viewport()->width(), m_lineHeight);
}

bool RichTextBox::BorrowsMissingGlyphs(int offset) const
{
    const TextModel::Run *run = m_model.runAt(m_model.positionOf(offset));
    return !run || run->face == m_baseFace;
}

RichTextBox::RedrawFreeze::RedrawFreeze(RichTextBox &view)
    : m_view(view)
    , m_wasEnabled(view.updatesEnabled())
{
    m_view.setUpdatesEnabled(false);
}

RichTextBox::RedrawFreeze::~RedrawFreeze()
{
    m_view.setUpdatesEnabled(m_wasEnabled);
    m_view.notifyCaretMoved();
}

RichTextBox::EditBatch::EditBatch(RichTextBox &view)
    : m_view(view)
{
    ++m_view.m_openBatches;
}

RichTextBox::EditBatch::~EditBatch()
{
    if (--m_view.m_openBatches == 0) {
        m_view.updateScrollRanges();
        m_view.viewport()->update();
        m_view.notifyCaretMoved();
    }
}

void RichTextBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().base());

    const int left = leftEdge();
    const qreal shownFrom = -left;
    const qreal shownTo = viewport()->width() - left;
    const int selectionFrom = SelStart();
    const int selectionTo = selectionFrom + SelLength();
    const QColor selectedText = palette().color(QPalette::HighlightedText);

    for (int line = FirstVisibleLine(); line < LineCount(); ++line) {
        const QRect rect = LineRect(line);
        if (rect.top() >= viewport()->height())
            break;
        if (!rect.intersects(dirty))
            continue;
        LineLayout &layout = layoutOf(line);
        layout.extendTo(shownTo);
        noteLineWidth(line, layout.width());

        const TextModel::Line &text = m_model.line(line);
        const QPointF baseline(left, rect.top() + m_ascent);
        painter.save();
        painter.setClipRect(rect & dirty);
        layout.draw(painter, baseline, shownFrom, shownTo, text.runs, nullptr);

        const int start = m_model.lineStart(line);
        const int length = int(text.text.size());
        const int from = std::clamp(selectionFrom - start, 0, length);
        const int to = std::clamp(selectionTo - start, 0, length);
        const bool throughBreak = line + 1 < LineCount() && selectionFrom <= start + length
            && selectionTo > start + length;
        if (from < to || throughBreak) {
            const qreal x1 = layout.xOf(from);
            const qreal x2 = layout.xOf(to) + (throughBreak ? m_estimatedCharWidth / 2 : 0);
            const QRectF band(left + x1, rect.top(), x2 - x1, rect.height());
            painter.fillRect(band, palette().highlight());
            painter.setClipRect(band, Qt::IntersectClip);
            layout.draw(painter, baseline, shownFrom, shownTo, text.runs, &selectedText);
        }
        painter.restore();
    }

    if (hasFocus() && m_caretOn) {
        const int line = CaretLine();
        const QRect caret(left + qRound(caretX(line, m_model.positionOf(m_position).column)),
                          LineRect(line).top(), 1, m_lineHeight);
        painter.fillRect(caret, palette().text());
    }
    dropFarLayouts();
}

void RichTextBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void RichTextBox::scrollContentsBy(int /*dx*/, int /*dy*/)
{
    viewport()->update();
}

void RichTextBox::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
    Q_EMIT focusGained();
}

void RichTextBox::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    viewport()->update();
}

void RichTextBox::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::SelectAll) {
        select(0, TextLength());
        offerPrimarySelection();
    } else if (event == QKeySequence::Copy) {
        // The window's highlight leaves nothing selected after every key and click, so copying
        // with nothing selected takes what a user copies from a line: its first column.
        if (SelLength() > 0)
            copyTo(QClipboard::Clipboard);
        else
            copyFirstColumnOf(CaretLine());
    } else if (moveByKey(event)) {
        ensureVisible(m_position);
        offerPrimarySelection();
    } else {
        event->ignore(); // the text is read-only: a typed character changes nothing
    }
}

void RichTextBox::keyReleaseEvent(QKeyEvent *event)
{
    QAbstractScrollArea::keyReleaseEvent(event);
    Q_EMIT keyReleased();
}

void RichTextBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int offset = offsetAt(event->position().toPoint());
    moveCaret(offset, event->modifiers() & Qt::ShiftModifier);
    m_dragging = true;
}

void RichTextBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    moveCaret(offsetAt(event->position().toPoint()), true);
    ensureVisible(m_position);
}

void RichTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        offerPrimarySelection();
    }
    Q_EMIT mouseButtonReleased();
}

void RichTextBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int offset = offsetAt(event->position().toPoint());
    select(wordStart(offset), wordEnd(offset));
}

void RichTextBox::contextMenuEvent(QContextMenuEvent *event)
{
    const std::unique_ptr<QMenu> menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("contextMenu"));
    QAction *copy = menu->addAction(tr("&Copy"), QKeySequence::Copy, this,
                                    [this] { copyTo(QClipboard::Clipboard); });
    copy->setObjectName(QStringLiteral("copy"));
    copy->setEnabled(SelLength() > 0);
    QAction *selectAll = menu->addAction(tr("Select All"), QKeySequence::SelectAll, this, [this] {
        select(0, TextLength());
        offerPrimarySelection();
    });
    selectAll->setObjectName(QStringLiteral("selectAll"));
    menu->addSeparator();
    const int line = m_model.lineAt(offsetAt(event->pos()));
    QAction *copyName = menu->addAction(tr("Copy Family Name"), this, [this, line] { copyFirstColumnOf(line); });
    copyName->setObjectName(QStringLiteral("copyFamilyName"));
    menu->exec(event->globalPos());
}

void RichTextBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretOn = !m_caretOn;
    // A blink repaints the caret alone, whatever the line holds.
    const int line = CaretLine();
    const QRect caret(leftEdge() + qRound(caretX(line, m_model.positionOf(m_position).column)),
                      LineRect(line).top(), 1, m_lineHeight);
    viewport()->update(caret);
}

void RichTextBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_baseFace = m_model.faceIndex(FontName());
        updateMetrics();
        m_layouts.clear();
        updateScrollRanges();
        viewport()->update();
    }
}

void RichTextBox::select(int anchor, int position)
{
    m_pendingFace.reset();
    if (anchor == m_anchor && position == m_position)
        return;
    m_anchor = anchor;
    m_position = position;
    restartBlink();
    viewport()->update();
    notifyCaretMoved();
}

void RichTextBox::moveCaret(int position, bool extend)
{
    select(extend ? m_anchor : position, position);
}

bool RichTextBox::moveByKey(const QKeyEvent *event)
{
    enum Step { NextChar, PreviousChar, NextWord, PreviousWord, NextLine, PreviousLine, LineStart,
                LineEnd, TextStart, TextEnd, NextPage, PreviousPage };
    struct Binding
    {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey extend;
        Step step;
    };
    static constexpr Binding Bindings[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, NextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, PreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, PreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, NextLine},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, PreviousLine},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, LineStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, LineEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, TextStart},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, TextEnd},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, NextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, PreviousPage},
    };
    const auto binding = std::find_if(std::begin(Bindings), std::end(Bindings), [event](const Binding &b) {
        return event->matches(b.move) || event->matches(b.extend);
    });
    if (binding == std::end(Bindings))
        return false;
    const bool extend = event->matches(binding->extend);

    const TextModel::Position caret = m_model.positionOf(m_position);
    const int lineStart = m_model.lineStart(caret.line);
    const int lineLength = int(m_model.line(caret.line).text.size());
    const std::optional<qreal> wantedX = std::exchange(m_wantedX, std::nullopt);
    const auto toLine = [&](int line) {
        line = std::clamp(line, 0, LineCount() - 1);
        m_wantedX = wantedX.value_or(caretX(caret.line, caret.column));
        LineLayout &layout = layoutOf(line);
        layout.extendTo(*m_wantedX);
        return m_model.lineStart(line) + layout.columnAt(*m_wantedX);
    };
    const int rows = rowsShown();

    int target = m_position;
    switch (binding->step) {
    case NextChar:
        target = !extend && SelLength() > 0 ? SelStart() + SelLength() : nextCaretPosition(m_position);
        break;
    case PreviousChar:
        target = !extend && SelLength() > 0 ? SelStart() : previousCaretPosition(m_position);
        break;
    case NextWord:
        target = wordEnd(nextCaretPosition(m_position));
        break;
    case PreviousWord:
        target = wordStart(previousCaretPosition(m_position));
        break;
    case NextLine:
        target = caret.line + 1 < LineCount() ? toLine(caret.line + 1) : m_position;
        break;
    case PreviousLine:
        target = caret.line > 0 ? toLine(caret.line - 1) : m_position;
        break;
    case LineStart:
        target = lineStart;
        break;
    case LineEnd:
        target = lineStart + lineLength;
        break;
    case TextStart:
        target = 0;
        break;
    case TextEnd:
        target = TextLength();
        break;
    case NextPage:
        target = toLine(caret.line + rows);
        LineScroll(rows);
        break;
    case PreviousPage:
        target = toLine(caret.line - rows);
        LineScroll(-rows);
        break;
    }
    moveCaret(target, extend);
    return true;
}

int RichTextBox::nextCaretPosition(int offset) const
{
    const TextModel::Position at = m_model.positionOf(offset);
    const QString &text = m_model.line(at.line).text;
    if (at.column >= text.size())
        return at.line + 1 < LineCount() ? m_model.lineStart(at.line + 1) : m_model.offsetOf(at);
    const bool pair = text.at(at.column).isHighSurrogate() && at.column + 1 < text.size();
    return m_model.offsetOf(at) + (pair ? 2 : 1);
}

int RichTextBox::previousCaretPosition(int offset) const
{
    const TextModel::Position at = m_model.positionOf(offset);
    if (at.column == 0)
        return at.line > 0 ? m_model.lineStart(at.line - 1) + int(m_model.line(at.line - 1).text.size()) : 0;
    const QString &text = m_model.line(at.line).text;
    const bool pair = text.at(at.column - 1).isLowSurrogate() && at.column > 1;
    return m_model.offsetOf(at) - (pair ? 2 : 1);
}

int RichTextBox::wordStart(int offset) const
{
    const TextModel::Position at = m_model.positionOf(offset);
    const QString &text = m_model.line(at.line).text;
    int column = at.column;
    while (column > 0 && !isWordCharacter(text.at(column - 1)))
        --column;
    while (column > 0 && isWordCharacter(text.at(column - 1)))
        --column;
    return m_model.lineStart(at.line) + column;
}

int RichTextBox::wordEnd(int offset) const
{
    const TextModel::Position at = m_model.positionOf(offset);
    const QString &text = m_model.line(at.line).text;
    int column = at.column;
    while (column < text.size() && !isWordCharacter(text.at(column)))
        ++column;
    while (column < text.size() && isWordCharacter(text.at(column)))
        ++column;
    return m_model.lineStart(at.line) + column;
}

int RichTextBox::offsetAt(QPoint point)
{
    const int row = int(std::floor(double(point.y() - Margin) / m_lineHeight));
    const int line = std::clamp(FirstVisibleLine() + row, 0, LineCount() - 1);
    const qreal x = point.x() - leftEdge();
    LineLayout &layout = layoutOf(line);
    layout.extendTo(x);
    return m_model.lineStart(line) + layout.columnAt(x);
}

void RichTextBox::ensureVisible(int offset)
{
    const TextModel::Position position = m_model.positionOf(offset);
    const int line = position.line;
    const int first = FirstVisibleLine();
    if (line < first)
        verticalScrollBar()->setValue(line);
    else if (line >= first + rowsShown())
        verticalScrollBar()->setValue(line - rowsShown() + 1);

    const qreal x = caretX(line, position.column);
    updateScrollRanges();
    QScrollBar *bar = horizontalScrollBar();
    const int shown = viewport()->width() - 2 * Margin;
    if (x < bar->value())
        bar->setValue(int(x));
    else if (x > bar->value() + shown)
        bar->setValue(int(std::ceil(x)) - shown);
}

void RichTextBox::copyTo(QClipboard::Mode mode) const
{
    if (SelLength() == 0)
        return;
    // Other programs expect a plain-text line break.
    QApplication::clipboard()->setText(SelText().replace(LineBreak, QLatin1StringView("\n")), mode);
}

void RichTextBox::copyFirstColumnOf(int line) const
{
    QApplication::clipboard()->setText(m_model.line(line).text.section(u'\t', 0, 0));
}

void RichTextBox::offerPrimarySelection() const
{
    if (QApplication::clipboard()->supportsSelection())
        copyTo(QClipboard::Selection);
}

LineLayout &RichTextBox::layoutOf(int line)
{
    std::unique_ptr<LineLayout> &layout = m_layouts[line];
    if (!layout) {
        layout = std::make_unique<LineLayout>(m_model.line(line), m_tabStop,
                                              [this](QStringView text, int face) { return makePiece(text, face); });
    }
    return *layout;
}

std::unique_ptr<TextPiece> RichTextBox::makePiece(QStringView text, int face) const
{
    if (face == m_baseFace)
        return m_faces->shapeInBaseFace(text);
    const QString &family = m_model.faceName(face);
    if (m_faces->knows(family))
        return m_faces->shape(family, text);
    // A sample shows its face's glyphs only: borrowing missing ones from other fonts would
    // misrepresent the face.
    QFont sample;
    sample.setFamilies({family});
    sample.setPixelSize(m_samplePixelSize);
    sample.setStyleStrategy(QFont::NoFontMerging);
    return std::make_unique<QtTextPiece>(text, sample);
}

qreal RichTextBox::caretX(int line, int column)
{
    LineLayout &layout = layoutOf(line);
    layout.extendTo(0, column);
    noteLineWidth(line, layout.width());
    return layout.xOf(column);
}

int RichTextBox::rowsShown() const
{
    return std::max(1, (viewport()->height() - Margin) / m_lineHeight);
}

int RichTextBox::leftEdge() const
{
    return Margin - horizontalScrollBar()->value();
}

void RichTextBox::updateMetrics()
{
    // One height for every line, from the base face and the size the samples are drawn at.
    const QFont base = font();
    m_samplePixelSize = base.pixelSize() > 0 ? base.pixelSize() : qRound(base.pointSizeF() * logicalDpiY() / 72.0);
    qreal ascent = 0;
    qreal descent = 0;
    qreal averageCharWidth = 0;
    // The face cache measures the base face itself: asking Qt would make it list every font.
    m_faces = std::make_unique<FaceCache>(FontName(), m_faces ? m_faces->locations() : FaceLocations(),
                                          m_samplePixelSize);
    if (const std::optional<FaceCache::Metrics> metrics = m_faces->baseMetrics())
        std::tie(ascent, descent, averageCharWidth) = std::tuple(metrics->ascent, metrics->descent, metrics->averageCharWidth);
    m_ascent = int(std::ceil(std::max(ascent, FaceCache::LeastAscentEms * m_samplePixelSize)));
    m_lineHeight = m_ascent + int(std::ceil(std::max(descent, FaceCache::LeastDescentEms * m_samplePixelSize)));
    m_estimatedCharWidth = averageCharWidth > 0 ? averageCharWidth : m_samplePixelSize / 2.0;
    m_tabStop = DefaultTabStop;
}

void RichTextBox::updateScrollRanges()
{
    if (m_openBatches > 0)
        return;
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, LineCount() - rowsShown()));
    vertical->setPageStep(rowsShown());
    vertical->setSingleStep(1);
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, int(std::ceil(m_widest)) + 2 * Margin - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(int(std::ceil(m_estimatedCharWidth)) * 2);
}

void RichTextBox::updateLines(int first, int last)
{
    const int top = FirstVisibleLine();
    if (last < top || first > top + rowsShown() + 1)
        return;
    viewport()->update(LineRect(first) | LineRect(last));
}

void RichTextBox::noteLinesReplaced(int first, int removed, int added)
{
    // The layouts of every later line are dropped too: their numbers may have moved.
    m_layouts.erase(m_layouts.lower_bound(first), m_layouts.end());

    const auto removedFrom = m_lineWidths.begin() + first;
    const bool widestRemoved = std::find(removedFrom, removedFrom + removed, m_widest) != removedFrom + removed;
    m_lineWidths.erase(removedFrom, removedFrom + removed);
    std::vector<float> estimates;
    for (int line = first; line < first + added; ++line) {
        const QString &text = m_model.line(line).text;
        const qsizetype tabs = text.count(u'\t');
        estimates.push_back(float(tabs * m_tabStop + (text.size() - tabs) * m_estimatedCharWidth));
    }
    m_lineWidths.insert(m_lineWidths.begin() + first, estimates.cbegin(), estimates.cend());
    if (widestRemoved)
        m_widest = *std::max_element(m_lineWidths.cbegin(), m_lineWidths.cend());
    else if (!estimates.empty())
        m_widest = std::max(m_widest, *std::max_element(estimates.cbegin(), estimates.cend()));

    if (m_openBatches == 0) {
        updateScrollRanges();
        viewport()->update();
    }
}

void RichTextBox::noteLineWidth(int line, qreal width)
{
    // A line laid out to its end is measured; one laid out in part is at least that wide.
    float &known = m_lineWidths[size_t(line)];
    const LineLayout &layout = layoutOf(line);
    if (float(width) == known || (!layout.complete() && float(width) < known))
        return;
    const bool wasWidest = known == m_widest;
    known = float(width);
    if (known > m_widest)
        m_widest = known;
    else if (wasWidest)
        m_widest = *std::max_element(m_lineWidths.cbegin(), m_lineWidths.cend());
    updateScrollRanges();
}

void RichTextBox::dropFarLayouts()
{
    const int rows = rowsShown();
    const int keepFrom = FirstVisibleLine() - KeptScreens * rows;
    const int keepTo = FirstVisibleLine() + (KeptScreens + 1) * rows + 1;
    m_layouts.erase(m_layouts.begin(), m_layouts.lower_bound(keepFrom));
    m_layouts.erase(m_layouts.upper_bound(keepTo), m_layouts.end());
}

void RichTextBox::restartBlink()
{
    m_caretOn = true;
    if (!hasFocus()) {
        m_blink.stop();
        return;
    }
    const int flashTime = QApplication::cursorFlashTime();
    if (flashTime > 0)
        m_blink.start(flashTime / 2, this);
    else
        m_blink.stop();
}

void RichTextBox::notifyCaretMoved()
{
    // The selections a frozen view or a batch goes through are never shown, so never told either.
    if (!updatesEnabled() || m_openBatches > 0)
        return;
    const std::pair<int, int> selection(SelStart(), SelStart() + SelLength());
    const bool selected = selection.first != selection.second;
    const bool wasSelected = m_reportedSelection.first != m_reportedSelection.second;
    m_reportedSelection = selection;
    if (selected || wasSelected) {
        QAccessibleTextSelectionEvent event(this, selection.first, selection.second);
        event.setCursorPosition(m_position);
        QAccessible::updateAccessibility(&event);
    }
    if (m_position != m_reportedPosition) {
        m_reportedPosition = m_position;
        QAccessibleTextCursorEvent event(this, m_position);
        QAccessible::updateAccessibility(&event);
    }
}
