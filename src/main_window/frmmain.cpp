// SPDX-License-Identifier: MIT
#include "frmmain.h"

#include "font_catalogue/modfonthelper.h"
#include "settings/modini.h"
#include "settings/storednumber.h"
#include "twips.h"
#include "view/richtextbox.h"
#include "view/richtextboxaccessible.h"
#include "view/zoom.h"

#include <QCloseEvent>
#include <QIcon>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>

namespace {

constexpr double DesignClientWidth = 9450;
constexpr double DesignClientHeight = 3195;
constexpr QColor HighlightColour(0, 0, 255);

// Every size the desktop has, so that no task bar scales one up, and the drawing itself where
// Qt's SVG plugin is installed.
QIcon typeshelfIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/typeshelf.png").arg(size), QSize(size, size));
    icon.addFile(QStringLiteral(":/icons/scalable/typeshelf.svg"));
    return icon;
}

std::optional<int> readStoredNumber(const QString &key)
{
    return StoredNumber::Parse(modIni::ReadIniValue(key));
}

} // namespace

frmMain::frmMain(QWidget *parent)
    : QWidget(parent)
    , m_rtbFonts(new RichTextBox(this))
{
    RichTextBoxAccessible::install();
    setWindowTitle(QStringLiteral("Typeshelf"));
    setWindowIcon(typeshelfIcon());
    resize(pixels(DesignClientWidth), pixels(DesignClientHeight));
    m_rtbFonts->setObjectName(QStringLiteral("rtbFonts"));
    m_fontWatch.setObjectName(QStringLiteral("fontWatch"));
    m_rtbFonts->setFocus();

    RestoreWindowState();
    m_families = modFontHelper::ListFontFamilies(*m_rtbFonts, m_sExampleText);
    m_rtbFonts->SetSelStart(0);

    connect(m_rtbFonts, &RichTextBox::focusGained, this, &frmMain::HighlightCurrentLine);
    connect(m_rtbFonts, &RichTextBox::keyReleased, this, &frmMain::HighlightCurrentLine);
    connect(m_rtbFonts, &RichTextBox::mouseButtonReleased, this, &frmMain::HighlightCurrentLine);
    connect(&m_fontWatch, &FontWatch::fontsChanged, this, &frmMain::RefreshCatalogue);
}

frmMain::~frmMain() = default;

// Where the platform keeps a window's position from it (Wayland), the position last given
// stands for it, so that what is saved is what was read; with none given nothing is saved.
float frmMain::Left() const
{
    if (!WindowFrame::platformReportsPosition())
        return m_leftGiven.value_or(0);
    return twips::fromPixels(m_frame.outerGeometry().x(), dotsPerInch());
}

void frmMain::SetLeft(float left)
{
    m_leftGiven = left;
    move(pixels(left), m_frame.outerGeometry().y());
}

float frmMain::Top() const
{
    if (!WindowFrame::platformReportsPosition())
        return m_topGiven.value_or(0);
    return twips::fromPixels(m_frame.outerGeometry().y(), dotsPerInch());
}

void frmMain::SetTop(float top)
{
    m_topGiven = top;
    move(m_frame.outerGeometry().x(), pixels(top));
}

float frmMain::Width() const
{
    return twips::fromPixels(m_frame.outerGeometry().width(), dotsPerInch());
}

void frmMain::SetWidth(float width)
{
    m_frame.setOuterWidth(pixels(width));
}

float frmMain::Height() const
{
    return twips::fromPixels(m_frame.outerGeometry().height(), dotsPerInch());
}

void frmMain::SetHeight(float height)
{
    m_frame.setOuterHeight(pixels(height));
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The view covers the client area exactly; its size follows from ours and is never negative.
    m_rtbFonts->setGeometry(rect());
}

void frmMain::closeEvent(QCloseEvent *event)
{
    SaveWindowState();
    QWidget::closeEvent(event);
}

void frmMain::RestoreWindowState()
{
    const modIni::SettingsTransaction settings; // the file is read once for every key
    const std::optional<int> top = readStoredNumber(QStringLiteral("Top"));
    const std::optional<int> left = readStoredNumber(QStringLiteral("Left"));
    const std::optional<int> width = readStoredNumber(QStringLiteral("Width"));
    const std::optional<int> height = readStoredNumber(QStringLiteral("Height"));

    // A window smaller than usable, larger than any screen or where no screen shows its caption
    // would be lost to the user; such values give way to the design size and the window
    // manager's placement.
    const QSize largest = WindowFrame::largestAvailableScreenSize();
    const QSize usable = usableClientSize();
    if (width)
        m_frame.setOuterWidth(std::min(pixels(*width), largest.width()), usable.width());
    if (height)
        m_frame.setOuterHeight(std::min(pixels(*height), largest.height()), usable.height());
    m_leftGiven = left;
    m_topGiven = top;
    if (left && top) {
        const QPoint position(pixels(*left), pixels(*top));
        if (WindowFrame::isReachable(QRect(position, m_frame.outerGeometry().size())))
            m_frame.setOuterPosition(position);
    }

    const QString exampleText = modIni::ReadIniValue(QStringLiteral("ExampleText"));
    m_sExampleText = exampleText.isEmpty() ? QString(DefaultExampleText) : exampleText;
    m_rtbFonts->SetZoomPercent(Zoom::Sanitised(readStoredNumber(QStringLiteral("Zoom")).value_or(Zoom::Normal)));
}

