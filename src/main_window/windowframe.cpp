#include "windowframe.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// How much of the caption must lie on a screen for the user to be able to grab it.
constexpr QSize GrabbableCaption(32, 16);

} // namespace

WindowFrame::WindowFrame(QWidget &window)
    : m_window(window)
{
    m_window.installEventFilter(this);
}

WindowFrame::~WindowFrame() = default;

QRect WindowFrame::outerGeometry() const
{
    if (m_window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return m_window.normalGeometry().marginsAdded(m_normalFrameMargins);
    return m_window.frameGeometry();
}

void WindowFrame::setOuterWidth(int width)
{
    m_outerWidthAwaitingFrame = width;
    applyOuterSize();
}

void WindowFrame::setOuterHeight(int height)
{
    m_outerHeightAwaitingFrame = height;
    applyOuterSize();
}

bool WindowFrame::isReachable(const QRect &outer)
{
    const QRect caption(outer.topLeft(), QSize(outer.width(), GrabbableCaption.height()));
    const QSize needed = GrabbableCaption.boundedTo(caption.size());
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.cbegin(), screens.cend(), [&](const QScreen *screen) {
        const QRect shown = screen->availableGeometry().intersected(caption);
        return shown.width() >= needed.width() && shown.height() >= needed.height();
    });
}

bool WindowFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            rememberNormalFrame();
        else if (event->type() == QEvent::Show
                 && (m_outerWidthAwaitingFrame || m_outerHeightAwaitingFrame))
            m_window.windowHandle()->installEventFilter(this);
    } else if (watched == m_window.windowHandle() && event->type() == QEvent::Expose
               && m_window.windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        applyOuterSize();
    }
    return QObject::eventFilter(watched, event);
}

QMargins WindowFrame::frameMargins() const
{
    return m_window.windowHandle() ? m_window.windowHandle()->frameMargins() : QMargins();
}

void WindowFrame::rememberNormalFrame()
{
    if (m_window.windowState() == Qt::WindowNoState)
        m_normalFrameMargins = frameMargins();
}

void WindowFrame::applyOuterSize()
{
    const QMargins frame = frameMargins();
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    m_window.resize(
        std::max(0, m_outerWidthAwaitingFrame.value_or(m_window.width() + frameWidth) - frameWidth),
        std::max(0, m_outerHeightAwaitingFrame.value_or(m_window.height() + frameHeight) - frameHeight));
    if (m_window.windowHandle() && m_window.windowHandle()->isExposed()) {
        m_outerWidthAwaitingFrame.reset();
        m_outerHeightAwaitingFrame.reset();
    }
}
