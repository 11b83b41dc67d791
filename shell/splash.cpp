#include "shell/splash.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <algorithm>

CSplashWnd::CSplashWnd(std::function<void()> onClose, int milliseconds)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_onClose(std::move(onClose)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFixedSize(420, 280);
    // Rendered at the screen's pixel ratio, so a scaled screen shows it sharp.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    m_picture = QPixmap(QSize(420, 280) * ratio);
    m_picture.setDevicePixelRatio(ratio);
    m_picture.fill(Qt::white);
    QPainter p(&m_picture);
    QSvgRenderer(QStringLiteral(":/icons/splash.svg")).render(&p, QRectF(0, 0, 420, 280));
    if (screen) move(screen->geometry().center() - QPoint(210, 140));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSplashWnd::CloseSplash);
    m_timer.start(milliseconds);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
    // One-pixel columns from pure red at the left to pure blue at the right, y 154 to 160.
    const int width = 420;
    for (int x = 0; x < width; ++x) {
        const int blue = x * 255 / (width - 1);
        p.setPen(QColor(255 - blue, 0, blue));
        p.drawLine(x, 154, x, 159);
    }
}

void CSplashWnd::keyPressEvent(QKeyEvent*) {
    CloseSplash();
}

void CSplashWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton ||
        event->button() == Qt::MiddleButton)
        CloseSplash();
}

void CSplashWnd::CloseSplash() {
    if (m_closed) return;
    m_closed = true;
    m_timer.stop();
    hide();
    if (m_onClose) m_onClose();
}
