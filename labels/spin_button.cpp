#include "labels/spin_button.h"

#include <QToolButton>

#include <algorithm>

CSpinButton::CSpinButton(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setAutoRepeat(true);
        // The field beside it keeps the keyboard; the arrows are for the mouse.
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setIconSize(QSize(7, 7));
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CSpinButton::SetRange(int lower, int upper) {
    m_lower = std::min(lower, upper);
    m_upper = std::max(lower, upper);
    m_position = std::clamp(m_position, m_lower, m_upper);
}

void CSpinButton::SetPosition(int position) {
    m_position = std::clamp(position, m_lower, m_upper);
}

void CSpinButton::Step(int delta) {
    if (!isEnabled()) return;
    emit PositionChanging(delta);
    const long long next = static_cast<long long>(m_position) + delta;
    if (next > m_upper)
        m_position = m_lower;
    else if (next < m_lower)
        m_position = m_upper;
    else
        m_position = static_cast<int>(next);
}

void CSpinButton::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}
