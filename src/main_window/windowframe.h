#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>

#include <optional>

class QWidget;

// The outer geometry of a top-level widget, its frame included.
//
// The window manager's frame is known only once the window is on screen, and a maximised
// window often loses its borders; this keeps the frame of the normal state and holds a
// requested outer size until the frame can be taken off it.
class WindowFrame : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowFrame)

public:
    explicit WindowFrame(QWidget &window);
    ~WindowFrame() override;

    // A minimised or maximised window reports the geometry it returns to.
    QRect outerGeometry() const;
    void setOuterWidth(int width);
    void setOuterHeight(int height);

    // Whether a screen shows enough of the caption of a window there for the user to grab it.
    static bool isReachable(const QRect &outer);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMargins frameMargins() const;
    void rememberNormalFrame();
    void applyOuterSize();

    QWidget &m_window;
    std::optional<int> m_outerWidthAwaitingFrame;
    std::optional<int> m_outerHeightAwaitingFrame;
    QMargins m_normalFrameMargins;
};
