// SPDX-License-Identifier: MIT
#include "richtextbox.h"

#include "fonts/facecache.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEngine>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

constexpr int Margin = RichTextBox::TextMargin;
// Screens of lines above and below the shown ones whose layouts are kept, for scrolling back.
constexpr int KeptScreens = 2;
// A character's width before any line is laid out, in sample sizes, for a base face that reports none.
constexpr qreal FallbackCharWidth = 0.5;
constexpr qreal PointsPerInch = 72;
// Long enough for a listing to paint first, short enough to come before anyone types.
constexpr std::chrono::milliseconds PrefixIndexDelay{200};

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_layouts(
          m_model, [this](QStringView text, int face, bool inLabel) { return makePiece(text, face, inLabel); },
          [this] { updateScrollRanges(); })
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Font families"));
    viewport()->setCursor(Qt::IBeamCursor);

    // Text is stored black, whatever the page; it shows in colours the page can carry.
    viewport()->setBackgroundRole(QPalette::Base);
    m_model.setUniformColour(QColor(Qt::black).rgb());
    m_baseFace = m_model.faceIndex(FontName());

    connect(&m_model, &TextModel::linesReplaced, this, &RichTextBox::noteLinesReplaced);
    m_prefixIndexing.setSingleShot(true);
    m_prefixIndexing.setInterval(PrefixIndexDelay);
    connect(&m_prefixIndexing, &QTimer::timeout, this, &RichTextBox::prefixIndex);
    connect(&m_model, &TextModel::coloursChanged, this, &RichTextBox::updateLines);
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
    return m_caret.selectionStart();
}

void RichTextBox::SetSelStart(int offset)
{
    offset = std::clamp(offset, 0, TextLength());
    select(offset, offset);
}

int RichTextBox::SelLength() const
{
    return m_caret.selectionLength();
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
    if (m_faces->outdated()) { // a listing after fonts were installed or removed
        updateMetrics();
        updateScrollRanges();
    }
    m_layouts.clear();
    viewport()->update();
}

int RichTextBox::CaretLine() const
{
    return m_model.lineAt(m_caret.position);
}

QRect RichTextBox::LineRect(int line) const
{
    return frame().lineRect(line);
}

QRect RichTextBox::CharacterRect(int offset)
{
    const TextModel::Position at = m_model.positionOf(offset);
    const qreal left = m_layouts.xOf(at.line, at.column);
    const qreal right = m_layouts.xOf(at.line, at.column + 1);
    const QRect caret = frame().caretRect(at.line, left);
    return QRect(caret.topLeft(), QSize(std::max(1, qRound(right) - qRound(left)), caret.height()));
}

int RichTextBox::OffsetAt(QPoint point)
{
    // The margin above the first shown line belongs to it, not to the hidden line before it.
    const int row = std::max(0, int(std::floor(double(point.y() - Margin) / m_lineHeight)));
    const int line = std::clamp(FirstVisibleLine() + row, 0, LineCount() - 1);
    return m_model.lineStart(line) + m_layouts.columnAt(line, point.x() - frame().left);
}

void RichTextBox::EnsureVisible(int offset)
{
    const int line = m_model.lineAt(offset);
    const int first = FirstVisibleLine();
    if (line < first)
        verticalScrollBar()->setValue(line);
    else if (line >= first + rowsShown())
        verticalScrollBar()->setValue(line - rowsShown() + 1);
    keepInSightSideways(offset);
}

bool RichTextBox::BorrowsMissingGlyphs(int offset) const
{
    const TextModel::Position position = m_model.positionOf(offset);
    const TextModel::Run *run = m_model.runAt(position);
    return borrows(run ? run->face : m_baseFace,
                   position.column < LineLayout::LabelEnd(m_model.line(position.line).text));
}

