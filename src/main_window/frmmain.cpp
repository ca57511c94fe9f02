#include "frmmain.h"

#include "font_catalogue/modfonthelper.h"
#include "settings/modini.h"
#include "settings/storednumber.h"
#include "twips.h"
#include "view/richtextbox.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace {

constexpr double DesignClientWidth = 9450;
constexpr double DesignClientHeight = 3195;
constexpr QColor HighlightColour(0, 0, 255);

// How much of the caption must lie on a screen for the user to be able to grab it.
constexpr QSize GrabbableCaption(32, 16);

QIcon typeshelfIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/16x16/typeshelf.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/32x32/typeshelf.png"), QSize(32, 32));
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
    setWindowTitle(QStringLiteral("Typeshelf"));
    setWindowIcon(typeshelfIcon());
    resize(pixels(DesignClientWidth), pixels(DesignClientHeight));
    m_rtbFonts->setObjectName(QStringLiteral("rtbFonts"));
    m_rtbFonts->setFocus();

    RestoreWindowState();
    modFontHelper::ListFontFamilies(*m_rtbFonts, m_sExampleText);
    m_rtbFonts->SetSelStart(0);

    connect(m_rtbFonts, &RichTextBox::focusGained, this, &frmMain::HighlightCurrentLine);
    connect(m_rtbFonts, &RichTextBox::keyReleased, this, &frmMain::HighlightCurrentLine);
    connect(m_rtbFonts, &RichTextBox::mouseButtonReleased, this, &frmMain::HighlightCurrentLine);
}

frmMain::~frmMain() = default;

float frmMain::Left() const
{
    return twips::fromPixels(outerGeometry().x(), dotsPerInch());
}

void frmMain::SetLeft(float left)
{
    move(pixels(left), outerGeometry().y());
}

float frmMain::Top() const
{
    return twips::fromPixels(outerGeometry().y(), dotsPerInch());
}

void frmMain::SetTop(float top)
{
    move(outerGeometry().x(), pixels(top));
}

float frmMain::Width() const
{
    return twips::fromPixels(outerGeometry().width(), dotsPerInch());
}

void frmMain::SetWidth(float width)
{
    m_outerWidthAwaitingFrame = pixels(width);
    applyOuterSize();
}

float frmMain::Height() const
{
    return twips::fromPixels(outerGeometry().height(), dotsPerInch());
}

void frmMain::SetHeight(float height)
{
    m_outerHeightAwaitingFrame = pixels(height);
    applyOuterSize();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The view covers the client area exactly; its size follows from ours and is never negative.
    m_rtbFonts->setGeometry(rect());
    rememberNormalFrame();
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    rememberNormalFrame();
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_outerWidthAwaitingFrame || m_outerHeightAwaitingFrame)
        windowHandle()->installEventFilter(this);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    SaveWindowState();
    QWidget::closeEvent(event);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose
        && windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        applyOuterSize();
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::RestoreWindowState()
{
    const std::optional<int> top = readStoredNumber(QStringLiteral("Top"));
    const std::optional<int> left = readStoredNumber(QStringLiteral("Left"));
    const std::optional<int> width = readStoredNumber(QStringLiteral("Width"));
    const std::optional<int> height = readStoredNumber(QStringLiteral("Height"));

    // A size of nothing, or a position where no screen shows the caption, would lose the window.
    if (width > 0)
        SetWidth(*width);
    if (height > 0)
        SetHeight(*height);
    const QRect outer = outerGeometry();
    const QPoint position(left ? pixels(*left) : outer.x(), top ? pixels(*top) : outer.y());
    if ((top || left) && isReachable(QRect(position, outer.size())))
        move(position);

    const QString exampleText = modIni::ReadIniValue(QStringLiteral("ExampleText"));
    m_sExampleText = exampleText.isEmpty() ? QString(DefaultExampleText) : exampleText;
}

void frmMain::SaveWindowState() const
{
    const modIni::SettingsTransaction transaction;
    modIni::WriteIniValue(QStringLiteral("Left"), StoredNumber::Format(Left()));
    modIni::WriteIniValue(QStringLiteral("Top"), StoredNumber::Format(Top()));
    modIni::WriteIniValue(QStringLiteral("Width"), StoredNumber::Format(Width()));
    modIni::WriteIniValue(QStringLiteral("Height"), StoredNumber::Format(Height()));
    modIni::WriteIniValue(QStringLiteral("ExampleText"), m_sExampleText);
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

QRect frmMain::outerGeometry() const
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return normalGeometry().marginsAdded(m_normalFrameMargins);
    return frameGeometry();
}

void frmMain::rememberNormalFrame()
{
    // A maximised window often loses its borders, so its frame says nothing of the normal one.
    if (windowState() == Qt::WindowNoState)
        m_normalFrameMargins = frameMargins();
}

QMargins frmMain::frameMargins() const
{
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

bool frmMain::isReachable(const QRect &outer) const
{
    const QRect caption(outer.topLeft(), QSize(outer.width(), GrabbableCaption.height()));
    const QSize needed = GrabbableCaption.boundedTo(caption.size());
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.cbegin(), screens.cend(), [&](const QScreen *screen) {
        const QRect shown = screen->availableGeometry().intersected(caption);
        return shown.width() >= needed.width() && shown.height() >= needed.height();
    });
}

double frmMain::dotsPerInch() const
{
    return logicalDpiY();
}

int frmMain::pixels(float twips) const
{
    return twips::toPixels(twips, dotsPerInch());
}

void frmMain::applyOuterSize()
{
    const QMargins frame = frameMargins();
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    resize(std::max(0, m_outerWidthAwaitingFrame.value_or(width() + frameWidth) - frameWidth),
           std::max(0, m_outerHeightAwaitingFrame.value_or(height() + frameHeight) - frameHeight));
    if (windowHandle() && windowHandle()->isExposed()) {
        m_outerWidthAwaitingFrame.reset();
        m_outerHeightAwaitingFrame.reset();
    }
}
