// Traffic from several transport threads at once, through the real spy sink.
#include "tests/framework/gui/test_ufCILogSupport.h"

#include <QCoreApplication>

#include <map>
#include <thread>

namespace {

constexpr int Threads = 4;
constexpr int PacketsPerThread = 400;

// Request data: the thread number and a two-byte sequence number.
std::string Tagged(int thread, int seq)
{
    return {char(thread), char(seq >> 8), char(seq & 0xFF)};
}

// Ticks the window until every sender has finished, then once more.
void TickWhileRunning(TfCiLog& log, std::vector<std::thread>& senders)
{
    for (auto& sender : senders) {
        while (sender.joinable()) {
            log.Timer1Timer();
            QCoreApplication::processEvents();
            sender.join();
        }
    }
    log.Timer1Timer();
}

} // namespace

TEST_F(LogWindowTest, RequestsAndAnswersFromManyThreadsKeepEachThreadsOrder)
{
    std::vector<IntfPtr<TTestTransport>> links;
    for (int t = 0; t < Threads; ++t) links.push_back(MakeObj<TTestTransport>());
    std::vector<std::thread> senders;
    for (int t = 0; t < Threads; ++t)
        senders.emplace_back([&, t] {
            for (int seq = 0; seq < PacketsPerThread; ++seq) {
                links[t]->Send(Request(0x70, Tagged(t, seq)));
                links[t]->Feed(Answer(0x00, Tagged(t, seq)));
                std::string taken;
                links[t]->Receive(taken);
            }
        });
    TickWhileRunning(*Log, senders);

    const auto lines = ShownLines(View);
    ASSERT_EQ(lines.size(), size_t(2 * Threads * PacketsPerThread));
    std::map<int, int> nextRequest, nextAnswer;
    for (const auto& line : lines) {
        const bool sent = line.TextColour == Green;
        ASSERT_TRUE(sent || line.TextColour == Blue) << line.Text;
        // The data bytes follow the 7-byte header: "2A 61 00 08 31 01 70 tt ss ss ..."
        const int thread = std::stoi(line.Text.substr(21, 2), nullptr, 16);
        const int seq = std::stoi(line.Text.substr(24, 2) + line.Text.substr(27, 2), nullptr, 16);
        int& expected = sent ? nextRequest[thread] : nextAnswer[thread];
        ASSERT_EQ(seq, expected) << "thread " << thread;
        ++expected;
    }
    for (int t = 0; t < Threads; ++t) {
        EXPECT_EQ(nextRequest[t], PacketsPerThread);
        EXPECT_EQ(nextAnswer[t], PacketsPerThread);
    }
}

TEST_F(LogWindowTest, FilterShowsOnlyTheChosenInterfaceWhileTwoSendAtOnce)
{
    auto other = MakeObj<TTestTransport>();
    Log->ShowFor(Link->GetGUIDString());
    std::vector<std::thread> senders;
    senders.emplace_back([&] {
        for (int i = 0; i < 300; ++i) Link->Send(Request(0x11));
    });
    senders.emplace_back([&] {
        for (int i = 0; i < 300; ++i) other->Send(Request(0x22));
    });
    TickWhileRunning(*Log, senders);
    const auto lines = ShownLines(View);
    ASSERT_EQ(lines.size(), 300u);
    for (const auto& line : lines) EXPECT_EQ(line.Text, Hex(Request(0x11)));

    Log->ShowFor("");
    other->Send(Request(0x22));
    EXPECT_EQ(Lines().size(), 301u);
}
