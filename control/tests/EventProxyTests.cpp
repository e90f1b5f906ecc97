// The event source on its own: slot and cookie rules, firing order, argument layout.
#include <gtest/gtest.h>

#include "EventProxy.h"
#include "RecordingSink.h"

namespace {

class FakeContainer : public IConnectionPointContainer {
public:
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
};

class EventProxyTest : public ::testing::Test {
protected:
    FakeContainer container;
    CProxy_IDorvikFTPCtrlEvents proxy{&container};
    RecordingSink sinks[9];

    DWORD Advise(RecordingSink& sink)
    {
        DWORD cookie = 0;
        EXPECT_EQ(S_OK, proxy.Advise(static_cast<IDispatch*>(&sink), &cookie));
        return cookie;
    }
};

TEST_F(EventProxyTest, NoSinkMeansNothingIsSent)
{
    EXPECT_EQ(0, proxy.Fire_StateChange(DFTP_STATE_CONNECTING));
    EXPECT_EQ(0, proxy.Sinks().SlotCount());
}

TEST_F(EventProxyTest, SlotsStartAtFourDoubleWhenFullAndAreReused)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(DWORD(i + 1), Advise(sinks[i]));
    EXPECT_EQ(4, proxy.Sinks().SlotCount());
    EXPECT_EQ(5u, Advise(sinks[4]));
    EXPECT_EQ(8, proxy.Sinks().SlotCount());

    EXPECT_EQ(S_OK, proxy.Unadvise(2));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, proxy.Unadvise(2));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, proxy.Unadvise(9));
    EXPECT_EQ(2u, Advise(sinks[5]));   // first empty slot
    EXPECT_EQ(6u, Advise(sinks[6]));
}

TEST_F(EventProxyTest, UnadviseReleasesTheSink)
{
    LONG before = sinks[0].refs;
    DWORD cookie = Advise(sinks[0]);
    EXPECT_EQ(before + 1, sinks[0].refs);
    proxy.Unadvise(cookie);
    EXPECT_EQ(before, sinks[0].refs);
}

TEST_F(EventProxyTest, EmptySlotIsSkippedAndFailingSinkDoesNotStopTheNext)
{
    Advise(sinks[0]);
    DWORD second = Advise(sinks[1]);
    Advise(sinks[2]);
    Advise(sinks[3]);
    proxy.Unadvise(second);
    sinks[2].answer = E_FAIL;

    proxy.Fire_Reply(L"230 ok");

    EXPECT_EQ(1u, sinks[0].events.size());
    EXPECT_EQ(0u, sinks[1].events.size());
    EXPECT_EQ(1u, sinks[2].events.size());
    ASSERT_EQ(1u, sinks[3].events.size());
    EXPECT_EQ(3, sinks[3].events[0].id);
    EXPECT_EQ(L"230 ok", sinks[3].events[0].texts[0]);
}

TEST_F(EventProxyTest, CancelIsChainedThroughTheSinks)
{
    Advise(sinks[0]);
    Advise(sinks[1]);
    Advise(sinks[2]);
    sinks[0].setCancel = 1;
    sinks[2].setCancel = 7;
    LONG cancel = 0;

    proxy.Fire_ClientConnected(L"bob", L"127.0.0.1", &cancel);

    EXPECT_EQ(0, sinks[0].events[0].cancelSeen);
    EXPECT_EQ(1, sinks[1].events[0].cancelSeen);
    EXPECT_EQ(1, sinks[2].events[0].cancelSeen);
    EXPECT_EQ(7, cancel);
    EXPECT_EQ((std::vector<VARTYPE>{VT_I4 | VT_BYREF, VT_BSTR, VT_BSTR}), sinks[0].events[0].types);
}

