#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class RichTextBox;

// The program's one window: the font catalogue in a view that fills it.
class frmMain : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    static constexpr QLatin1StringView DefaultExampleText{
        "Lorem upsum epsulem. Nordum letem episcal lorem upsum epsuli nesbit moderm neo."};

    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    const QString &sExampleText() const { return m_sExampleText; }

    // Outer geometry, frame included, in twips. A minimised or maximised window reports the
    // geometry it returns to.
    float Left() const;
    void SetLeft(float left);
    float Top() const;
    void SetTop(float top);
    float Width() const;
    void SetWidth(float width);
    float Height() const;
    void SetHeight(float height);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RestoreWindowState();
    void SaveWindowState() const;
    void HighlightCurrentLine();

    QRect outerGeometry() const;
    QMargins frameMargins() const;
    void rememberNormalFrame();
    bool isReachable(const QRect &outer) const;
    double dotsPerInch() const;
    int pixels(float twips) const;
    void applyOuterSize();

    RichTextBox *const m_rtbFonts;
    QString m_sExampleText{DefaultExampleText};

    // The frame's size is known only once the window is on screen; until then a requested
    // outer size is kept, so that the window does not grow by its frame on every start.
    std::optional<int> m_outerWidthAwaitingFrame;
    std::optional<int> m_outerHeightAwaitingFrame;
    QMargins m_normalFrameMargins;
};
