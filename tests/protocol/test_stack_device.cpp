// Signatures, result codes, answer delivery, settings and the device registry.
#include "test_stack_link.h"

#include "framework/uTimeoutManager.h"
#include "protocol/uTarvelStack.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "protocol/uTarvelUserMessage.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

struct DeviceFixture : ::testing::Test {
    IntfPtr<TMemoryLink> link = MakeObj<TMemoryLink>();
    IntfPtr<TTarvelStack> stack = MakeObj<TTarvelStack>();
    IntfPtr<TRecordingDevice> dev = MakeObj<TRecordingDevice>(uint8_t(0x31));
    std::vector<std::string> messages;
    TTarvelUserMessageHandler previous;

    void SetUp() override
    {
        link->Open();
        stack->SetCommunicationInterface(link);
        dev->SetStack(stack);
        previous = SetTarvelUserMessageHandler([this](const std::string& m) { messages.push_back(m); });
    }
    void TearDown() override
    {
        SetTarvelUserMessageHandler(previous);
        dev->SetStack(nullptr);
        stack->SetCommunicationInterface(nullptr);
    }
    void AnswerWith(uint8_t ack, const std::string& data = "")
    {
        link->SetPeer([=](const TTarvelFormat97& r) { return AnswerTo(r, ack, data); });
    }
};

} // namespace

TEST_F(DeviceFixture, WaitingRequestsReuseTheirSignature)
{
    AnswerWith(0, "d");
    EXPECT_TRUE(dev->Command(0x30));
    EXPECT_TRUE(dev->Command(0x30));
    ASSERT_EQ(link->Requests().size(), 2u);
    EXPECT_EQ(link->Requests()[0].Sig, 0);
    EXPECT_EQ(link->Requests()[1].Sig, 0);
    EXPECT_FALSE(dev->SigSlots().IsTaken(0));

    dev->SetFixedSig(7);
    EXPECT_TRUE(dev->Command(0x30));
    EXPECT_EQ(link->Requests().back().Sig, 7);
    EXPECT_FALSE(dev->SigSlots().IsTaken(7));
}

TEST_F(DeviceFixture, LateAnswerIsNeverTakenByTheNextRequest)
{
    // The module answers each request only when the next one is sent: after the time-out.
    std::optional<TTarvelFormat97> previous;
    link->SetPeer([&previous](const TTarvelFormat97& r) {
        std::optional<std::string> late;
        if (previous) late = AnswerTo(*previous, 0, "late");
        previous = r;
        return late;
    });
    dev->SetTimeout(50);
    dev->SetTimeout(-1); // refused: it would wait for weeks
    ASSERT_EQ(dev->GetTimeout(), 50);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(dev->Command(0x30));
    const auto requests = link->Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[1].Sig, requests[0].Sig);
    // Each late answer went to its own slot, which it freed; the last still waits.
    EXPECT_FALSE(dev->SigSlots().IsTaken(requests[0].Sig));
    EXPECT_TRUE(dev->SigSlots().IsTaken(requests[2].Sig));
    EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_NO_ANSWER);
}