// Each event's arguments arrive last-first with the declared variant types.
TEST_F(EventProxyTest, ArgumentsArriveReversedWithTheirTypes)
{
    Advise(sinks[0]);
    proxy.Fire_StateChange(DFTP_STATE_LOGGEDIN);
    proxy.Fire_TransferProgress(4096);
    proxy.Fire_EnumFile(L"a.txt", 3e9, L"user", L"group", 45000.5, L"-rw-r--r--");
    proxy.Fire_TransferStarting(L"local", L"remote", 7);
    proxy.Fire_TransferComplete(L"local", L"remote", 99);
    proxy.Fire_ClientDisconnected(L"bob", L"127.0.0.1");

    const auto& e = sinks[0].events;
    ASSERT_EQ(6u, e.size());
    struct Expect { DISPID id; std::vector<VARTYPE> types; std::vector<std::wstring> texts; std::vector<double> numbers; };
    const Expect table[] = {
        {2, {VT_I4}, {}, {8}},
        {4, {VT_I4}, {}, {4096}},
        {5, {VT_BSTR, VT_R8, VT_BSTR, VT_BSTR, VT_R8, VT_BSTR}, {L"-rw-r--r--", L"group", L"user", L"a.txt"}, {45000.5, 3e9}},
        {6, {VT_I4, VT_BSTR, VT_BSTR}, {L"remote", L"local"}, {7}},
        {7, {VT_I4, VT_BSTR, VT_BSTR}, {L"remote", L"local"}, {99}},
        {9, {VT_BSTR, VT_BSTR}, {L"127.0.0.1", L"bob"}, {}},
    };
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(table[i].id);
        EXPECT_EQ(table[i].id, e[i].id);
        EXPECT_EQ(table[i].types, e[i].types);
        EXPECT_EQ(table[i].texts, e[i].texts);
        EXPECT_EQ(table[i].numbers, e[i].numbers);
    }
}

TEST_F(EventProxyTest, SinkThatCannotTakeTheEventInterfaceIsRefused)
{
    class Plain : public IUnknown {
    public:
        STDMETHODIMP QueryInterface(REFIID, void** out) override { *out = nullptr; return E_NOINTERFACE; }
        STDMETHODIMP_(ULONG) AddRef() override { return 1; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
    } plain;
    DWORD cookie = 123;
    EXPECT_EQ(CONNECT_E_CANNOTCONNECT, proxy.Advise(&plain, &cookie));
    EXPECT_EQ(0u, cookie);
}

// The object that owns the point, counted: it destroys its point when the count reaches 0.
class CountedOwner final : public IConnectionPointContainer {
public:
    CProxy_IDorvikFTPCtrlEvents* proxy = new CProxy_IDorvikFTPCtrlEvents(this);
    LONG refs = 1;   // the host's
    bool destroyed = false;
    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        if (--refs == 0) {
            destroyed = true;
            delete proxy;
            proxy = nullptr;
        }
        return static_cast<ULONG>(refs);
    }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
};

// A sink that acts from inside its handler: lets the host's reference go, or unadvises a sink.
class ActingSink : public RecordingSink {
public:
    CountedOwner* owner = nullptr;
    DWORD unadvise = 0;
    bool releaseOwner = false;
    bool ownerAliveAfterAct = false;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e,
                        UINT* a) override
    {
        HRESULT hr = RecordingSink::Invoke(id, riid, lcid, flags, p, r, e, a);
        if (unadvise)
            owner->proxy->Unadvise(unadvise);
        if (releaseOwner)
            owner->Release();
        ownerAliveAfterAct = !owner->destroyed;
        return hr;
    }
};

TEST(EventProxyDuringAHandler, ReleaseOrUnadviseInsideTheLoopIsSafe)
{
    const struct {
        const char* what;
        bool release;
        int unadviseSlot;   // 0: none; else the cookie the first sink unadvises
        size_t lastSinkEvents;
    } rows[] = {
        {"the first sink lets the host's last reference go", true, 0, 1},
        {"the first sink unadvises itself and lets go", true, 1, 1},
        {"the first sink unadvises the last one", false, 3, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CountedOwner* owner = new CountedOwner;
        ActingSink first, middle, last;
        first.owner = middle.owner = last.owner = owner;
        DWORD cookie = 0;
        owner->proxy->Advise(static_cast<IDispatch*>(&first), &cookie);
        owner->proxy->Advise(static_cast<IDispatch*>(&middle), &cookie);
        owner->proxy->Advise(static_cast<IDispatch*>(&last), &cookie);
        first.releaseOwner = row.release;
        first.unadvise = static_cast<DWORD>(row.unadviseSlot);

        owner->proxy->Fire_TransferProgress(5);

        // The point stayed alive for the whole loop, went once it was over, and let its sinks go.
        EXPECT_TRUE(first.ownerAliveAfterAct);
        EXPECT_EQ(1u, middle.events.size());
        EXPECT_EQ(row.lastSinkEvents, last.events.size());
        EXPECT_EQ(row.release, owner->destroyed);
        if (!row.release)
            owner->Release();
        EXPECT_EQ(1, first.refs);
        EXPECT_EQ(1, middle.refs);
        EXPECT_EQ(1, last.refs);
        delete owner;
    }
}

} // namespace
