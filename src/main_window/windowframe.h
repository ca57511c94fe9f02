// SPDX-License-Identifier: MIT
#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

#include <algorithm>
#include <optional>

class QWidget;

// The outer geometry of a top-level widget, its frame included.
//
// The window manager's frame is known only once the window is on screen in its normal state,
// and a maximised window often loses its borders; this keeps the frame of the normal state
// and holds a requested outer geometry until the window has been seen in the normal state.
class WindowFrame : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowFrame)

public:
    // How much of the caption must lie on a screen for the user to be able to grab it.
    static constexpr QSize GrabbableCaption{32, 16};

    explicit WindowFrame(QWidget &window);
    ~WindowFrame() override;

    // A minimised or maximised window reports the geometry it returns to.
    QRect outerGeometry() const;

    // When the frame leaves less than minimumClient inside, the client keeps the length it
    // had before the request.
    void setOuterWidth(int width, int minimumClient = 0);
    void setOuterHeight(int height, int minimumClient = 0);
    void setOuterPosition(QPoint position);

    static bool isReachable(const QRect &outer);
    static QSize largestAvailableScreenSize();
    // A Wayland client is never told where its window is, and cannot place it.
    static bool platformReportsPosition();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct PendingLength
    {
        int outer = 0;
        int minimumClient = 0;
        int clientBefore = 0;

        int client(int frame) const
        {
            return outer - frame >= std::max(minimumClient, 0) ? outer - frame : clientBefore;
        }
    };

    QMargins frameMargins() const;
    QMargins normalFrameMargins() const;
    void rememberNormalFrame();
    void applyOuterSize();
    bool isNormalAndExposed() const;
    bool isPending() const { return m_pendingPosition || m_pendingWidth || m_pendingHeight; }

    QWidget &m_window;
    std::optional<QPoint> m_pendingPosition;
    std::optional<PendingLength> m_pendingWidth;
    std::optional<PendingLength> m_pendingHeight;
    std::optional<QMargins> m_normalFrameMargins;
};
