// The module link: a connection string built into a transport, opened and put under the
// stack, with the reason when either step fails.
#include "framework/uci_ConnectionString.h"
#include "protocol/uModuleLink.h"
#include "tests/protocol/test_stack_link.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

// What the next built link does when it is opened.
class TScriptedLink;
std::function<bool(TScriptedLink&)> NextOpen;

class TScriptedLink : public TMemoryLink {
public:
    using TCommunicationInterface::SetOpenFailure;
    // What the spy heard as received and as dropped unread.
    std::string Received, Dropped;

protected:
    bool InternalOpen() override { return NextOpen(*this) && TMemoryLink::InternalOpen(); }
    void SpyReceived(const std::string& bytes) override { Received += bytes; }
    void SpyDropped(const std::string& bytes) override { Dropped += bytes; }
};

TScriptedLink& Scripted(const IntfPtr<ICommunicationInterface>& intf) { return dynamic_cast<TScriptedLink&>(*intf); }

IntfPtr<ICommunicationInterface> MakeScriptedLink(const std::string&) { return MakeObj<TScriptedLink>(); }

class ModuleLinkTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterProvider(&MakeScriptedLink, "SCRIPTED"); }
    void TearDown() override
    {
        Link.Detach();
        UnregisterProvider(&MakeScriptedLink);
    }

    IntfPtr<TRecordingDevice> Device = MakeObj<TRecordingDevice>(uint8_t(0x31));
    TModuleLink Link;
    std::string Error;
};

TEST_F(ModuleLinkTest, OpenEndsAsTheTransportAndTheStringAllow)
{
    struct TCase {
        const char* Connection;
        std::function<bool(TScriptedLink&)> Open;
        TLinkOpen Result;
        std::string Error;
        bool Built;
    };
    TModuleLink* link = &Link;
    const TCase cases[] = {
        {"provider=SCRIPTED", [](TScriptedLink&) { return true; }, TLinkOpen::Opened, "", true},
        {"provider=NOWHERE", [](TScriptedLink&) { return true; }, TLinkOpen::Refused, "", false},
        {"provider=SCRIPTED",
         [](TScriptedLink& intf) {
             intf.SetOpenFailure("no such device");
             return false;
         },
         TLinkOpen::Failed, "no such device", true},
        // A disconnect while the transport opens drops the link.
        {"provider=SCRIPTED",
         [link](TScriptedLink&) {
             link->Close();
             return true;
         },
         TLinkOpen::Failed, "", false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Connection);
        Link.Attach(Device);
        Link.Close();
        NextOpen = c.Open;
        Error.clear();
        const TLinkOpen result = Link.Open(c.Connection, Error);
        EXPECT_EQ(result, c.Result);
        if (c.Result == TLinkOpen::Refused)
            EXPECT_NE(Error, "");
        else
            EXPECT_EQ(Error, c.Error);
        EXPECT_EQ(bool(Link.Interface()), c.Built);
        const bool opened = result == TLinkOpen::Opened;
        EXPECT_EQ(Link.Interface() && Link.Interface()->IsOpen(), opened);
        EXPECT_EQ(Link.Stack()->GetCommunicationInterface().get(), opened ? Link.Interface().get() : nullptr);
        EXPECT_EQ(Device->GetStack().get(), static_cast<ITarvelStack*>(Link.Stack().get()));
    }
}

TEST_F(ModuleLinkTest, ARefusedStringKeepsTheOpenLink)
{
    NextOpen = [](TScriptedLink&) { return true; };
    Link.Attach(Device);
    ASSERT_EQ(Link.Open("provider=SCRIPTED", Error), TLinkOpen::Opened);
    const IntfPtr<ICommunicationInterface> first = Link.Interface();
    EXPECT_EQ(Link.Open("host=1", Error), TLinkOpen::Refused);
    EXPECT_EQ(Link.Interface().get(), first.get());
    EXPECT_TRUE(first->IsOpen());
    EXPECT_EQ(Link.Stack()->GetCommunicationInterface().get(), first.get());
}

TEST_F(ModuleLinkTest, ReopenReplacesTheClosedLinkAndDetachFreesTheDevice)
{
    NextOpen = [](TScriptedLink&) { return true; };
    Link.Attach(Device);
    ASSERT_EQ(Link.Open("provider=SCRIPTED", Error), TLinkOpen::Opened);
    const IntfPtr<ICommunicationInterface> first = Link.Interface();
    ASSERT_EQ(Link.Reopen(Error), TLinkOpen::Opened);
    EXPECT_FALSE(first->IsOpen());
    EXPECT_NE(Link.Interface().get(), first.get());
    EXPECT_EQ(Link.Stack()->GetCommunicationInterface().get(), Link.Interface().get());
    const IntfPtr<ICommunicationInterface> second = Link.Interface();
    Link.Detach();
    EXPECT_FALSE(second->IsOpen());
    EXPECT_FALSE(Device->GetStack());
}

TEST_F(ModuleLinkTest, ALinkWithoutDeviceHasNoStack)
{
    NextOpen = [](TScriptedLink&) { return true; };
    ASSERT_EQ(Link.Open("provider=SCRIPTED", Error), TLinkOpen::Opened);
    EXPECT_FALSE(Link.Stack());
    EXPECT_TRUE(Link.Interface()->IsOpen());
}

// What waits on the line when a link opens (a gateway's buffer: an old answer among it)
// is dropped unread before any request.
TEST_F(ModuleLinkTest, WhatWaitsWhenTheLinkOpensIsDroppedUnread)
{
    const std::string backlog = std::string(1000, 'g') + BuildTarvel97Packet(0x31, 0, 0, "stale");
    NextOpen = [&](TScriptedLink& intf) {
        intf.Queue(backlog);
        return true;
    };
    Link.Attach(Device);
    ASSERT_EQ(Link.Open("provider=SCRIPTED", Error), TLinkOpen::Opened);
    TScriptedLink& intf = Scripted(Link.Interface());
    EXPECT_EQ(intf.Dropped, backlog);
    EXPECT_EQ(intf.Received, "");
    EXPECT_EQ(intf.InBuffUsed(), 0);
    EXPECT_EQ(Link.Stack()->RxBufferedBytes(), 0u);
    EXPECT_TRUE(Device->Answers.empty());
}

// Each link starts its SIGs where the one before did not: an answer meant for another
// program's first request does not match this link's.
TEST_F(ModuleLinkTest, EachLinkStartsItsSigsAtARandomValue)
{
    NextOpen = [](TScriptedLink&) { return true; };
    Link.Attach(Device);
    std::set<uint8_t> first;
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(Link.Open("provider=SCRIPTED", Error), TLinkOpen::Opened);
        TTarvelFormat97 packet;
        Device->Request(0x20, "", packet, 0, false);
        ASSERT_EQ(Scripted(Link.Interface()).Requests().size(), 1u);
        first.insert(uint8_t(Scripted(Link.Interface()).Requests()[0].Sig));
    }
    EXPECT_GT(first.size(), 1u);
}

} // namespace
