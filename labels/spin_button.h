#pragma once
// A pair of up and down arrows beside an entry field. It only reports the step: whoever owns
// the field decides what the step does to it.

#include <QWidget>

class QToolButton;

class CSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit CSpinButton(QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    int Position() const { return m_position; }
    void SetPosition(int position);

    // What a click on the up (+1) or down (-1) arrow does: reports, then moves, wrapping at
    // the ends of the range.
    void Step(int delta);

    QToolButton* UpArrow() const { return m_up; }
    QToolButton* DownArrow() const { return m_down; }

signals:
    // Sent before the position moves.
    void PositionChanging(int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    int m_lower = 0;
    int m_upper = 100;
    int m_position = 0;
};