void frmMain::SaveWindowState() const
{
    const modIni::SettingsTransaction transaction;
    const bool positionKnown = WindowFrame::platformReportsPosition();
    if (positionKnown || m_leftGiven)
        modIni::WriteIniValue(QStringLiteral("Left"), StoredNumber::Format(Left()));
    if (positionKnown || m_topGiven)
        modIni::WriteIniValue(QStringLiteral("Top"), StoredNumber::Format(Top()));
    modIni::WriteIniValue(QStringLiteral("Width"), StoredNumber::Format(Width()));
    modIni::WriteIniValue(QStringLiteral("Height"), StoredNumber::Format(Height()));
    modIni::WriteIniValue(QStringLiteral("ExampleText"), m_sExampleText);
    // Only a user who zoomed has the key, so that everyone else's file stays as it was.
    const int zoom = m_rtbFonts->ZoomPercent();
    if (zoom != Zoom::Normal || !modIni::ReadIniValue(QStringLiteral("Zoom")).isEmpty())
        modIni::WriteIniValue(QStringLiteral("Zoom"), QString::number(zoom));
}

// A font installed in a folder that did not exist when the program started is noticed
// when the user comes back to the window.
void frmMain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_fontWatch.check();
}

// Lists the families again in place of the old listing, in one step shown only once done:
// the caret stays on its family, or where that is gone, on the family after it in order, and
// the first visible line stays.
void frmMain::RefreshCatalogue()
{
    RichTextBox &view = *m_rtbFonts;
    const RichTextBox::RedrawFreeze freeze(view);
    const QString caretFamily = m_families.value(view.CaretLine());
    const int firstVisibleLine = view.FirstVisibleLine();

    view.SetSelStart(0);
    view.SetSelLength(view.TextLength());
    view.SetSelText(QString());
    m_families = modFontHelper::ListFontFamilies(view, m_sExampleText);

    const int caretLine = modFontHelper::LineOfFamily(m_families, caretFamily);
    view.SetSelStart(view.Model().lineStart(caretLine));
    view.LineScroll(firstVisibleLine - view.FirstVisibleLine());
    HighlightCurrentLine();
}

// Colours the caret's line blue and everything else black, leaving the caret and the scroll
// position as they were. Any selection collapses to its start.
void frmMain::HighlightCurrentLine()
{
    RichTextBox &view = *m_rtbFonts;
    const RichTextBox::RedrawFreeze freeze(view);

    const int caret = view.SelStart();
    const QString text = view.Text();
    const int length = text.size();

    // The line runs from the LF that ends the previous line (or the start of the text)
    // through the CR that ends the caret's own line.
    int lineStart = 0;
    if (caret > 0 && caret < length)
        lineStart = text.lastIndexOf(RichTextBox::LineBreak, caret - 1) + 1;
    int lineEnd = text.indexOf(RichTextBox::LineBreak, caret) + 1;
    if (lineEnd < lineStart)
        lineEnd = length;

    const int firstVisibleLine = view.FirstVisibleLine();
    view.SetSelStart(0);
    view.SetSelLength(length);
    view.SetSelColor(Qt::black);
    view.SetSelStart(lineStart);
    view.SetSelLength(lineEnd - lineStart);
    view.SetSelColor(HighlightColour);
    view.SetSelStart(caret);
    view.LineScroll(firstVisibleLine - view.FirstVisibleLine());
}

// The caption's grab area across, and one line of the view with its scroll bar down.
QSize frmMain::usableClientSize() const
{
    const int line = m_rtbFonts->LineHeight() + 2 * RichTextBox::TextMargin
                     + 2 * m_rtbFonts->frameWidth()
                     + m_rtbFonts->horizontalScrollBar()->sizeHint().height();
    return QSize(WindowFrame::GrabbableCaption.width(), line);
}

double frmMain::dotsPerInch() const
{
    return logicalDpiY();
}

int frmMain::pixels(float twips) const
{
    return twips::toPixels(twips, dotsPerInch());
}
