#include "framework/ci_test_transport.h"
#include "framework/uExceptions.h"
#include "framework/uTimeoutManager.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Records every notification and error of one interface.
struct TRecorder {
    std::vector<std::string> Events;
    std::vector<TCiErrorDetails> ErrorDetails;
    bool ThrowOnData = false;

    void OnOpen(ICommunicationInterface*) { Events.push_back("open"); }
    void OnClose(ICommunicationInterface*) { Events.push_back("close"); }
    void OnOpenListener(ICommunicationInterface*) { Events.push_back("open-listener"); }
    void OnCloseListener(ICommunicationInterface*) { Events.push_back("close-listener"); }
    void OnData(ICommunicationInterface*)
    {
        if (ThrowOnData) throw Exception("handler failed");
        Events.push_back("data");
    }
    void OnDataListener(ICommunicationInterface*) { Events.push_back("data-listener"); }
    void OnConfigChanged(ICommunicationInterface*) { Events.push_back("config"); }
    void OnSignal(ICommunicationInterface*, uint32_t signal, bool state)
    {
        if (signal == 99) throw std::runtime_error("bad signal");
        Events.push_back("signal " + std::to_string(signal) + (state ? " on" : " off"));
    }
    void OnError(ICommunicationInterface*, const std::string& operation, const TCiErrorDetails& details, uint32_t)
    {
        Events.push_back("error " + operation);
        ErrorDetails.push_back(details);
    }
};

class CommunicationInterface : public ::testing::Test {
protected:
    void SetUp() override
    {
        Intf = MakeObj<TTestTransport>();
        Intf->SetOnOpen(TCiNotifyEvent::Bind<&TRecorder::OnOpen>(&Rec));
        Intf->SetOnClose(TCiNotifyEvent::Bind<&TRecorder::OnClose>(&Rec));
        Intf->SetOnDataRcv(TCiNotifyEvent::Bind<&TRecorder::OnData>(&Rec));
        Intf->SetOnError(TCiErrorEvent::Bind<&TRecorder::OnError>(&Rec));
        Intf->SetOnChangeSignal(TCiChangeSignalEvent::Bind<&TRecorder::OnSignal>(&Rec));
        Intf->GetOpenEventer()->AddHandler(TCiNotifyEvent::Bind<&TRecorder::OnOpenListener>(&Rec));
        Intf->GetCloseEventer()->AddHandler(TCiNotifyEvent::Bind<&TRecorder::OnCloseListener>(&Rec));
        Intf->GetDataRcvEventer()->AddHandler(TCiNotifyEvent::Bind<&TRecorder::OnDataListener>(&Rec));
        Intf->GetConfigChangedEventer()->AddHandler(TCiNotifyEvent::Bind<&TRecorder::OnConfigChanged>(&Rec));
    }

    TRecorder Rec;
    IntfPtr<TTestTransport> Intf;
};

using Events = std::vector<std::string>;

TEST_F(CommunicationInterface, OpenAndCloseNotifyOnlyOnStateChange)
{
    EXPECT_TRUE(Intf->Open());
    EXPECT_TRUE(Intf->Open());
    EXPECT_TRUE(Intf->IsOpen());
    EXPECT_EQ(Rec.Events, (Events{"open", "open-listener"}));
    Rec.Events.clear();

    EXPECT_TRUE(Intf->Close(false));
    EXPECT_TRUE(Intf->Close(false));
    EXPECT_EQ(Rec.Events, (Events{"close", "close-listener"}));
    EXPECT_EQ(Intf->InternalCloseCount, 1);

    // A forced close always reaches the transport.
    EXPECT_TRUE(Intf->Close(true));
    EXPECT_EQ(Intf->InternalCloseCount, 2);
}