TEST_F(DeviceFixture, APacketThatFreesATimedOutSigDuringItsWaitDoesNotLendItToTheNextRequest)
{
    const struct {
        const char* Name;
        bool Before; // waiting before the request, else sent during its wait
        std::string Packet;
    } cases[] = {
        {"a duplicate of an earlier answer", true, BuildTarvel97Packet(0x31, 0, 0, "duplicate")},
        {"a packet to the wildcard address", false, BuildTarvel97Packet(0xFE, 0, 0, "everyone")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto fresh = MakeObj<TTarvelStackDevice>(uint8_t(0x31));
        fresh->SetStack(stack);
        fresh->SetTimeout(100);
        std::optional<TTarvelFormat97> first;
        // The first request gets no answer; its answer comes late, in front of the second's.
        link->SetPeer([&](const TTarvelFormat97& r) -> std::optional<std::string> {
            if (!first) {
                first = r;
                if (!c.Before) return c.Packet;
                return std::nullopt;
            }
            return AnswerTo(*first, 0, "late") + AnswerTo(r, 0, "fresh");
        });
        if (c.Before) link->Queue(c.Packet);
        std::string data;
        EXPECT_FALSE(fresh->Query(0x30, "", data));
        ASSERT_TRUE(first);
        EXPECT_TRUE(fresh->SigSlots().IsTaken(first->Sig));
        EXPECT_TRUE(fresh->Query(0x30, "", data));
        EXPECT_EQ(data, "fresh");
        fresh->SetStack(nullptr);
    }
}

TEST_F(DeviceFixture, AnAsynchronousRequestThatWasNotWrittenLeavesItsSigFree)
{
    TTarvelFormat97 packet;
    link->RefuseWrites = true;
    EXPECT_FALSE(dev->Request(0x30, "", packet, 60000, false));
    EXPECT_FALSE(dev->SigSlots().IsTaken(0));
    link->RefuseWrites = false;
    ASSERT_TRUE(dev->Request(0x30, "", packet, 60000, false));
    EXPECT_EQ(link->Requests().back().Sig, 0);
}

TEST_F(DeviceFixture, AsynchronousRequestsHoldTheirSlotUntilAnsweredOrExpired)
{
    std::vector<std::string> answered;
    struct Sink {
        std::vector<std::string>* Out;
        void OnAnswer(const TTarvelFormat97& request, const TTarvelFormat97& answer)
        {
            Out->push_back(std::to_string(request.Inst) + ":" + answer.Data);
        }
    } sink{&answered};
    const auto handler = TTarvelAnswerEvent::Bind<&Sink::OnAnswer>(&sink);

    TTarvelFormat97 packet;
    packet.Data = "stale";
    ASSERT_TRUE(dev->Request(0x30, "", packet, 5000, false, handler));
    EXPECT_EQ(packet.Data, "") << "the packet is cleared";
    ASSERT_TRUE(dev->Request(0x31, "", packet, 60, false));
    ASSERT_EQ(link->Requests().size(), 2u);
    EXPECT_EQ(link->Requests()[0].Sig, 0);
    EXPECT_EQ(link->Requests()[1].Sig, 1);

    link->Deliver(BuildTarvel97Packet(0x31, 0, 0, "late"));
    EXPECT_EQ(answered, (std::vector<std::string>{"48:late"}));
    EXPECT_FALSE(dev->SigSlots().IsTaken(0));
    EXPECT_TRUE(dev->SigSlots().IsTaken(1));
    link->Deliver(BuildTarvel97Packet(0x31, 0, 0, "again"));
    EXPECT_EQ(answered.size(), 1u) << "an answer for a free slot is dropped";

    // Slot 1 expires; the search, which starts there, takes it again.
    Sleep(100);
    ASSERT_TRUE(dev->Request(0x32, "", packet, 5000, false));
    EXPECT_EQ(link->Requests().back().Sig, 1);
}

TEST_F(DeviceFixture, RequestsWithoutAnOpenLinkTakeNoSignature)
{
    const std::function<void()> unlink[] = {[this] { link->Close(false); },
                                            [this] { stack->SetCommunicationInterface(nullptr); }};
    for (const auto& lose : unlink) {
        lose();
        EXPECT_FALSE(dev->Command(0x30, 60000));
        EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_NO_ANSWER);
        EXPECT_FALSE(dev->SigSlots().IsTaken(dev->SigSlots().CurrentSig()));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(DeviceFixture, FullSlotTableWaitsAndWarns)
{
    TTarvelFormat97 packet;
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(dev->Request(0x30, "", packet, 60000, false));
    // From the fifth pass on the user is told; the answer to SIG 9 then frees a slot.
    SetTarvelUserMessageHandler([this](const std::string& m) {
        messages.push_back(m);
        dev->HandleAnswer([] {
            TTarvelFormat97 a;
            a.Sig = 9;
            return a;
        }());
    });
    ASSERT_TRUE(dev->Request(0x30, "", packet, 60000, false));
    EXPECT_EQ(link->Requests().back().Sig, 9);
    EXPECT_EQ(messages, (std::vector<std::string>{"SIG stack overload"}));
}

TEST_F(DeviceFixture, ResultCodes)
{
    AnswerWith(3, "x");
    std::string data;
    uint8_t ack = 0;
    EXPECT_FALSE(dev->Query(0x30, "", data));
    EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_REFUSED);
    EXPECT_EQ(dev->GetLastAck(), 3);
    EXPECT_TRUE(dev->SendInstruction(0x30, "", data, ack, -1));
    EXPECT_EQ(ack, 3);
    EXPECT_EQ(data, "x");

    AnswerWith(0, "ok");
    EXPECT_TRUE(dev->Query(0x30, "", data));
    EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_OK);
    EXPECT_EQ(data, "ok");

    link->SetPeer(nullptr);
    dev->SetTimeout(100);
    const uint32_t start = GetTickCount();
    EXPECT_FALSE(dev->Command(0x30));
    EXPECT_LT(GetTickCount() - start, 900u) << "the default time-out was changed to 100 ms";
    EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_NO_ANSWER);
    EXPECT_EQ(dev->GetLastAck(), -1);

    dev->SetStack(nullptr);
    const size_t sent = link->Requests().size();
    EXPECT_FALSE(dev->Command(0x30));
    EXPECT_EQ(dev->GetLastResult(), TARVEL_RESULT_NONE);
    EXPECT_EQ(link->Requests().size(), sent);
}

