// SPDX-License-Identifier: MIT
#pragma once

#include "fonts/facelocation.h"
#include "textmodel.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QClipboard>
#include <QColor>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class FaceCache;
class LineLayout;
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
    static constexpr int TextMargin = 4;

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

    // Where the sample faces are stored; a family not found here is drawn through Qt.
    void SetFaceLocations(FaceLocations locations);

    const TextModel &Model() const { return m_model; }
    int LineCount() const { return m_model.lineCount(); }
    int CaretLine() const;
    // Every line is this high, whatever its faces.
    int LineHeight() const { return m_lineHeight; }
    // The line's place in the viewport, whether or not it is on screen.
    QRect LineRect(int line) const;
    // Lines whose layout the view holds: those on screen and a few screens around them.
    int LaidOutLines() const { return int(m_layouts.size()); }
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

private:
    friend class RichTextBoxAccessible;

    void select(int anchor, int position);
    void moveCaret(int position, bool extend);
    bool moveByKey(const QKeyEvent *event);
    int wordStart(int offset) const;
    int wordEnd(int offset) const;
    int nextCaretPosition(int offset) const;
    int previousCaretPosition(int offset) const;
    int offsetAt(QPoint point);
    void ensureVisible(int offset);
    void copyTo(QClipboard::Mode mode) const;
    // A line's first column is its text up to the first tab: in the catalogue, the family's
    // name, which is what a user copies from a line.
    void copyFirstColumnOf(int line) const;
    void offerPrimarySelection() const;

    LineLayout &layoutOf(int line);
    std::unique_ptr<TextPiece> makePiece(QStringView text, int face) const;
    qreal caretX(int line, int column);
    int rowsShown() const;
    int leftEdge() const;
    void updateMetrics();
    void updateScrollRanges();
    void updateLines(int first, int last);
    void noteLinesReplaced(int first, int removed, int added);
    void noteLineWidth(int line, qreal width);
    void dropFarLayouts();
    void restartBlink();
    void notifyCaretMoved();

    TextModel m_model;
    int m_anchor = 0;
    int m_position = 0;
    std::optional<int> m_pendingFace;
    int m_baseFace = 0;
    std::optional<qreal> m_wantedX; // kept over a run of Up and Down presses
    bool m_dragging = false;

    int m_lineHeight = 1;
    int m_ascent = 1;
    qreal m_tabStop = 80;
    qreal m_estimatedCharWidth = 8;
    int m_samplePixelSize = 12;
    std::map<int, std::unique_ptr<LineLayout>> m_layouts;
    // Widths as far as they are known: measured once laid out to the end, estimated before.
    std::vector<float> m_lineWidths;
    float m_widest = 0;

    std::unique_ptr<FaceCache> m_faces;
    int m_openBatches = 0;
    QBasicTimer m_blink;
    bool m_caretOn = true;
    // What screen readers were last told, so that they hear of the selection once it settles.
    int m_reportedPosition = 0;
    std::pair<int, int> m_reportedSelection;
};
