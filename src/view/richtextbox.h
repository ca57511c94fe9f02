// SPDX-License-Identifier: MIT
#pragma once

#include "caret.h"
#include "fonts/facelocation.h"
#include "layoutcache.h"
#include "textmodel.h"
#include "typetofind.h"
#include "viewpainter.h"
#include "zoom.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QClipboard>
#include <QColor>
#include <QTimer>

#include <memory>
#include <optional>

class FaceCache;
class QMenu;
class TextPiece;

// A read-only rich-text view whose offsets count every line break as the two characters CR LF.
//
// One line of the model is one line on screen, all lines equally high, so that scrolling and
// the first visible line need no font at all. Lines are laid out only while they are on
// screen, and only as far as the viewport reaches; the sample faces are opened on demand.
class RichTextBox : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RichTextBox)

public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    static constexpr QLatin1StringView LineBreak = TextModel::LineBreak;
    // Room between the viewport's edges and the text.
    static constexpr int TextMargin = ViewFrame::Margin;

    QString Text() const;
    int TextLength() const;

    int SelStart() const;
    void SetSelStart(int offset);
    int SelLength() const;
    void SetSelLength(int length);
    QString SelText() const;
    // The user cannot edit the text; this is how the program writes it.
    void SetSelText(const QString &text);

    // The colour shared by every visible character of the selection; empty when they differ
    // or when the selection holds none.
    std::optional<QColor> SelColor() const;
    void SetSelColor(const QColor &colour);

    // The face of the first selected character, or the face pending at the caret.
    QString SelFontName() const;
    void SetSelFontName(const QString &family);

    // The face the view was configured with.
    QString FontName() const;

    int FirstVisibleLine() const;
    void LineScroll(int lines);

    // Names and samples together, in percent of the base size; the caret's line keeps its place.
    int ZoomPercent() const { return m_zoom; }
    void SetZoomPercent(int percent);

    // Where the sample faces are stored; a family not found here is drawn through Qt.
    void SetFaceLocations(FaceLocations locations);

    const TextModel &Model() const { return m_model; }
    int LineCount() const { return m_model.lineCount(); }
    // The caret's end of the selection, which SelStart is not when it was made backwards.
    int CaretOffset() const { return m_caret.position; }
    int CaretLine() const;
    // Every line is this high, whatever its faces.
    int LineHeight() const { return m_lineHeight; }
    // The line's place in the viewport, whether or not it is on screen.
    QRect LineRect(int line) const;
    // The place in the viewport of the character at the offset, at least one pixel wide.
    QRect CharacterRect(int offset);
    // The caret place nearest a point in the viewport; a point above the lines is on the first shown.
    int OffsetAt(QPoint point);
    // Scrolls the offset into sight, down or across.
    void EnsureVisible(int offset);
    // Lines whose layout the view holds: those on screen and a few screens around them.
    int LaidOutLines() const { return m_layouts.size(); }
    bool IsLaidOut(int line) const { return m_layouts.contains(line); }
    // Whether the face of the character at the offset borrows glyphs it lacks from other fonts.
    bool BorrowsMissingGlyphs(int offset) const;
    const FaceCache *Faces() const { return m_faces.get(); }

    // Holds back every repaint of the view while it lives; one repaint follows its end.
    class RedrawFreeze
    {
        Q_DISABLE_COPY_MOVE(RedrawFreeze)
    public:
        explicit RedrawFreeze(RichTextBox &view);
        ~RedrawFreeze();

    private:
        RichTextBox &m_view;
        bool m_wasEnabled = true;
    };

    // Groups many edits, so that the scroll range and screen readers are brought up to date once.
    class EditBatch
    {
        Q_DISABLE_COPY_MOVE(EditBatch)
    public:
        explicit EditBatch(RichTextBox &view);
        ~EditBatch();

    private:
        RichTextBox &m_view;
    };

Q_SIGNALS:
    void focusGained();
    void keyReleased();
    void mouseButtonReleased();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void changeEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void select(int anchor, int position);
    void selectAll();
    void moveByKey(KeyMove key);
    bool zoomByKey(const QKeyEvent *event);
    bool findByTyping(const QKeyEvent *event);
    const PrefixIndex &prefixIndex();
    void keepInSightSideways(int offset);
    void copyTo(QClipboard::Mode mode) const;
    // A line's first column is its text up to the first tab: in the catalogue, the family's
    // name, which is what a user copies from a line.
    void copyFirstColumnOf(int line) const;
    void offerPrimarySelection() const;
    std::unique_ptr<QMenu> contextMenu(int line);

    bool borrows(int face, bool inLabel) const;
    std::unique_ptr<TextPiece> makePiece(QStringView text, int face, bool inLabel) const;
    QRect caretRect();
    int rowsShown() const;
    ViewFrame frame() const;
    void updateMetrics();
    void updateScrollRanges();
    void updateLines(int first, int last);
    void noteLinesReplaced(int first, int removed, int added);
    void restartBlink();
    void selectionSettled();
    void tellScreenReaders();

    TextModel m_model;
    Caret m_caret;
    std::optional<int> m_pendingFace;
    int m_baseFace = 0;
    bool m_dragging = false;

    int m_lineHeight = 1;
    int m_ascent = 1;
    int m_samplePixelSize = 12;
    LayoutCache m_layouts;
    std::unique_ptr<FaceCache> m_faces;
    int m_zoom = Zoom::Normal;
    int m_zoomWheel = 0; // wheel turns short of a step, kept for the next
    TypeToFind m_finder;
    std::optional<PrefixIndex> m_prefixIndex;
    // The index is made a moment after the text changes, before a user types.
    QTimer m_prefixIndexing;
    int m_openBatches = 0;
    QBasicTimer m_blink;
    bool m_caretOn = true;
    // What screen readers were last told, so that they hear of the selection once it settles.
    int m_reportedPosition = 0;
    std::pair<int, int> m_reportedSelection;
};
