#pragma once
// Catches the message boxes and beeps of the label dialogs while a test runs.

#include "labels/label_messages.h"

#include <QImage>
#include <QStringList>

class MessageCatcher {
public:
    explicit MessageCatcher(QMessageBox::StandardButton answer = QMessageBox::Ok) {
        m_previous =
            SetLabelMessageHandler([this, answer](QWidget*, const QString& text, QMessageBox::Icon,
                                                  QMessageBox::StandardButtons) {
                texts << text;
                return answer;
            });
    }
    ~MessageCatcher() { SetLabelMessageHandler(m_previous); }
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;

    QStringList texts;

private:
    LabelMessageHandler m_previous;
};

class BeepCounter {
public:
    BeepCounter() {
        m_previous = SetLabelBeepHandler([this] { ++beeps; });
    }
    ~BeepCounter() { SetLabelBeepHandler(m_previous); }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    int beeps = 0;

private:
    LabelBeepHandler m_previous;
};

// Keeps a picture for a person to look at when QM_LOOK_DIR names a folder; otherwise nothing.
inline void SaveForALook(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("QM_LOOK_DIR");
    if (!dir.isEmpty()) image.save(dir + u'/' + name);
}
