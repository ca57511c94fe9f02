#pragma once

#include <QString>
#include <QWidget>

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

    // Outer geometry, frame included, in twips.
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

private:
    void HighlightCurrentLine();
    double dotsPerInch() const;
    QSize frameExtent() const;

    RichTextBox *const m_rtbFonts;
    QString m_sExampleText{DefaultExampleText};
};
