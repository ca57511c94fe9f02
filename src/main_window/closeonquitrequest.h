// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#ifdef Q_OS_UNIX
#include <array>
#include <csignal>
#endif

class QSocketNotifier;
class QWidget;

// While it lives, the session manager's quit request and, on Unix, SIGTERM, SIGHUP and SIGINT
// close the window as the user would: its close runs to the end and the program exits normally.
//
// The signal handler only writes a byte to a pipe; the event loop reads it and closes the
// window, since nothing else may run inside a handler. The handlers found are restored at
// the end.
class CloseOnQuitRequest : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CloseOnQuitRequest)

public:
    explicit CloseOnQuitRequest(QWidget &window);
    ~CloseOnQuitRequest() override;

private:
    void closeWindow();

    QWidget &m_window;
#ifdef Q_OS_UNIX
    static constexpr std::array<int, 3> Signals{SIGTERM, SIGHUP, SIGINT};

    static void notify(int signal);
    void listenForSignals();

    std::array<int, 2> m_pipe{-1, -1};
    QSocketNotifier *m_notifier = nullptr;
    std::array<struct sigaction, Signals.size()> m_previous{};
#endif
};