TEST_F(DeviceFixture, PacketsAreSortedByTheirCode)
{
    // Below 6 an answer, 12 to 15 a message, anything else ignored.
    const struct {
        uint8_t Code;
        size_t Answers, Messages;
    } cases[] = {{0, 1, 0}, {5, 1, 0}, {6, 0, 0}, {8, 0, 0}, {11, 0, 0}, {12, 0, 1}, {15, 0, 1}, {16, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Code));
        dev->Answers.clear();
        dev->Messages.clear();
        link->Deliver(BuildTarvel97Packet(0x31, 1, c.Code, "x"));
        EXPECT_EQ(dev->Answers.size(), c.Answers);
        EXPECT_EQ(dev->Messages.size(), c.Messages);
    }

    struct Failing : TTarvelStackDevice {
        using TTarvelStackDevice::TTarvelStackDevice;
        void HandleAnswer(const TTarvelFormat97&) override { throw std::runtime_error("x"); }
        void HandleMessage(const TTarvelFormat97&) override { throw std::runtime_error("y"); }
    };
    auto failing = MakeObj<Failing>(uint8_t(0x33));
    failing->SetStack(stack);
    link->Deliver(BuildTarvel97Packet(0x33, 1, 0, "") + BuildTarvel97Packet(0x33, 1, 15, ""));
    EXPECT_EQ(messages, (std::vector<std::string>{"e1", "e2"}));
    failing->SetStack(nullptr);
}

TEST_F(DeviceFixture, StackAndDeviceLinksStayConsistent)
{
    EXPECT_EQ(stack->GetDevice(0).get(), static_cast<ITarvelStackDevice*>(dev.get()));
    EXPECT_FALSE(stack->GetDevice(1));
    stack->RemoveDevice(dev);
    EXPECT_FALSE(dev->GetStack());
    EXPECT_EQ(stack->GetChildCount(), 0);
    stack->AddDevice(dev);
    stack->AddDevice(dev);
    EXPECT_EQ(dev->GetStack().get(), static_cast<ITarvelStack*>(stack.get()));
    EXPECT_EQ(stack->GetChildCount(), 1);
    auto other = MakeObj<TTarvelStack>();
    dev->SetStack(other);
    EXPECT_EQ(stack->GetChildCount(), 0);
    EXPECT_EQ(other->GetChildCount(), 1);
    dev->SetStack(nullptr);
}

