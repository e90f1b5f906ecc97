// The control as a COM object: factory, identity, aggregation, windows, events through the DLL.
#include <algorithm>
#include <string>
#include <vector>

#include "ControlFixture.h"
#include "RecordingSink.h"

namespace {

TEST_F(ControlLibrary, FactoryIsCachedAndOnlyServesOurClass)
{
    IClassFactory* first = Factory();
    IClassFactory* second = Factory();
    EXPECT_EQ(first, second);
    first->Release();
    second->Release();

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(IID_IDispatch, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, getClassObject(CLSID_DorvikFTPCtrl, IID_IClassFactory, nullptr));
}

TEST_F(ControlLibrary, CanUnloadOnlyWithoutLiveControlsOrLocks)
{
    IDorvikFTPCtrl* control = NewControl();
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(S_FALSE, canUnloadNow());
    control->Release();
    EXPECT_EQ(S_OK, canUnloadNow());

    IClassFactory* factory = Factory();
    factory->LockServer(TRUE);
    EXPECT_EQ(S_FALSE, canUnloadNow());
    factory->LockServer(FALSE);
    EXPECT_EQ(S_OK, canUnloadNow());
    factory->Release();
}

TEST_F(ControlLibrary, InterfacesAnsweredAndRefused)
{
    IDorvikFTPCtrl* control = NewControl();
    ASSERT_NE(nullptr, control);
    struct Row { const IID* iid; bool offered; };
    const Row rows[] = {
        {&IID_IDispatch, true}, {&IID_ISupportErrorInfo, true}, {&IID_IConnectionPointContainer, true},
        {&IID_IProvideClassInfo, true}, {&IID_IProvideClassInfo2, true},
        {&IID_IPersistPropertyBag, false}, {&IID_IObjectSafety, false}, {&IID_IPerPropertyBrowsing, false},
    };
    IUnknown* identity = nullptr;
    control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    for (const Row& row : rows) {
        IUnknown* p = nullptr;
        EXPECT_EQ(row.offered ? S_OK : E_NOINTERFACE, control->QueryInterface(*row.iid, reinterpret_cast<void**>(&p)));
        if (p) {
            IUnknown* back = nullptr;
            p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
            EXPECT_EQ(identity, back);
            back->Release();
            p->Release();
        }
    }
    identity->Release();

    ISupportErrorInfo* support = nullptr;
    control->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IDorvikFTPCtrl));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IDispatch));
    support->Release();

    IProvideClassInfo2* classInfo = nullptr;
    control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&classInfo));
    GUID source = GUID_NULL;
    EXPECT_EQ(S_OK, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    EXPECT_TRUE(IsEqualGUID(DIID__IDorvikFTPCtrlEvents, source));
    classInfo->Release();
    control->Release();
}

// An outer object that keeps the control's inner unknown, as an aggregating host does.
class Outer : public IUnknown {
public:
    IUnknown* inner = nullptr;
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

TEST_F(ControlLibrary, AggregatedControlHasTheOuterIdentity)
{
    IClassFactory* factory = Factory();
    Outer outer;
    void* p = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IDorvikFTPCtrl, &p));
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    IDorvikFTPCtrl* control = nullptr;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IDorvikFTPCtrl, reinterpret_cast<void**>(&control)));
    IUnknown* identity = nullptr;
    control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    LONG before = outer.refs;
    control->Release();
    EXPECT_EQ(before - 1, outer.refs);
    EXPECT_EQ(0u, outer.inner->Release());
    factory->Release();
}

