#include "shell/status_note.h"

#include <QFontMetrics>

#include <algorithm>

CStatusNote::CStatusNote(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void CStatusNote::SetNote(const QString& note) {
    m_note = note;
    ShowFitting();
}

QSize CStatusNote::minimumSizeHint() const {
    // Any width will do: what does not fit is shortened.
    return {0, QLabel::minimumSizeHint().height()};
}

QSize CStatusNote::sizeHint() const {
    return {0, QLabel::sizeHint().height()};
}

void CStatusNote::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    ShowFitting();
}

void CStatusNote::ShowFitting() {
    // indent() is -1 while the label picks its own, which is none without a frame.
    const int room = contentsRect().width() - 2 * margin() - 2 * std::max(indent(), 0);
    const QString shown = fontMetrics().elidedText(m_note, Qt::ElideRight, std::max(room, 0));
    setText(shown);
    setToolTip(shown == m_note ? QString() : m_note);
}
