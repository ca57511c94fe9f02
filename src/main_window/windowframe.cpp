// SPDX-License-Identifier: MIT
#include "windowframe.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

WindowFrame::WindowFrame(QWidget &window)
    : m_window(window)
{
    m_window.installEventFilter(this);
}

WindowFrame::~WindowFrame() = default;

QRect WindowFrame::outerGeometry() const
{
    const bool normal = !(m_window.windowState()
                          & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    const QMargins frame = normalFrameMargins();
    QRect outer = normal ? m_window.frameGeometry() : m_window.normalGeometry().marginsAdded(frame);
    // A geometry still waiting for the frame is the one the window returns to.
    if (m_pendingPosition)
        outer.moveTopLeft(*m_pendingPosition);
    if (m_pendingWidth)
        outer.setWidth(m_pendingWidth->client(frame.left() + frame.right()) + frame.left() + frame.right());
    if (m_pendingHeight)
        outer.setHeight(m_pendingHeight->client(frame.top() + frame.bottom()) + frame.top() + frame.bottom());
    return outer;
}

void WindowFrame::setOuterWidth(int width, int minimumClient)
{
    m_pendingWidth = PendingLength{width, minimumClient,
                                   m_pendingWidth ? m_pendingWidth->clientBefore : m_window.width()};
    applyOuterSize();
}

void WindowFrame::setOuterHeight(int height, int minimumClient)
{
    m_pendingHeight = PendingLength{height, minimumClient,
                                    m_pendingHeight ? m_pendingHeight->clientBefore : m_window.height()};
    applyOuterSize();
}

void WindowFrame::setOuterPosition(QPoint position)
{
    m_pendingPosition = position;
    m_window.move(position);
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

QSize WindowFrame::largestAvailableScreenSize()
{
    QSize largest;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QSize available = screen->availableGeometry().size();
        if (qint64(available.width()) * available.height() > qint64(largest.width()) * largest.height())
            largest = available;
    }
    return largest;
}

bool WindowFrame::platformReportsPosition()
{
    return !QGuiApplication::platformName().startsWith(QLatin1StringView("wayland"));
}

bool WindowFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window) {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
            rememberNormalFrame();
        else if (event->type() == QEvent::Show)
            m_window.windowHandle()->installEventFilter(this);
    } else if (watched == m_window.windowHandle() && event->type() == QEvent::Expose
               && isNormalAndExposed()) {
        // The window manager's frame is there once the window shows; a move or resize may
        // have come before it.
        rememberNormalFrame();
        // A window the window manager maximised keeps its requested size for when it returns.
        if (isPending())
            applyOuterSize();
    }
    return QObject::eventFilter(watched, event);
}

QMargins WindowFrame::frameMargins() const
{
    return m_window.windowHandle() ? m_window.windowHandle()->frameMargins() : QMargins();
}

// The frame of the normal state; until it has been seen, the one the window manager reports now.
QMargins WindowFrame::normalFrameMargins() const
{
    return m_normalFrameMargins.value_or(frameMargins());
}

void WindowFrame::rememberNormalFrame()
{
    if (isNormalAndExposed())
        m_normalFrameMargins = frameMargins();
}

bool WindowFrame::isNormalAndExposed() const
{
    return m_window.windowState() == Qt::WindowNoState && m_window.windowHandle()
           && m_window.windowHandle()->isExposed();
}

void WindowFrame::applyOuterSize()
{
    const QMargins frame = frameMargins();
    m_window.resize(m_pendingWidth ? m_pendingWidth->client(frame.left() + frame.right()) : m_window.width(),
                    m_pendingHeight ? m_pendingHeight->client(frame.top() + frame.bottom()) : m_window.height());
    if (isNormalAndExposed()) {
        m_pendingPosition.reset();
        m_pendingWidth.reset();
        m_pendingHeight.reset();
    }
}