// Only a label in the base face fills in the glyphs it lacks from other fonts: a sample, the
// base family's own included, shows its face's glyphs only, or it would misrepresent the face.
bool RichTextBox::borrows(int face, bool inLabel) const
{
    return face == m_baseFace && inLabel;
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
    m_view.selectionSettled();
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
        m_view.selectionSettled();
    }
}

void RichTextBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    // The device painted on, which for a view rendered into an image is the image: glyphs are
    // drawn at its ratio, and again at another once the window moves to another screen.
    if (m_faces->setDevicePixelRatio(painter.paintEngine()->paintDevice()->devicePixelRatioF()))
        m_layouts.clear();
    const ViewFrame shown = frame();
    ViewPainter(m_model, m_layouts, shown, palette()).paint(painter, event->rect(), m_caret, hasFocus() && m_caretOn);
    const int rows = rowsShown();
    m_layouts.keepOnly(FirstVisibleLine() - KeptScreens * rows, FirstVisibleLine() + (KeptScreens + 1) * rows + 1);
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
        selectAll();
    } else if (event == QKeySequence::Copy) {
        // The window's highlight leaves nothing selected after every key and click, so copying
        // with nothing selected takes what a user copies from a line: its first column.
        if (SelLength() > 0)
            copyTo(QClipboard::Clipboard);
        else
            copyFirstColumnOf(CaretLine());
    } else if (zoomByKey(event)) {
    } else if (const std::optional<KeyMove> key = MoveForKey(event->keyCombination())) {
        m_finder.reset();
        moveByKey(*key);
    } else if (!findByTyping(event)) {
        event->ignore(); // the text is read-only: a typed character changes nothing
    }
}

bool RichTextBox::zoomByKey(const QKeyEvent *event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    // Plus is shifted on many keyboards, and = is the same key unshifted.
    const bool plus = event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal;
    if (event->matches(QKeySequence::ZoomIn) || (control && plus))
        SetZoomPercent(Zoom::Stepped(m_zoom, 1));
    else if (event->matches(QKeySequence::ZoomOut) || (control && event->key() == Qt::Key_Minus))
        SetZoomPercent(Zoom::Stepped(m_zoom, -1));
    else if (control && event->key() == Qt::Key_0)
        SetZoomPercent(Zoom::Normal);
    else
        return false;
    return true;
}

// Printable keys find the line whose name starts with them; Backspace and Escape act on the
// prefix only while one is being typed.
bool RichTextBox::findByTyping(const QKeyEvent *event)
{
    const auto now = TypeToFind::Clock::now();
    if (event->key() == Qt::Key_Escape && m_finder.active(now)) {
        m_finder.reset();
        return true;
    }
    if (event->key() == Qt::Key_Backspace)
        return m_finder.shorten(now);
    const QString text = event->text();
    const bool commanded = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (commanded || text.isEmpty() || !text.front().isPrint())
        return false;
    if (const std::optional<int> line = m_finder.type(text, CaretLine(), prefixIndex(), now)) {
        select(m_model.lineStart(*line), m_model.lineStart(*line));
        m_caret.wantedX.reset();
        EnsureVisible(m_caret.position);
    }
    return true;
}

const PrefixIndex &RichTextBox::prefixIndex()
{
    if (!m_prefixIndex) {
        QStringList names;
        names.reserve(LineCount());
        for (int line = 0; line < LineCount(); ++line) {
            const QString &text = m_model.line(line).text;
            names << text.first(LineLayout::LabelEnd(text));
        }
        m_prefixIndex.emplace(names);
        m_prefixIndexing.stop();
    }
    return *m_prefixIndex;
}

void RichTextBox::SetZoomPercent(int percent)
{
    percent = std::clamp(percent, Zoom::Least, Zoom::Most);
    if (percent == m_zoom)
        return;
    const int caretLine = CaretLine();
    const int caretTop = LineRect(caretLine).top() - Margin;
    const qreal scale = qreal(percent) / m_zoom;
    m_zoom = percent;
    updateMetrics();
    m_layouts.rescale(scale);
    updateScrollRanges();
    const int caretRow = qRound(qreal(caretTop) / m_lineHeight);
    LineScroll(caretLine - caretRow - FirstVisibleLine());
    viewport()->update();
}

