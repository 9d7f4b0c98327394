#pragma once

#include "controls/uCustomNumEdit.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// Records the range messages and beeps of the numeric edits instead of showing them.
class TFeedbackRecorder {
public:
    TFeedbackRecorder()
        : FSavedMessage(TMyCustomNumEdit::ShowRangeMessage)
        , FSavedBeep(TMyCustomNumEdit::Beep)
    {
        TMyCustomNumEdit::ShowRangeMessage = [this](QWidget*, const QString& message) { Messages << message; };
        TMyCustomNumEdit::Beep = [this] { ++Beeps; };
    }
    ~TFeedbackRecorder()
    {
        TMyCustomNumEdit::ShowRangeMessage = FSavedMessage;
        TMyCustomNumEdit::Beep = FSavedBeep;
    }

    QStringList Messages;
    int Beeps = 0;

private:
    decltype(TMyCustomNumEdit::ShowRangeMessage) FSavedMessage;
    decltype(TMyCustomNumEdit::Beep) FSavedBeep;
};

// An active window holding a field under test and a plain edit to move the focus to.
template <typename TEdit>
class TEditWindow {
public:
    TEditWindow()
        : Window(std::make_unique<QWidget>())
        , Edit(new TEdit(Window.get()))
        , Next(new QLineEdit(Window.get()))
    {
        auto* layout = new QVBoxLayout(Window.get());
        layout->addWidget(Edit);
        layout->addWidget(Next);
        Window->show();
        Window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Edit->setFocus();
    }

    // Replaces the field's text by typing, as a user does.
    void Type(const QString& text)
    {
        Edit->setFocus();
        Edit->selectAll();
        QTest::keyClick(Edit, Qt::Key_Delete);
        QTest::keyClicks(Edit, text);
    }

    // Adds text at the cursor as an input method commits it (a dead key, a compose sequence).
    void Commit(const QString& text)
    {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(Edit, &event);
    }

    // Leaves the field with the Tab key and lets queued work run.
    void Leave()
    {
        QTest::keyClick(Edit, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<QWidget> Window;
    TEdit* Edit;
    QLineEdit* Next;
};
