#pragma once
// Catches the message boxes and beeps of the label dialogs while a test runs.

#include "ui/message_box.h"

#include <QImage>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

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

// Answers the Yes/No questions asked while it lives with `answer`, recording what they asked;
// any other kind of box is a failure.
class QuestionCatcher {
public:
    explicit QuestionCatcher(int answer) : answer(answer) {
        m_previous =
            SetMessageBoxHandler([this](const QString& text, MsgIcon icon, MsgButtons buttons) {
                texts << text;
                EXPECT_EQ(icon, MsgIcon::Question);
                EXPECT_EQ(buttons, MsgButtons::YesNo);
                return this->answer;
            });
    }
    ~QuestionCatcher() { SetMessageBoxHandler(m_previous); }
    QuestionCatcher(const QuestionCatcher&) = delete;
    QuestionCatcher& operator=(const QuestionCatcher&) = delete;

    int answer;
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

// Replaces a field's text by typing, as a user does: everything selected and deleted, then the
// keys.
inline void TypeOver(QLineEdit& field, const char* text) {
    field.setFocus();
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClicks(&field, QString::fromLatin1(text));
}