void RichTextBox::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    m_zoomWheel += event->angleDelta().y();
    const int steps = m_zoomWheel / QWheelEvent::DefaultDeltasPerStep;
    m_zoomWheel -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0)
        SetZoomPercent(Zoom::Stepped(m_zoom, steps));
    event->accept();
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
    const int offset = OffsetAt(event->position().toPoint());
    select(event->modifiers() & Qt::ShiftModifier ? m_caret.anchor : offset, offset);
    m_caret.wantedX.reset(); // Up and Down go on from the clicked column
    m_dragging = true;
}

void RichTextBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    select(m_caret.anchor, OffsetAt(event->position().toPoint()));
    EnsureVisible(m_caret.position);
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
    const int offset = OffsetAt(event->position().toPoint());
    select(WordStart(m_model, offset), WordEnd(m_model, offset));
}

void RichTextBox::contextMenuEvent(QContextMenuEvent *event)
{
    contextMenu(m_model.lineAt(OffsetAt(event->pos())))->exec(event->globalPos());
    // The menu took the release of the button that opened it, and closed before its action
    // ran: the action ends the way a click does.
    Q_EMIT mouseButtonReleased();
}

std::unique_ptr<QMenu> RichTextBox::contextMenu(int line)
{
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("contextMenu"));
    QAction *copy = menu->addAction(tr("&Copy"), QKeySequence::Copy, this,
                                    [this] { copyTo(QClipboard::Clipboard); });
    copy->setObjectName(QStringLiteral("copy"));
    copy->setEnabled(SelLength() > 0);
    QAction *selectAll = menu->addAction(tr("Select All"), QKeySequence::SelectAll, this, &RichTextBox::selectAll);
    selectAll->setObjectName(QStringLiteral("selectAll"));
    menu->addSeparator();
    QAction *copyName = menu->addAction(tr("Copy Family Name"), this, [this, line] { copyFirstColumnOf(line); });
    copyName->setObjectName(QStringLiteral("copyFamilyName"));
    return menu;
}

void RichTextBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretOn = !m_caretOn;
    // A blink repaints the caret alone, whatever the line holds.
    viewport()->update(caretRect());
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
    if (anchor == m_caret.anchor && position == m_caret.position)
        return;
    m_caret.anchor = anchor;
    m_caret.position = position;
    restartBlink();
    viewport()->update();
    selectionSettled();
}

void RichTextBox::selectAll()
{
    select(0, TextLength());
    offerPrimarySelection();
}

void RichTextBox::moveByKey(KeyMove key)
{
    const LineMeasure measure{
        [this](int line, int column) { return m_layouts.xOf(line, column); },
        [this](int line, qreal x) { return m_layouts.columnAt(line, x); },
        rowsShown(),
    };
    const CaretStep step = StepCaret(m_caret, key, m_model, measure);
    LineScroll(step.scrolledLines);
    select(step.caret.anchor, step.caret.position);
    m_caret.wantedX = step.caret.wantedX;
    EnsureVisible(m_caret.position);
    offerPrimarySelection();
}