TEST(StackDeviceSettings, NodesBuiltFromSettingsKeepTheirStoredGuidAndAreAnnouncedWhole)
{
    struct TSeen {
        std::vector<std::string> Lines;
        void OnCreated(INodedInterface* n)
        {
            IntfPtr<ITarvelStack> stack;
            IntfPtr<ITarvelStackDevice> device;
            const bool isStack = Supports<ITarvelStack>(n, stack);
            const bool isDevice = Supports<ITarvelStackDevice>(n, device);
            Lines.push_back(n->GetName() + (isStack ? " stack" : "") + (isDevice ? " device" : ""));
        }
    } seen;
    const auto created = Teventer_NodedInterface::THandler::Bind<&TSeen::OnCreated>(&seen);
    NodeCreatedEventer().AddHandler(created);
    const auto doc = TXMLDocument::LoadFromText("<Stack GUID=\"{11111111-2222-3333-4444-555555555555}\">"
                                                "<Device ADR=\"#$31\" GUID=\"{66666666-7777-8888-9999-AAAAAAAAAAAA}\"/>"
                                                "</Stack>");
    const auto stackNode = doc->DocumentElement();
    auto stack = MakeObj<TTarvelStack>(stackNode, nullptr);
    auto dev = MakeObj<TTarvelStackDevice>(stackNode->FindChildNode("Device"), IntfPtr<IInterface>(stack));
    NodeCreatedEventer().RemoveHandler(created);
    EXPECT_EQ(seen.Lines, (std::vector<std::string>{"TTarvelStack stack", "TTarvelStackDevice device"}));
    stack->SaveConfig();
    dev->SaveConfig();
    EXPECT_EQ(stackNode->GetAttribute("GUID"), "{11111111-2222-3333-4444-555555555555}");
    EXPECT_EQ(stackNode->FindChildNode("Device")->GetAttribute("GUID"), "{66666666-7777-8888-9999-AAAAAAAAAAAA}");
    dev->SetStack(nullptr);
}

TEST(StackDeviceSettings, AddressAndFixedSigAttributes)
{
    const auto doc = TXMLDocument::LoadFromText("<Device ADR=\"#$FE\"/>");
    auto owner = MakeObj<TTarvelStack>();
    auto dev = MakeObj<TTarvelStackDevice>(doc->DocumentElement(), IntfPtr<IInterface>(owner));
    EXPECT_EQ(dev->GetAddress(), 254);
    EXPECT_EQ(dev->GetFixedSig(), 0);
    EXPECT_EQ(dev->GetStack().get(), static_cast<ITarvelStack*>(owner.get()));
    dev->SetAddress(0x31);
    dev->SaveConfig();
    const auto node = doc->DocumentElement();
    EXPECT_EQ(node->GetAttribute("ADR"), "#$31");
    EXPECT_EQ(node->GetAttribute("fixedSIG"), "0");
    EXPECT_EQ(node->GetAttribute("GUID"), dev->GetGUIDString());

    const auto doc2 = TXMLDocument::LoadFromText("<Device ADR=\"1\" fixedSIG=\"7\"/>");
    auto dev2 = MakeObj<TTarvelStackDevice>(doc2->DocumentElement(), nullptr);
    EXPECT_EQ(dev2->GetAddress(), 49);
    EXPECT_EQ(dev2->GetFixedSig(), 7);
    dev->SetStack(nullptr);

    auto named = MakeObj<TTarvelStackDevice>("{12345678-1234-1234-1234-123456789ABC}", uint8_t(5));
    EXPECT_EQ(named->GetGUIDString(), "{12345678-1234-1234-1234-123456789ABC}");
}

TEST(DeviceRegistry, NotifiesEveryChangeWithTheCurrentList)
{
    std::vector<int> sizes;
    struct Listener {
        std::vector<int>* Sizes;
        void OnChanged(IInterfaceList* list) { Sizes->push_back(list->GetCount()); }
    } listener{&sizes};
    const auto handler = TevnterTarvelDeviceListChanged::THandler::Bind<&Listener::OnChanged>(&listener);
    const int before = RegisteredDevices()->GetCount();
    DeviceListChanged()->AddHandler(handler);
    {
        auto first = MakeObj<TTarvelStackDevice>(uint8_t(1));
        auto second = MakeObj<TTarvelStackDevice>(uint8_t(2));
        first = nullptr;
        EXPECT_EQ(RegisteredDevices()->Get(before).get(), static_cast<IInterface*>(second.get()));
        DeviceListChanged()->RemoveHandler(handler);
    }
    EXPECT_EQ(sizes, (std::vector<int>{before + 1, before + 2, before + 1}));

    FinalizeDeviceRegistry();
    auto unregistered = MakeObj<TTarvelStackDevice>(uint8_t(3));
    InitializeDeviceRegistry();
    DeviceListChanged()->AddHandler(handler);
    sizes.clear();
    unregistered = nullptr;
    EXPECT_TRUE(sizes.empty()) << "a device built without the registry sends nothing";
    DeviceListChanged()->RemoveHandler(handler);
}
