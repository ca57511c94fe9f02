#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <optional>
#include <vector>

class QTextBlock;

// A rich-text view whose offsets count every line break as the two characters CR LF.
//
// Qt's document holds one separator per line break, so this class is the one place that
// converts between the two counts; nothing else touches document positions. Lines never
// wrap, so one block of the document is one line on screen.
class RichTextBox : public QPlainTextEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RichTextBox)

public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    static constexpr QLatin1StringView LineBreak{"\r\n"};

    QString Text() const;
    int TextLength() const;

    int SelStart() const;
    void SetSelStart(int offset);
    int SelLength() const;
    void SetSelLength(int length);
    QString SelText() const;
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

private:
    // While it lives, selecting leaves the caret on screen where it is: the selection is only
    // shown when the hold ends. Showing a selection makes Qt measure the lines up to its end,
    // which loads the face of every line on the way; a hold shows only the final one.
    class SelectionHold
    {
        Q_DISABLE_COPY_MOVE(SelectionHold)
    public:
        explicit SelectionHold(RichTextBox &view);
        ~SelectionHold();
        void release();

    private:
        RichTextBox &m_view;
        bool m_holding = false;
    };

public:
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
        SelectionHold m_hold;
    };

    // Groups many edits into one document change, so the layout is brought up to date once.
    class EditBatch
    {
        Q_DISABLE_COPY_MOVE(EditBatch)
    public:
        explicit EditBatch(RichTextBox &view);
        ~EditBatch();

    private:
        RichTextBox &m_view;
        SelectionHold m_hold;
        QTextCursor m_cursor;
    };

Q_SIGNALS:
    void focusGained();
    void keyReleased();
    void mouseButtonReleased();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // A line's first column is its text up to the first tab: in the catalogue, the family's
    // name, which is what a user copies from a line.
    void copyFirstColumnOf(const QTextBlock &line) const;
    int toDocument(int offset) const;
    int toModel(int position) const;
    QTextCursor selection() const;
    void selectDocumentRange(int anchor, int position);
    void showSelection(const QTextCursor &cursor);
    void recolour(int from, int to, const QColor &colour);
    void noteChange(int position, int charsRemoved, int charsAdded);
    void markMayDiffer(int from, int to);
    // Whether every character of the block within [from, to) shows the colour.
    bool showsOnly(const QTextBlock &block, int from, int to, const QColor &colour) const;
    QColor effectiveColour(const QTextCharFormat &format) const;

    // Colour economy: every character outside m_mayDiffer has m_uniformColour, so recolouring
    // the whole text only has to look at those ranges instead of every line.
    QColor m_uniformColour;
    std::vector<QTextCursor> m_mayDiffer;
    bool m_recolouring = false;

    struct OffsetAt
    {
        int offset = -1;
        int position = -1;
    };
    OffsetAt m_startBetweenBreak;

    // Reading the text is frequent and changing it rare, so the text is kept until it changes.
    mutable std::optional<QString> m_cachedText;
    int m_openBatches = 0;

    std::optional<QTextCursor> m_heldSelection;
};
