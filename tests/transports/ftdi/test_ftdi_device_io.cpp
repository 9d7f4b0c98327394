// The USB converter transport's data path and reader thread through the fake converter
// library: received bytes announced on the reader thread, a module behind the converter,
// an unplugged converter, and a transport released while open.
#include "tests/transports/ftdi/test_ftdi_device_support.h"

#include "framework/uiNodedInterface.h"
#include "framework/uSync.h"
#include "tests/transports/tcp_test_peer.h"
#include "tests/transports/test_wait_support.h"

#include <atomic>

using FTDIDataPath = FTDIDeviceTest;
using FTDIUnplug = FTDIDeviceTest;
using FTDIRelease = FTDIDeviceTest;

// A converter with a module behind it: the test's end of a loopback connection.
class FTDIModule : public FTDIDeviceTest {
protected:
    static constexpr const char* ModuleSerial = "FTMOD001";

    // A transport opened on the converter; the module has taken its connection.
    IntfPtr<TFTDIDevice> OpenConverter()
    {
        Control<TFakeD2xxAddModuleConverter>("FakeD2xxAddModuleConverter")(ModuleSerial, "Module", "127.0.0.1",
                                                                            Module.Port());
        IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + ModuleSerial + ";active=1");
        EXPECT_TRUE(device->IsOpen());
        EXPECT_TRUE(Module.Accept());
        return device;
    }

    TTestPeer Module;
};

namespace {

// Notes the thread that destroys one node.
class TDestructionWatch {
public:
    explicit TDestructionWatch(INodedInterface* node) : FNode(node)
    {
        NodeDestroyedEventer().AddHandler(Teventer_NodedInterface::THandler::Bind<&TDestructionWatch::OnDestroyed>(this));
    }
    ~TDestructionWatch()
    {
        NodeDestroyedEventer().RemoveHandler(
            Teventer_NodedInterface::THandler::Bind<&TDestructionWatch::OnDestroyed>(this));
    }
    bool WaitDestroyed()
    {
        std::unique_lock lock(FLock);
        return FChanged.wait_for(lock, std::chrono::seconds(5), [&] { return FDestroyed; });
    }
    std::thread::id Thread()
    {
        std::lock_guard lock(FLock);
        return FThread;
    }

private:
    void OnDestroyed(INodedInterface* node)
    {
        if (node != FNode) return;
        // Notified under the lock: the waiter destroys the watch as soon as it sees the flag.
        std::lock_guard lock(FLock);
        FDestroyed = true;
        FThread = std::this_thread::get_id();
        FChanged.notify_all();
    }

    INodedInterface* FNode;
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FDestroyed = false;
    std::thread::id FThread;
};

INodedInterface* NodeOf(const IntfPtr<TFTDIDevice>& device)
{
    IntfPtr<INodedInterface> node;
    EXPECT_TRUE(Supports(device, node));
    return node.get();
}

} // namespace

TEST_F(FTDIDataPath, ReceivedBytesAreAnnouncedOnTheReaderThread)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->IsOpen());
    const std::string bytes("\x00\x01payload\xFF\x00", 11);
    EXPECT_EQ(device->Send(bytes), int32_t(bytes.size()));
    EXPECT_TRUE(FRecorder.WaitFor([&](const TFTDIRecord& r) { return r.Received == bytes; }))
        << FRecorder.Snapshot().Received.size();
    const TFTDIRecord record = FRecorder.Snapshot();
    EXPECT_NE(record.DataThread, std::this_thread::get_id());

    // A larger burst arrives whole and in order.
    std::string burst;
    for (int i = 0; i < 20000; ++i) burst += char(i * 7);
    EXPECT_EQ(device->Send(burst), int32_t(burst.size()));
    EXPECT_TRUE(FRecorder.WaitFor([&](const TFTDIRecord& r) { return r.Received.size() >= bytes.size() + burst.size(); }));
    EXPECT_EQ(FRecorder.Snapshot().Received, bytes + burst);
    EXPECT_EQ(device->InBuffUsed(), 0);
}

TEST_F(FTDIDataPath, PurgeDropsWaitingBytesAndClosedLinksMoveNothing)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial);
    EXPECT_EQ(device->Send("abc"), 0);
    std::string bytes = "stale";
    device->Receive(bytes);
    EXPECT_EQ(bytes, "");
    EXPECT_EQ(device->InBuffUsed(), 0);

    // Without a data handler nothing drains the queue, so the purge can be seen.
    device->SetOnDataRcv(TCiNotifyEvent());
    ASSERT_TRUE(device->Open());
    device->Send("abc");
    EXPECT_EQ(device->InBuffUsed(), 3);
    device->PurgeInput();
    EXPECT_EQ(device->InBuffUsed(), 0);
}

TEST_F(FTDIModule, ModuleBehindTheConverterAnswers)
{
    IntfPtr<TFTDIDevice> device = OpenConverter();
    device->Send("request");
    EXPECT_EQ(Module.Read(7), "request");
    Module.Write("answer");
    EXPECT_TRUE(FRecorder.WaitFor([](const TFTDIRecord& r) { return r.Received == "answer"; }));

    // A transaction collects the answer itself while holding the link.
    device->SetOnDataRcv(TCiNotifyEvent());
    std::thread answering([&] {
        if (Module.Read(2) == "Q?") Module.Write("A!");
    });
    std::string answer;
    device->SimpleTransaction("Q?", 2000, [](std::string_view a) -> uint16_t { return a == "A!" ? 0 : 1; }, answer);
    answering.join();
    EXPECT_EQ(answer, "A!");
}