TEST_F(CommunicationInterface, RefusedOpenAndCloseAreReportedByName)
{
    Intf->RefuseOpen = true;
    EXPECT_FALSE(Intf->Open());
    Intf->RefuseOpen = false;
    ASSERT_TRUE(Intf->Open());
    Intf->RefuseClose = true;
    EXPECT_FALSE(Intf->Close(false));
    EXPECT_EQ(Rec.Events, (Events{"error Open", "open", "open-listener", "error Close"}));
}

TEST_F(CommunicationInterface, SetActiveOpensAndClosesOnlyWhenNeeded)
{
    Intf->SetActive(true);
    Intf->SetActive(true);
    EXPECT_TRUE(Intf->IsOpen());
    Intf->SetActive(false);
    EXPECT_FALSE(Intf->IsOpen());
    EXPECT_EQ(Rec.Events, (Events{"open", "open-listener", "close", "close-listener"}));
}

TEST_F(CommunicationInterface, RejectedConfigurationReportsTheText)
{
    Intf->SetConfiguration("speed=1");
    Intf->SetConfiguration("reject=1");
    EXPECT_EQ(Rec.Events, (Events{"config", "error SetConfiguration"}));
    ASSERT_EQ(Rec.ErrorDetails.size(), 1u);
    EXPECT_EQ(Rec.ErrorDetails[0], TCiErrorDetails{"reject=1"});
    EXPECT_EQ(Intf->GetConfiguration(), "speed=1");
}

TEST_F(CommunicationInterface, FailingHandlerBecomesErrorReportAndSkipsListeners)
{
    Intf->DoDataRcv();
    Rec.ThrowOnData = true;
    Intf->DoDataRcv();
    EXPECT_EQ(Rec.Events, (Events{"data", "data-listener", "error DoDataRcv"}));

    Rec.Events.clear();
    Intf->DoChangeSignal(3, true);
    Intf->DoChangeSignal(99, false);
    EXPECT_EQ(Rec.Events, (Events{"signal 3 on", "error DoChangeSignal"}));
}

TEST_F(CommunicationInterface, FailingErrorHandlerDoesNotEscapeANotification)
{
    struct TThrower {
        void OnError(ICommunicationInterface*, const std::string&, const TCiErrorDetails&, uint32_t)
        {
            throw Exception("error handler failed");
        }
    } thrower;
    Intf->SetOnError(TCiErrorEvent::Bind<&TThrower::OnError>(&thrower));
    Rec.ThrowOnData = true;
    EXPECT_NO_THROW(Intf->DoDataRcv());
    // Outside a notification the error handler's failure reaches the caller.
    Intf->RefuseOpen = true;
    EXPECT_THROW(Intf->Open(), Exception);
}

TEST_F(CommunicationInterface, HandlerGettersReturnWhatWasSet)
{
    TRecorder other;
    const auto h = TCiNotifyEvent::Bind<&TRecorder::OnOpen>(&other);
    Intf->SetOnOpen(h);
    EXPECT_EQ(Intf->GetOnOpen(), h);
    EXPECT_EQ(Intf->GetOnDataRcv(), TCiNotifyEvent::Bind<&TRecorder::OnData>(&Rec));
    Intf->SetOnClose(TCiNotifyEvent());
    EXPECT_FALSE(Intf->GetOnClose());
}

TEST_F(CommunicationInterface, ConnectionStringAttributeIsLoadedAndSaved)
{
    auto doc = TXMLDocument::LoadFromText(R"(<Root connectionstring="port=5;host=x" name="Link"/>)");
    auto loaded = ConstructCommunicationInterface<TTestTransport>(doc->DocumentElement(), nullptr);
    EXPECT_EQ(loaded->GetConfiguration(), "port=5;host=x");
    EXPECT_EQ(loaded->GetName(), "Link");
    loaded->SetConfiguration("port=6");
    loaded->SaveConfig();
    EXPECT_EQ(doc->DocumentElement()->GetAttribute("connectionstring"), "port=6");
}

