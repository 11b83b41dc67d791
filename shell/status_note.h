#pragma once
// The status bar's message pane: a note longer than the pane is shown cut short with "…", and
// whole in the pane's tool tip, so the window never widens for it and nothing of it is lost.

#include <QLabel>
#include <QString>

class CStatusNote : public QLabel {
public:
    explicit CStatusNote(QWidget* parent = nullptr);

    void SetNote(const QString& note);
    const QString& Note() const { return m_note; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowFitting();

    QString m_note;
};
