// SPDX-License-Identifier: MIT
#include "closeonquitrequest.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler's only way out; one window at a time listens.
volatile sig_atomic_t s_writeEnd = -1;

// Close-on-exec and non-blocking, set one at a time: pipe2 is not everywhere.
bool makePipe(std::array<int, 2> &ends)
{
    if (::pipe(ends.data()) != 0)
        return false;
    for (const int end : ends) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

} // namespace
#endif

CloseOnQuitRequest::CloseOnQuitRequest(QWidget &window)
    : m_window(window)
{
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &CloseOnQuitRequest::closeWindow);
#ifdef Q_OS_UNIX
    listenForSignals();
#endif
}

#ifdef Q_OS_UNIX
void CloseOnQuitRequest::listenForSignals()
{
    if (!makePipe(m_pipe))
        return;
    s_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseOnQuitRequest::closeWindow);

    struct sigaction action{};
    action.sa_handler = &CloseOnQuitRequest::notify;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < Signals.size(); ++i)
        ::sigaction(Signals[i], &action, &m_previous[i]);
}

CloseOnQuitRequest::~CloseOnQuitRequest()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < Signals.size(); ++i)
        ::sigaction(Signals[i], &m_previous[i], nullptr);
    s_writeEnd = -1;
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void CloseOnQuitRequest::notify(int)
{
    const int savedErrno = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(s_writeEnd, &byte, 1);
    errno = savedErrno;
}
#else
CloseOnQuitRequest::~CloseOnQuitRequest() = default;
#endif

void CloseOnQuitRequest::closeWindow()
{
#ifdef Q_OS_UNIX
    if (m_notifier) {
        char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
    }
#endif
    // A quit request comes on a channel of its own and can overtake what the window system has
    // already told the window, such as a move or a resize just made: take that in first, so
    // that the close saves the window as the user left it.
    QGuiApplication::sync();
    m_window.close();
}