// Feeds an answer in pieces from a peer thread after the request was written.
void AnswerInPieces(TTestTransport* intf, std::vector<std::string> pieces, int delayMs)
{
    while (intf->Written().empty()) Sleep(1);
    for (const auto& piece : pieces) {
        Sleep(uint32_t(delayMs));
        intf->Feed(piece);
    }
}

// Complete when the answer holds "END".
uint16_t EndsWithEnd(std::string_view answer) { return answer.find("END") == std::string_view::npos ? 1 : 0; }

TEST_F(CommunicationInterface, TransactionCollectsSplitAnswerUntilCheckPasses)
{
    ASSERT_TRUE(Intf->Open());
    Intf->Feed("stale");
    std::thread peer(AnswerInPieces, Intf.get(), std::vector<std::string>{"AB", "C-END", "late"}, 20);
    std::string answer;
    const uint32_t start = GetTickCount();
    Intf->Transaction("REQ", 2000, 1000, 5000, true, true, &EndsWithEnd, "", answer);
    const uint32_t took = GetTickCount() - start;
    peer.join();
    EXPECT_EQ(answer, "ABC-END");
    EXPECT_EQ(Intf->Written(), "REQ");
    EXPECT_EQ(Intf->PurgeOutputCount, 1);
    EXPECT_LT(took, 1500u); // stopped by the check, not by the 2 s and 5 s windows
}

TEST_F(CommunicationInterface, TransactionCheckSeesPrefixFirst)
{
    ASSERT_TRUE(Intf->Open());
    Intf->Feed("ND and more");
    std::string answer;
    const uint32_t start = GetTickCount();
    Intf->Transaction("Q", 2000, 1000, 3000, false, false, &EndsWithEnd, "E", answer);
    EXPECT_EQ(answer, "ND and more");
    EXPECT_LT(GetTickCount() - start, 900u); // complete at once, no gap wait
}

TEST_F(CommunicationInterface, TransactionEndsOnGapAndFirstByteTimeouts)
{
    ASSERT_TRUE(Intf->Open());
    std::string answer;
    // Nothing answers: ends after the first-byte window.
    uint32_t start = GetTickCount();
    Intf->SimpleTransaction("0123456789", 100, nullptr, answer);
    EXPECT_EQ(answer, "");
    EXPECT_GE(GetTickCount() - start, 100u);
    EXPECT_LT(GetTickCount() - start, 2000u);

    // Answer pieces 10 ms apart are collected; a pause beyond the 50 ms gap ends it.
    std::thread peer(AnswerInPieces, Intf.get(), std::vector<std::string>{"a", "b", "c"}, 10);
    Intf->SimpleTransaction("0123456789", 1000, nullptr, answer);
    peer.join();
    EXPECT_EQ(answer, "abc");
}

TEST_F(CommunicationInterface, TransactionWaitsScaleWithByteTime)
{
    ASSERT_TRUE(Intf->Open());
    Intf->SetByteTimeForTest(10.0);
    std::string answer;
    const uint32_t start = GetTickCount();
    // (1 + 5) bytes x 10 ms + 30 ms first-byte window = 90 ms at least.
    Intf->Transaction("x", 30, 5, 60, false, false, nullptr, "", answer);
    EXPECT_GE(GetTickCount() - start, 90u);
}

TEST_F(CommunicationInterface, TransactionOnClosedInterfaceSendsNothing)
{
    std::string answer = "old";
    Intf->Feed("data");
    Intf->Transaction("REQ", 1000, 50, 2000, false, false, nullptr, "", answer);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(Intf->Written(), "");
}

TEST_F(CommunicationInterface, TransactionsOnTwoThreadsDoNotInterleave)
{
    ASSERT_TRUE(Intf->Open());
    auto run = [&](const std::string& request) {
        std::string answer;
        for (int i = 0; i < 5; ++i) Intf->Transaction(request, 2, 1, 3, false, false, nullptr, "", answer);
    };
    std::thread a(run, "A");
    std::thread b(run, "B");
    a.join();
    b.join();
    EXPECT_EQ(Intf->Written().size(), 10u);
}

} // namespace
