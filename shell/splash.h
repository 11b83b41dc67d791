#pragma once
// The splash window shown while the program starts.

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <functional>

// A borderless, topmost 420 × 280 window with the program's picture and a red-to-blue colour
// ramp. It closes after 5000 ms, or at once on a key or mouse button, and then calls `onClose`.
class CSplashWnd : public QWidget {
public:
    explicit CSplashWnd(std::function<void()> onClose, int milliseconds = 5000);
    void CloseSplash();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
    QTimer m_timer;
    std::function<void()> m_onClose;
    bool m_closed = false;
};
