#pragma once
// Catches the message boxes and beeps of the label dialogs while a test runs.

#include "ui/message_box.h"

#include <QImage>
#include <QStringList>

class MessageCatcher {
public:
    explicit MessageCatcher(int answer = IDOK) {
        m_previous = SetMessageBoxHandler([this, answer](const QString& text, MsgIcon, MsgButtons) {
            texts << text;
            return answer;
        });
    }
    ~MessageCatcher() { SetMessageBoxHandler(m_previous); }
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;

    QStringList texts;

private:
    MessageBoxHandler m_previous;
};

class BeepCounter {
public:
    BeepCounter() {
        m_previous = SetBeepHandler([this] { ++beeps; });
    }
    ~BeepCounter() { SetBeepHandler(m_previous); }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    int beeps = 0;

private:
    BeepHandler m_previous;
};

// Keeps a picture for a person to look at when QM_LOOK_DIR names a folder; otherwise nothing.
inline void SaveForALook(const QImage& image, const QString& name) {
    const QString dir = qEnvironmentVariable("QM_LOOK_DIR");
    if (!dir.isEmpty()) image.save(dir + u'/' + name);
}
