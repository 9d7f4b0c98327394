#include "protocol/uTarvelUserMessage.h"

#include <cstdio>
#include <mutex>

const char* const STarvelSigStackOverload = "SIG stack overload";
const char* const STarvelAnswerHandlerError = "e1";
const char* const STarvelMessageHandlerError = "e2";

namespace {

std::mutex HandlerMutex;

TTarvelUserMessageHandler& Handler()
{
    static TTarvelUserMessageHandler handler;
    return handler;
}

} // namespace

TTarvelUserMessageHandler SetTarvelUserMessageHandler(TTarvelUserMessageHandler handler)
{
    std::lock_guard lock(HandlerMutex);
    std::swap(Handler(), handler);
    return handler;
}

void ShowTarvelUserMessage(const std::string& text)
{
    TTarvelUserMessageHandler handler;
    {
        std::lock_guard lock(HandlerMutex);
        handler = Handler();
    }
    if (handler)
        handler(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}
