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

} // namespace