BOOL CALLBACK CollectHiddenWindows(HWND hwnd, LPARAM out)
{
    char cls[64] = {}, title[8] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    GetWindowTextA(hwnd, title, sizeof(title));
    if (std::string(cls) == "DorvikFTPWndClass" && std::string(title) == "1" && !IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> HiddenWindows()
{
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectHiddenWindows, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(ControlLibrary, EachControlOwnsOneHiddenWindowOfTheSharedClass)
{
    size_t before = HiddenWindows().size();
    IDorvikFTPCtrl* a = NewControl();
    IDorvikFTPCtrl* b = NewControl();
    std::vector<HWND> windows = HiddenWindows();
    EXPECT_EQ(before + 2, windows.size());
    a->Release();
    EXPECT_EQ(before + 1, HiddenWindows().size());
    b->Release();
    EXPECT_EQ(before, HiddenWindows().size());
}

// What one apartment thread of a host does with its own controls; the results go back to the test.
struct ApartmentRun {
    GetClassObjectFn getClassObject;
    HANDLE start;
    int created = 0;
    int namesResolved = 0;
};

DWORD WINAPI CreateAndBindLate(void* param)
{
    ApartmentRun* run = static_cast<ApartmentRun*>(param);
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    WaitForSingleObject(run->start, 10000);
    IClassFactory* factory = nullptr;
    if (SUCCEEDED(run->getClassObject(CLSID_DorvikFTPCtrl, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        for (int i = 0; i < 20; ++i) {
            IDispatch* control = nullptr;
            if (FAILED(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&control))))
                continue;
            ++run->created;
            const wchar_t* name = i % 2 ? L"ServerPort" : L"FileListing";
            DISPID id = 0;
            LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
            if (control->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id) == S_OK && id == (i % 2 ? 2 : 44))
                ++run->namesResolved;
            control->Release();
        }
        factory->Release();
    }
    CoUninitialize();
    return 0;
}

// Two apartment threads of one host create controls and bind late at the same moment: the
// shared window class and name table serve both.
TEST_F(ControlLibrary, ControlsOnTwoApartmentThreadsAtOnce)
{
    HANDLE start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ApartmentRun runs[2] = {{getClassObject, start}, {getClassObject, start}};
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i)
        threads[i] = CreateThread(nullptr, 0, CreateAndBindLate, &runs[i], 0, nullptr);
    SetEvent(start);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 60000));
    for (int i = 0; i < 2; ++i) {
        CloseHandle(threads[i]);
        EXPECT_EQ(20, runs[i].created) << i;
        EXPECT_EQ(20, runs[i].namesResolved) << i;
    }
    CloseHandle(start);
    EXPECT_EQ(S_OK, canUnloadNow());
}

TEST_F(ControlLibrary, ReleasingANeverConnectedControlReportsNotConnectedOnce)
{
    IDorvikFTPCtrl* control = NewControl();
    IConnectionPointContainer* container = nullptr;
    control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(DIID__IDorvikFTPCtrlEvents, &point));
    IConnectionPoint* notify = nullptr;
    EXPECT_EQ(S_OK, container->FindConnectionPoint(IID_IPropertyNotifySink, &notify));
    notify->Release();
    IConnectionPoint* none = nullptr;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IDispatch, &none));
    container->Release();

    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&sink), &cookie));
    EXPECT_EQ(1u, cookie);
    point->Release();
    control->Release();   // the last reference: the control disconnects on its way out

    ASSERT_EQ(1u, sink.events.size());
    EXPECT_EQ(2, sink.events[0].id);
    EXPECT_EQ(std::vector<double>{0}, sink.events[0].numbers);
    EXPECT_EQ(1, sink.refs);   // the control let go of the sink
}

TEST_F(ControlLibrary, FreshControlReportsItsDefaults)
{
    IDorvikFTPCtrl* c = NewControl();
    struct Row { const char* name; HRESULT (STDMETHODCALLTYPE IDorvikFTPCtrl::*get)(long*); long value; };
    const Row rows[] = {
        {"ServerPort", &IDorvikFTPCtrl::get_ServerPort, 21}, {"ProxyPort", &IDorvikFTPCtrl::get_ProxyPort, 1080},
        {"Timeout", &IDorvikFTPCtrl::get_Timeout, 30},       {"BinaryMode", &IDorvikFTPCtrl::get_BinaryMode, 1},
        {"PassiveMode", &IDorvikFTPCtrl::get_PassiveMode, 1}, {"MaxBandwidth", &IDorvikFTPCtrl::get_MaxBandwidth, 0},
        {"Busy", &IDorvikFTPCtrl::get_Busy, 0}, {"LastServerResponse", &IDorvikFTPCtrl::get_LastServerResponse, 0},
        {"IsConnected", &IDorvikFTPCtrl::get_IsConnected, 0},
    };
    for (const Row& row : rows) {
        long v = -12345;
        EXPECT_EQ(S_OK, (c->*row.get)(&v)) << row.name;
        EXPECT_EQ(row.value, v) << row.name;
    }
    // A null string put reads back as an empty, non-null string.
    EXPECT_EQ(S_OK, c->put_ServerName(nullptr));
    BSTR name = nullptr;
    EXPECT_EQ(S_OK, c->get_ServerName(&name));
    ASSERT_NE(nullptr, name);
    EXPECT_EQ(0u, SysStringLen(name));
    SysFreeString(name);
    // Nothing is clamped.
    c->put_Timeout(-5);
    c->put_ServerPort(70000);
    long v = 0;
    c->get_Timeout(&v);
    EXPECT_EQ(-5, v);
    c->get_ServerPort(&v);
    EXPECT_EQ(70000, v);
    c->Release();
}

} // namespace