// A request holds the transport's lock while it waits, so the reader thread, which needs
// that lock to poll, cannot help: the library's event must wake the waiting thread.
TEST_F(FTDIModule, WaitForDataIsWokenByTheLibrary)
{
    IntfPtr<TFTDIDevice> device = OpenConverter();
    device->SetOnDataRcv(TCiNotifyEvent());
    TWriteScope request(*device);
    EXPECT_EQ(device->WaitForData(20), TCiWaitResult::TimedOut);

    ExpectWaitEndedBy(*device, TCiWaitResult::Data, [&] { Module.Write("A"); });
    std::string bytes;
    device->Receive(bytes);
    EXPECT_EQ(bytes, "A");

    // Nothing signals an unplugged converter: the look at the end of the wait finds it gone.
    const auto unplug = Control<TFakeD2xxUnplug>("FakeD2xxUnplug");
    std::thread farEnd([&] {
        Sleep(50);
        unplug(ModuleSerial);
    });
    EXPECT_EQ(device->WaitForData(300), TCiWaitResult::Closed);
    farEnd.join();
}

// "Odpojit" while a request waits: the close, from another thread, ends the wait at once.
TEST_F(FTDIModule, ACloseFromAnotherThreadEndsARequestsWaitAtOnce)
{
    IntfPtr<TFTDIDevice> device = OpenConverter();
    device->SetOnDataRcv(TCiNotifyEvent());
    std::thread closer;
    {
        TWriteScope request(*device);
        closer = std::thread([&] {
            Sleep(50);
            device->Close(false);
        });
        const uint32_t start = GetTickCount();
        EXPECT_EQ(device->WaitForData(3000), TCiWaitResult::Closed);
        EXPECT_LT(GetTickCount() - start, 1500u);
    }
    closer.join();
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(FTDIUnplug, AFailingRequestClosesTheLink)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->IsOpen());
    ASSERT_TRUE(Control<TFakeD2xxUnplug>("FakeD2xxUnplug")(LoopSerial));
    // Every call now fails with the I/O error, closing included: the link still ends.
    device->SetOnDataRcv(TCiNotifyEvent());
    std::string answer = "x";
    device->SimpleTransaction("request", 100, nullptr, answer);
    EXPECT_EQ(answer, "");
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(device->GetHandle(), nullptr);
    EXPECT_TRUE(FRecorder.WaitFor([](const TFTDIRecord& r) { return r.Closes == 1; }));

    // Plugged in again, the converter opens anew.
    ASSERT_TRUE(Control<TFakeD2xxReplug>("FakeD2xxReplug")(LoopSerial));
    EXPECT_TRUE(device->Open());
    EXPECT_EQ(OpenCount(LoopSerial), 2);
}

TEST_F(FTDIUnplug, TheReaderThreadNoticesAnIdleLinkGone)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->IsOpen());
    ASSERT_TRUE(Control<TFakeD2xxUnplug>("FakeD2xxUnplug")(LoopSerial));
    EXPECT_TRUE(FRecorder.WaitFor([](const TFTDIRecord& r) { return r.Closes == 1; }));
    EXPECT_FALSE(device->IsOpen());
    EXPECT_TRUE(FRecorder.Snapshot().Errors.empty());
    // Settings made now are stored for the next open.
    device->SetParity(spMark);
    EXPECT_EQ(device->GetParity(), spMark);
}

TEST_F(FTDIRelease, LastOutsideReferenceClosesAndDestroysOnTheReaderThread)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->IsOpen());
    ASSERT_TRUE(ConverterHeld(0));
    TDestructionWatch watch(NodeOf(device));
    device = nullptr;
    ASSERT_TRUE(watch.WaitDestroyed());
    EXPECT_NE(watch.Thread(), std::this_thread::get_id());
    EXPECT_FALSE(ConverterHeld(0));
    // Closed by the thread, not by a user: no close notification.
    EXPECT_EQ(FRecorder.Snapshot().Closes, 0);
}

TEST_F(FTDIRelease, AClosedTransportIsDestroyedAtOnce)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    ASSERT_TRUE(device->Close(false));
    TDestructionWatch watch(NodeOf(device));
    device = nullptr;
    // The reader thread may hold the device for a moment after the close wakes it;
    // whichever thread lets go last destroys it, and nothing closes it a second time.
    ASSERT_TRUE(watch.WaitDestroyed());
    EXPECT_EQ(FRecorder.Snapshot().Closes, 1);
}

TEST_F(FTDIRelease, AnUnpluggedTransportReleasedWhileOpenStillEnds)
{
    IntfPtr<TFTDIDevice> device = NewDevice(std::string("serial_number=") + LoopSerial + ";active=1");
    // Whatever the reader thread finds first, the I/O error or the count, its close fails
    // with the I/O error; the transport still ends.
    ASSERT_TRUE(Control<TFakeD2xxUnplug>("FakeD2xxUnplug")(LoopSerial));
    TDestructionWatch watch(NodeOf(device));
    device = nullptr;
    EXPECT_TRUE(watch.WaitDestroyed());
}
