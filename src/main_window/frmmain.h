// SPDX-License-Identifier: MIT
#pragma once

#include "closeonquitrequest.h"
#include "fonts/fontwatch.h"
#include "windowframe.h"

#include <QString>
#include <QStringList>
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
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void RestoreWindowState();
    void SaveWindowState() const;
    void HighlightCurrentLine();
    void RefreshCatalogue();

    QSize usableClientSize() const;
    double dotsPerInch() const;
    int pixels(float twips) const;

    RichTextBox *const m_rtbFonts;
    QString m_sExampleText{DefaultExampleText};
    QStringList m_families; // as listed, one per line
    FontWatch m_fontWatch{this};
    std::optional<float> m_leftGiven;
    std::optional<float> m_topGiven;
    WindowFrame m_frame{*this};
    CloseOnQuitRequest m_quitRequests{*this};
};
