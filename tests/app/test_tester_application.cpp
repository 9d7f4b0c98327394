// The application's display of the protocol layer's messages.
#include "app/uAppMessage.h"
#include "app/uTesterApplication.h"
#include "protocol/uTarvelUserMessage.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

TEST(TesterApplication, ProtocolMessagesWaitForTheMainThreadAndAreNotRepeated)
{
    std::vector<std::pair<QString, bool>> shown; // text, on the main thread
    const TAppMessageHandler previous = SetAppMessageHandler([&shown](QWidget*, const QString& text) {
        shown.emplace_back(text, QThread::currentThread() == qApp->thread());
    });
    InstallTarvelUserMessages();
    std::thread reader([] {
        ShowTarvelUserMessage("e1");
        ShowTarvelUserMessage("e1");
    });
    reader.join();
    ShowTarvelUserMessage("SIG stack overload");
    EXPECT_TRUE(shown.empty()) << "shown inside the call that raised it";
    QCoreApplication::processEvents();
    const std::vector<std::pair<QString, bool>> expected{{QStringLiteral("e1"), true},
                                                         {QStringLiteral("SIG stack overload"), true}};
    EXPECT_EQ(shown, expected);
    ShowTarvelUserMessage("e1");
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.size(), 3u) << "shown again once the first box was closed";
    SetTarvelUserMessageHandler({});
    SetAppMessageHandler(previous);
}