void RichTextBox::keepInSightSideways(int offset)
{
    const TextModel::Position position = m_model.positionOf(offset);
    const qreal x = m_layouts.xOf(position.line, position.column);
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

std::unique_ptr<TextPiece> RichTextBox::makePiece(QStringView text, int face, bool inLabel) const
{
    if (borrows(face, inLabel))
        return m_faces->shapeInBaseFace(text);
    const QString &family = m_model.faceName(face);
    if (m_faces->knows(family))
        return m_faces->shape(family, text);
    QFont sample;
    sample.setFamilies({family});
    sample.setPixelSize(m_samplePixelSize);
    sample.setStyleStrategy(QFont::NoFontMerging);
    return std::make_unique<QtTextPiece>(text, sample);
}

QRect RichTextBox::caretRect()
{
    const TextModel::Position at = m_model.positionOf(m_caret.position);
    return frame().caretRect(at.line, m_layouts.xOf(at.line, at.column));
}

int RichTextBox::rowsShown() const
{
    return std::max(1, (viewport()->height() - Margin) / m_lineHeight);
}

ViewFrame RichTextBox::frame() const
{
    return ViewFrame{FirstVisibleLine(), Margin - horizontalScrollBar()->value(), m_lineHeight, m_ascent,
                     viewport()->size()};
}

void RichTextBox::updateMetrics()
{
    // One height for every line, from the base face and the size the samples are drawn at.
    const QFont base = font();
    const qreal basePixelSize = base.pixelSize() > 0 ? base.pixelSize() : base.pointSizeF() * logicalDpiY() / PointsPerInch;
    m_samplePixelSize = std::max(1, qRound(basePixelSize * m_zoom / Zoom::Normal));
    qreal ascent = 0;
    qreal descent = 0;
    qreal averageCharWidth = 0;
    // The face cache measures the base face itself: asking Qt would make it list every font.
    // Another size alone keeps the cache, whose search for the base face costs a listing.
    if (m_faces && !m_faces->outdated() && m_faces->baseFamily() == FontName()) {
        m_faces->setPixelSize(m_samplePixelSize);
    } else {
        const qreal ratio = m_faces ? m_faces->devicePixelRatio() : devicePixelRatioF();
        m_faces = std::make_unique<FaceCache>(FontName(), m_faces ? m_faces->locations() : FaceLocations(),
                                              m_samplePixelSize, ratio);
    }
    if (const std::optional<FaceCache::Metrics> metrics = m_faces->baseMetrics())
        std::tie(ascent, descent, averageCharWidth) =
            std::tuple(metrics->ascent, metrics->descent, metrics->averageCharWidth);
    m_ascent = int(std::ceil(std::max(ascent, FaceCache::LeastAscentEms * m_samplePixelSize)));
    m_lineHeight = m_ascent + int(std::ceil(std::max(descent, FaceCache::LeastDescentEms * m_samplePixelSize)));
    m_layouts.setEstimatedCharWidth(averageCharWidth > 0 ? averageCharWidth : FallbackCharWidth * m_samplePixelSize);
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
    horizontal->setRange(0, std::max(0, int(std::ceil(m_layouts.widest())) + 2 * Margin - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(int(std::ceil(m_layouts.estimatedCharWidth())) * 2);
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
    m_layouts.replaceLines(first, removed, added);
    m_prefixIndex.reset();
    m_prefixIndexing.start();
    if (m_openBatches == 0) {
        updateScrollRanges();
        viewport()->update();
    }
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

void RichTextBox::selectionSettled()
{
    // The selections a frozen view or a batch goes through are never shown, so neither kept in
    // sight nor told.
    if (!updatesEnabled() || m_openBatches > 0)
        return;
    // Whatever moved the caret, it stays in sight sideways; only keys and drags scroll lines.
    keepInSightSideways(m_caret.position);
    tellScreenReaders();
}

void RichTextBox::tellScreenReaders()
{
    const std::pair<int, int> selection(SelStart(), SelStart() + SelLength());
    const bool selected = selection.first != selection.second;
    const bool wasSelected = m_reportedSelection.first != m_reportedSelection.second;
    m_reportedSelection = selection;
    if (selected || wasSelected) {
        QAccessibleTextSelectionEvent event(this, selection.first, selection.second);
        event.setCursorPosition(m_caret.position);
        QAccessible::updateAccessibility(&event);
    }
    if (m_caret.position != m_reportedPosition) {
        m_reportedPosition = m_caret.position;
        QAccessibleTextCursorEvent event(this, m_caret.position);
        QAccessible::updateAccessibility(&event);
    }
}
