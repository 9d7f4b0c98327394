#include "framework/uEventer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

class TIntEventer : public TTypedEventer<int> {};
using THandler = TIntEventer::THandler;

// A listener that records its calls in a shared log and can act on the eventer.
struct TListener {
    std::string Name;
    std::vector<std::string>* Log = nullptr;
    TIntEventer* Eventer = nullptr;
    std::function<void()> Action;

    void OnEvent(int value)
    {
        Log->push_back(Name + std::to_string(value));
        if (Action) Action();
    }
    THandler Handler() { return THandler::Bind<&TListener::OnEvent>(this); }
};

class EventerTest : public testing::Test {
protected:
    TListener Make(const std::string& name) { return TListener{name, &Log, &Eventer, nullptr}; }

    TIntEventer Eventer;
    std::vector<std::string> Log;
};

TEST_F(EventerTest, RegistrationIgnoresDuplicatesAndUnknownHandlers)
{
    TListener a = Make("a"), b = Make("b"), c = Make("c");
    Eventer.AddHandler(a.Handler());
    Eventer.AddHandler(b.Handler());
    Eventer.AddHandler(a.Handler());
    EXPECT_EQ(Eventer.HandlerCount(), 2);
    Eventer.RemoveHandler(c.Handler());
    Eventer.Fire(1);
    EXPECT_EQ(Log, (std::vector<std::string>{"a1", "b1"}));

    Eventer.RemoveHandler(a.Handler());
    Eventer.Fire(2);
    EXPECT_EQ(Log, (std::vector<std::string>{"a1", "b1", "b2"}));
    EXPECT_EQ(Eventer.EntryCount(), 1);
    EXPECT_FALSE(Eventer.IsFiring());
}

TEST_F(EventerTest, FireWithoutHandlersReturns)
{
    Eventer.Fire(1);
    EXPECT_TRUE(Log.empty());
    EXPECT_FALSE(Eventer.IsFiring());
}

TEST_F(EventerTest, HandlerRemovedDuringItsOwnCallFinishesAndIsCleanedUp)
{
    TListener a = Make("a"), b = Make("b");
    a.Action = [&] {
        EXPECT_TRUE(Eventer.IsFiring());
        Eventer.RemoveHandler(a.Handler());
        Log.push_back("a-done");
    };
    Eventer.AddHandler(a.Handler());
    Eventer.AddHandler(b.Handler());
    Eventer.Fire(1);
    EXPECT_EQ(Log, (std::vector<std::string>{"a1", "a-done", "b1"}));
    Eventer.Fire(2);
    EXPECT_EQ(Log.back(), "b2");
    EXPECT_EQ(Log.size(), 4u);
    EXPECT_EQ(Eventer.EntryCount(), 1);
}

TEST_F(EventerTest, ChangesDuringAFireFollowTheTable)
{
    TListener a = Make("a"), b = Make("b"), c = Make("c"), d = Make("d");
    // a removes b before the fire reaches it, and appends d, which the same fire reaches.
    a.Action = [&] {
        Eventer.RemoveHandler(b.Handler());
        Eventer.AddHandler(d.Handler());
    };
    Eventer.AddHandler(a.Handler());
    Eventer.AddHandler(b.Handler());
    Eventer.AddHandler(c.Handler());
    Eventer.Fire(1);
    EXPECT_EQ(Log, (std::vector<std::string>{"a1", "c1", "d1"}));
    EXPECT_EQ(Eventer.HandlerCount(), 3);
    EXPECT_EQ(Eventer.EntryCount(), 3); // the dead entry of b was compacted away

    // A handler removed and added again while it runs is registered once more.
    Log.clear();
    c.Action = [&] {
        Eventer.RemoveHandler(c.Handler());
        Eventer.AddHandler(c.Handler());
        c.Action = nullptr;
    };
    a.Action = nullptr;
    Eventer.Fire(2);
    EXPECT_EQ(Log, (std::vector<std::string>{"a2", "c2", "d2", "c2"}));
    EXPECT_EQ(Eventer.HandlerCount(), 3);
}

