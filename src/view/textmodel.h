// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QRgb>
#include <QString>

#include <optional>
#include <set>
#include <vector>

// The view's text: lines of runs, each run a stretch of characters sharing a face and a colour.
// Offsets count every line break as the two characters CR LF, as the model stores them, so
// an offset may fall between the CR and the LF of a break.
class TextModel : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextModel)

public:
    static constexpr QLatin1StringView LineBreak{"\r\n"};

    struct Run
    {
        int length = 0;
        int face = 0; // index into the model's face names
        QRgb colour = 0;
    };

    struct Line
    {
        QString text;
        std::vector<Run> runs; // their lengths add up to the text's
    };

    // Where an offset lies: a line and a column within its text (never inside its break).
    struct Position
    {
        int line = 0;
        int column = 0;
    };

    // Where a run lies on its line: [start, start + run->length).
    struct RunPlace
    {
        const Run *run = nullptr;
        int start = 0;
    };

    // The run holding the column, or the last run before it; none on an empty line.
    static RunPlace runAt(const std::vector<Run> &runs, int column);
    // Calls visit(run, start, end) for each run that overlaps columns [from, to).
    template<typename Visit>
    static void forEachRun(const std::vector<Run> &runs, int from, int to, Visit visit)
    {
        int start = 0;
        for (const Run &run : runs) {
            const int end = start + run.length;
            if (start < to && end > from)
                visit(run, start, end);
            start = end;
        }
    }

    // The column after the character at the column, or before the one that ends there: a
    // surrogate pair is one character.
    static int nextColumn(QStringView text, int column);
    static int previousColumn(QStringView text, int column);

    explicit TextModel(QObject *parent = nullptr);
    ~TextModel() override;

    int length() const { return m_starts.back() + int(m_lines.back().text.size()); }
    int lineCount() const { return int(m_lines.size()); }
    const Line &line(int index) const { return m_lines[size_t(index)]; }
    int lineStart(int index) const { return m_starts[size_t(index)]; }
    int lineAt(int offset) const;
    Position positionOf(int offset) const;
    int offsetOf(Position position) const { return lineStart(position.line) + position.column; }

    QString text() const;
    QString textIn(int from, int to) const;

    // Replaces [from, to) with text; any line-break spelling in it starts a new line. Returns
    // the offset just after the new text.
    int replace(int from, int to, const QString &text, int face, QRgb colour);

    // The colour shared by every character of [from, to) but the line breaks, or nothing when
    // they differ or there are none.
    std::optional<QRgb> colourIn(int from, int to) const;
    void setColour(int from, int to, QRgb colour);
    QRgb uniformColour() const { return m_uniformColour; }
    void setUniformColour(QRgb colour);

    void setFace(int from, int to, int face);
    int faceIndex(const QString &name);
    const QString &faceName(int face) const { return m_faceNames[face]; }
    // The run holding the character at the position, or the last run before it on its line.
    const Run *runAt(Position position) const;

Q_SIGNALS:
    // Lines [first, first + removed) were replaced by [first, first + added).
    void linesReplaced(int first, int removed, int added);
    // Only colours changed, in lines [first, last].
    void coloursChanged(int first, int last);

private:
    int append(const QString &text, int face, QRgb colour);
    std::vector<Line> joinedLines(Position first, Position last, const QList<QStringView> &pieces, int face,
                                  QRgb colour) const;
    template<typename Restyle>
    bool restyleLine(Line &line, int from, int to, Restyle restyle);
    bool differsFromUniform(const Line &line) const;
    void noteMayDiffer(int first, int last);
    void shiftMayDiffer(int first, int removed, int added);

    std::vector<Line> m_lines{1};
    std::vector<int> m_starts{0};
    mutable std::optional<QString> m_text;

    QStringList m_faceNames;
    QHash<QString, int> m_faces;

    // Every line outside m_mayDiffer shows only m_uniformColour, so recolouring the whole text
    // in that colour looks at those lines alone.
    QRgb m_uniformColour = qRgb(0, 0, 0);
    std::set<int> m_mayDiffer;
};
