#include "framework/uExceptions.h"
#include "framework/uMethod.h"
#include "framework/uSync.h"
#include "framework/uTimeoutManager.h"
#include "framework/ui_MyInterfacedObject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class IProbe : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{1D4A3E9B-2C1F-4E6A-9A53-0B7C5D1E2F30}");
    virtual int Value() = 0;
};

class IOther : public virtual IInterface {
public:
    static constexpr TGUID IID = MakeGUID("{6F0E2B1C-77A0-4D4F-8E1B-3C2D9A8B7F61}");
};

class TProbe : public TMyInterfacedObject, public IProbe {
public:
    explicit TProbe(int* destroyed, IntfPtr<IProbe>* leak = nullptr) : FDestroyed(destroyed)
    {
        // A reference handed out and dropped during construction must not destroy the object.
        IntfPtr<IProbe> self(this);
        if (leak) *leak = self;
    }
    int Value() override { return 7; }

protected:
    bool ImplementsInterface(const TGUID& iid) const override
    {
        return iid == IProbe::IID || TMyInterfacedObject::ImplementsInterface(iid);
    }
    void BeforeDestruction() override
    {
        // Destruction code may take and drop references to the dying object.
        IntfPtr<IProbe> again(this);
    }
    ~TProbe() override { ++*FDestroyed; }

private:
    int* FDestroyed;
};

} // namespace

TEST(ObjectModel, CountsAndDestroysOnceThroughEveryPath)
{
    int destroyed = 0;
    {
        IntfPtr<TProbe> p = MakeObj<TProbe>(&destroyed);
        EXPECT_EQ(p->RefCount(), 1);
        IntfPtr<IProbe> q;
        ASSERT_TRUE(Supports<IProbe>(p, q));
        EXPECT_EQ(q->Value(), 7);
        EXPECT_EQ(p->RefCount(), 2);
        IntfPtr<IOther> none;
        EXPECT_FALSE(Supports<IOther>(p, none));
        EXPECT_FALSE(none);
        EXPECT_TRUE(Supports(static_cast<IProbe*>(p.get()), IInterface::IID));
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(ObjectModel, QueryInterfaceCodes)
{
    int destroyed = 0;
    auto p = MakeObj<TProbe>(&destroyed);
    void* raw = nullptr;
    EXPECT_EQ(p->QueryInterface(IOther::IID, &raw), E_NOINTERFACE);
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(p->QueryInterface(IProbe::IID, &raw), S_OK);
    static_cast<IInterface*>(raw)->Release();
}

TEST(Guid, TextRoundTripAndErrors)
{
    constexpr TGUID g = MakeGUID("{932E676F-ACE9-4CE9-BDEB-60D2688BA949}");
    EXPECT_EQ(GUIDToString(g), "{932E676F-ACE9-4CE9-BDEB-60D2688BA949}");
    EXPECT_EQ(StringToGUID("{932e676f-ace9-4ce9-bdeb-60d2688ba949}"), g);
    EXPECT_THROW(StringToGUID(""), EConvertError);
    EXPECT_THROW(StringToGUID("{932E676F-ACE9-4CE9-BDEB-60D2688BA94}"), EConvertError);
    EXPECT_THROW(StringToGUID("{932E676F-ACE9-4CE9-BDEB-60D2688BA94X}"), EConvertError);
    const TGUID a = CreateGUID(), b = CreateGUID();
    EXPECT_NE(a, b);
    EXPECT_EQ(GUIDToString(a)[15], '4');
    EXPECT_EQ(StringToGUID(GUIDToString(a)), a);
}

namespace {
struct Target {
    int sum = 0;
    void Add(int v) { sum += v; }
    void Sub(int v) { sum -= v; }
};
struct Derived : Target {
    int extra = 0;
};
} // namespace

TEST(Method, EqualWhenObjectAndCodeAreEqual)
{
    Target a, b;
    Derived d;
    using M = TMethod<void(int)>;
    EXPECT_EQ(M::Bind<&Target::Add>(&a), M::Bind<&Target::Add>(&a));
    EXPECT_FALSE(M::Bind<&Target::Add>(&a) == M::Bind<&Target::Add>(&b));
    EXPECT_FALSE(M::Bind<&Target::Add>(&a) == M::Bind<&Target::Sub>(&a));
    EXPECT_EQ(M::Bind<&Target::Add>(&d), M::Bind<&Target::Add>(static_cast<Target*>(&d)));
    M::Bind<&Target::Add>(&a)(5);
    EXPECT_EQ(a.sum, 5);
    EXPECT_FALSE(M());
}

TEST(Sync, WriterReentersAndReadsReaderReenters)
{
    TMultiReadExclusiveWriteSynchronizer s;
    s.BeginWrite();
    s.BeginWrite();
    s.BeginRead();
    EXPECT_TRUE(s.IsWriter());
    s.EndRead();
    s.EndWrite();
    s.EndWrite();
    EXPECT_FALSE(s.IsWriter());
    s.BeginRead();
    s.BeginRead();
    s.BeginWrite(); // a lone reader may promote
    s.EndWrite();
    s.EndRead();
    s.EndRead();
}

TEST(Sync, WriterExcludesReadersAndWriters)
{
    TMultiReadExclusiveWriteSynchronizer s;
    std::atomic<int> inside{0};
    std::atomic<bool> overlap{false};
    auto writer = [&] {
        for (int i = 0; i < 2000; ++i) {
            TWriteScope g(s);
            if (inside.fetch_add(1) != 0) overlap = true;
            inside.fetch_sub(1);
        }
    };
    auto reader = [&] {
        for (int i = 0; i < 2000; ++i) {
            TReadScope g(s);
            if (inside.load() != 0) overlap = true;
        }
    };
    std::thread t1(writer), t2(writer), t3(reader), t4(reader);
    t1.join();
    t2.join();
    t3.join();
    t4.join();
    EXPECT_FALSE(overlap);
}

TEST(Timeout, SurvivesTheTickWrap)
{
    uint32_t now = 0xFFFFFF00u;
    SetTickSource([&] { return now; });
    TTimeoutRecord t(1000);
    now += 0x100; // wrapped to 0
    EXPECT_EQ(t.Elapsed(), 0x100);
    EXPECT_EQ(t.Remaining(), 1000 - 0x100);
    now += 1000;
    EXPECT_TRUE(t.Expired());
    SetTickSource(nullptr);
    TTimeoutRecord real(50);
    EXPECT_FALSE(real.Expired());
}