TEST_F(EventerTest, ThrowingHandlerDoesNotStopTheOthers)
{
    TListener a = Make("a"), b = Make("b"), c = Make("c");
    a.Action = [] { throw std::runtime_error("boom"); };
    b.Action = [] { throw 42; };
    Eventer.AddHandler(a.Handler());
    Eventer.AddHandler(b.Handler());
    Eventer.AddHandler(c.Handler());
    EXPECT_NO_THROW(Eventer.Fire(1));
    EXPECT_EQ(Log, (std::vector<std::string>{"a1", "b1", "c1"}));
    EXPECT_FALSE(Eventer.IsFiring());
    Eventer.Fire(2);
    EXPECT_EQ(Log.size(), 6u);
}

TEST_F(EventerTest, RefireFromInsideAHandlerSkipsOnlyThatHandler)
{
    TListener a = Make("a"), b = Make("b");
    int depth = 0;
    a.Action = [&] {
        if (++depth == 1) Eventer.Fire(2);
    };
    Eventer.AddHandler(a.Handler());
    Eventer.AddHandler(b.Handler());
    Eventer.Fire(1);
    // The nested fire cannot call a (it is running on this thread) but calls b.
    EXPECT_EQ(Log, (std::vector<std::string>{"a1", "b2", "b1"}));
    EXPECT_FALSE(Eventer.IsFiring());
}

TEST(EventerThreads, OneHandlerNeverRunsOnTwoThreadsAtOnce)
{
    TIntEventer eventer;
    struct TSlow {
        std::atomic<int> Inside{0};
        std::atomic<int> MaxInside{0};
        std::atomic<int> Calls{0};
        void OnEvent(int)
        {
            const int now = ++Inside;
            int seen = MaxInside.load();
            while (now > seen && !MaxInside.compare_exchange_weak(seen, now)) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            ++Calls;
            --Inside;
        }
    } slow;
    std::atomic<int> fastCalls{0};
    struct TFast {
        std::atomic<int>* Calls;
        void OnEvent(int) { ++*Calls; }
    } fast{&fastCalls};

    eventer.AddHandler(THandler::Bind<&TSlow::OnEvent>(&slow));
    eventer.AddHandler(THandler::Bind<&TFast::OnEvent>(&fast));
    constexpr int Threads = 3, Fires = 4;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < Fires; ++i) eventer.Fire(i);
        });
    for (auto& t : threads) t.join();

    EXPECT_EQ(slow.MaxInside.load(), 1);
    EXPECT_EQ(slow.Calls.load(), Threads * Fires);
    EXPECT_EQ(fastCalls.load(), Threads * Fires);
    EXPECT_FALSE(eventer.IsFiring());
    EXPECT_EQ(eventer.EntryCount(), 2);
}

TEST(EventerArguments, InterfaceArgumentsStayAliveDuringTheFire)
{
    struct TProbe : TMyInterfacedObject {
        bool* Destroyed;
        explicit TProbe(bool* d) : Destroyed(d) {}
        ~TProbe() override { *Destroyed = true; }
    };
    class TProbeEventer : public TTypedEventer<IInterface*> {};
    bool destroyed = false;
    IntfPtr<TProbe> probe = MakeObj<TProbe>(&destroyed);

    struct TDropper {
        IntfPtr<TProbe>* Holder;
        void OnEvent(IInterface*) { *Holder = nullptr; }
    } dropper{&probe};
    struct TChecker {
        bool* Destroyed;
        bool SawAlive = false;
        void OnEvent(IInterface* obj) { SawAlive = !*Destroyed && obj->AddRef() > 1 && obj->Release() > 0; }
    } checker{&destroyed};

    TProbeEventer eventer;
    eventer.AddHandler(TProbeEventer::THandler::Bind<&TDropper::OnEvent>(&dropper));
    eventer.AddHandler(TProbeEventer::THandler::Bind<&TChecker::OnEvent>(&checker));
    eventer.Fire(probe.get());
    EXPECT_TRUE(checker.SawAlive);
    EXPECT_TRUE(destroyed);
}

} // namespace
