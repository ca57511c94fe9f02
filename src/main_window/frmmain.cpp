#include "frmmain.h"

#include "font_catalogue/modfonthelper.h"
#include "twips.h"
#include "view/richtextbox.h"

#include <QIcon>
#include <QResizeEvent>

#include <algorithm>

namespace {

constexpr double DesignClientWidth = 9450;
constexpr double DesignClientHeight = 3195;
constexpr QColor HighlightColour(0, 0, 255);

QIcon typeshelfIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/16x16/typeshelf.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/32x32/typeshelf.png"), QSize(32, 32));
    return icon;
}

} // namespace

frmMain::frmMain(QWidget *parent)
    : QWidget(parent)
    , m_rtbFonts(new RichTextBox(this))
{
    setWindowTitle(QStringLiteral("Typeshelf"));
    setWindowIcon(typeshelfIcon());
    resize(twips::toPixels(DesignClientWidth, dotsPerInch()),
           twips::toPixels(DesignClientHeight, dotsPerInch()));

    m_rtbFonts->setObjectName(QStringLiteral("rtbFonts"));
    m_rtbFonts->setFocus();

    modFontHelper::ListFontFamilies(*m_rtbFonts, m_sExampleText);
    m_rtbFonts->SetSelStart(0);

    connect(m_rtbFonts, &RichTextBox::FocusGained, this, &frmMain::HighlightCurrentLine);
    connect(m_rtbFonts, &RichTextBox::KeyReleased, this, &frmMain::HighlightCurrentLine);
    connect(m_rtbFonts, &RichTextBox::MouseButtonReleased, this, &frmMain::HighlightCurrentLine);
}

frmMain::~frmMain() = default;

float frmMain::Left() const
{
    return twips::fromPixels(frameGeometry().x(), dotsPerInch());
}

void frmMain::SetLeft(float left)
{
    move(twips::toPixels(left, dotsPerInch()), frameGeometry().y());
}

float frmMain::Top() const
{
    return twips::fromPixels(frameGeometry().y(), dotsPerInch());
}

void frmMain::SetTop(float top)
{
    move(frameGeometry().x(), twips::toPixels(top, dotsPerInch()));
}

float frmMain::Width() const
{
    return twips::fromPixels(frameGeometry().width(), dotsPerInch());
}

void frmMain::SetWidth(float width)
{
    resize(std::max(0, twips::toPixels(width, dotsPerInch()) - frameExtent().width()), height());
}

float frmMain::Height() const
{
    return twips::fromPixels(frameGeometry().height(), dotsPerInch());
}

void frmMain::SetHeight(float height)
{
    resize(width(), std::max(0, twips::toPixels(height, dotsPerInch()) - frameExtent().height()));
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The view covers the client area exactly; its size follows from ours and is never negative.
    m_rtbFonts->setGeometry(rect());
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

double frmMain::dotsPerInch() const
{
    return logicalDpiY();
}

QSize frmMain::frameExtent() const
{
    return frameGeometry().size() - size();
}
