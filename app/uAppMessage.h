// Modal message boxes of the tester (an OK button and a text). Tests install their own
// handler so that no box blocks them.
#pragma once

#include <QString>

#include <functional>

class QWidget;

using TAppMessageHandler = std::function<void(QWidget* parent, const QString& text)>;

// Shows the text through the installed handler (by default a modal box with OK).
void ShowAppMessage(QWidget* parent, const QString& text);
// Installs a handler (an empty function restores the message box) and returns the previous one.
TAppMessageHandler SetAppMessageHandler(TAppMessageHandler handler);
