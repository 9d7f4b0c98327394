// Messages of the protocol layer that the user must see ("SIG stack overload", "e1",
// "e2"). The protocol layer has no user interface: the application installs a handler
// that shows the text in a modal message box; tests install their own. Without a
// handler the text goes to standard error.
#pragma once

#include <functional>
#include <string>

extern const char* const STarvelSigStackOverload; // "SIG stack overload"
extern const char* const STarvelAnswerHandlerError; // "e1"
extern const char* const STarvelMessageHandlerError; // "e2"

using TTarvelUserMessageHandler = std::function<void(const std::string& text)>;

// Installs the handler (an empty function restores the default) and returns the previous one.
TTarvelUserMessageHandler SetTarvelUserMessageHandler(TTarvelUserMessageHandler handler);

// Shows the text through the installed handler; waits until the handler returns.
void ShowTarvelUserMessage(const std::string& text);
