// In-place activation by a small container of our own: a client site that is also the in-place
// site (windowless-capable on request) and the frame.
#include <string>
#include <vector>

#include "ControlFixture.h"

namespace {

class HostSite : public IOleClientSite, public IOleInPlaceSiteWindowless, public IOleInPlaceFrame {
public:
    HWND window = nullptr;
    RECT position = {10, 20, 110, 70};
    bool allowInPlace = true;
    bool allowWindowless = false;
    std::vector<std::string> calls;
    IOleInPlaceActiveObject* activeObject = nullptr;   // last one the frame was given, not counted
    LONG refs = 1;

    bool Called(const std::string& name) const
    {
        for (const std::string& c : calls)
            if (c == name)
                return true;
        return false;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleInPlaceSiteEx) ||
                 IsEqualIID(iid, IID_IOleInPlaceSiteWindowless))
            *out = static_cast<IOleInPlaceSiteWindowless*>(this);
        else if (IsEqualIID(iid, IID_IOleInPlaceFrame) || IsEqualIID(iid, IID_IOleInPlaceUIWindow))
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { calls.push_back("SaveObject"); return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override { *m = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** c) override { *c = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(WINBOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for the site and the frame alike
    STDMETHODIMP GetWindow(HWND* w) override { *w = window; return S_OK; }
    STDMETHODIMP ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { calls.push_back("CanInPlaceActivate"); return allowInPlace ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { calls.push_back("OnInPlaceActivate"); return S_OK; }
    STDMETHODIMP OnUIActivate() override { calls.push_back("OnUIActivate"); return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override
    {
        calls.push_back("GetWindowContext");
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        *pos = position;
        *clip = position;
        info->fMDIApp = FALSE;
        info->hwndFrame = window;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(WINBOOL) override { calls.push_back("OnUIDeactivate"); return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { calls.push_back("OnInPlaceDeactivate"); return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceSiteEx
    STDMETHODIMP OnInPlaceActivateEx(WINBOOL* noRedraw, DWORD flags) override
    {
        calls.push_back(flags & ACTIVATE_WINDOWLESS ? "OnInPlaceActivateEx windowless" : "OnInPlaceActivateEx");
        if (noRedraw)
            *noRedraw = FALSE;
        return S_OK;
    }
    STDMETHODIMP OnInPlaceDeactivateEx(WINBOOL) override { calls.push_back("OnInPlaceDeactivateEx"); return S_OK; }
    STDMETHODIMP RequestUIActivate() override { return S_OK; }

    // IOleInPlaceSiteWindowless
    STDMETHODIMP CanWindowlessActivate() override { return allowWindowless ? S_OK : S_FALSE; }
    STDMETHODIMP GetCapture() override { return S_FALSE; }
    STDMETHODIMP SetCapture(WINBOOL) override { return S_OK; }
    STDMETHODIMP GetFocus() override { return S_FALSE; }
    STDMETHODIMP SetFocus(WINBOOL) override { return S_OK; }
    STDMETHODIMP GetDC(LPCRECT, DWORD, HDC* dc) override { *dc = nullptr; return E_NOTIMPL; }
    STDMETHODIMP ReleaseDC(HDC) override { return E_NOTIMPL; }
    STDMETHODIMP InvalidateRect(LPCRECT, WINBOOL) override { return S_OK; }
    STDMETHODIMP InvalidateRgn(HRGN, WINBOOL) override { return S_OK; }
    STDMETHODIMP ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return E_NOTIMPL; }
    STDMETHODIMP AdjustRect(LPRECT) override { return S_OK; }
    STDMETHODIMP OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT* r) override { *r = 0; return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override
    {
        calls.push_back(object ? "SetActiveObject" : "SetActiveObject none");
        activeObject = object;
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(WINBOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
};

class InPlace : public ControlLibrary {
protected:
    HostSite site;
    IDorvikFTPCtrl* control = nullptr;
    IOleObject* object = nullptr;
    IOleInPlaceObjectWindowless* inPlace = nullptr;

    void SetUp() override
    {
        ControlLibrary::SetUp();
        site.window = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                      nullptr, nullptr);
        ASSERT_NE(nullptr, site.window);
        control = NewControl();
        ASSERT_NE(nullptr, control);
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
        control->QueryInterface(IID_IOleInPlaceObjectWindowless, reinterpret_cast<void**>(&inPlace));
        ASSERT_EQ(S_OK, object->SetClientSite(&site));
    }
    void TearDown() override
    {
        if (object) {
            EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
            EXPECT_EQ(S_OK, object->SetClientSite(nullptr));
            object->Release();
        }
        if (inPlace)
            inPlace->Release();
        if (control)
            control->Release();
        EXPECT_EQ(1, site.refs);   // the control let go of every pointer into the container
        DestroyWindow(site.window);
        ControlLibrary::TearDown();
    }
    HRESULT Verb(LONG verb)
    {
        return object->DoVerb(verb, nullptr, &site, 0, site.window, &site.position);
    }
};

RECT PlaceInParent(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(InPlace, WindowedActivationMakesAChildWindowWhereTheSiteSays)
{
    ASSERT_EQ(S_OK, Verb(OLEIVERB_INPLACEACTIVATE));
    EXPECT_TRUE(site.Called("CanInPlaceActivate"));
    EXPECT_TRUE(site.Called("OnInPlaceActivateEx"));
    EXPECT_FALSE(site.Called("OnUIActivate"));   // in-place only
    HWND window = nullptr;
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(site.window, GetParent(window));
    EXPECT_EQ(0x56000000, GetWindowLongA(window, GWL_STYLE));
    RECT placed = PlaceInParent(window);
    EXPECT_TRUE(EqualRect(&site.position, &placed));

    RECT moved = {30, 40, 90, 60};
    EXPECT_EQ(S_OK, inPlace->SetObjectRects(&moved, &moved));
    placed = PlaceInParent(window);
    EXPECT_TRUE(EqualRect(&moved, &placed));

    ASSERT_EQ(S_OK, Verb(OLEIVERB_UIACTIVATE));
    EXPECT_TRUE(site.Called("OnUIActivate"));
    IOleInPlaceActiveObject* active = nullptr;
    control->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active));
    EXPECT_EQ(active, site.activeObject);
    active->Release();

    site.calls.clear();
    EXPECT_EQ(S_OK, inPlace->InPlaceDeactivate());
    EXPECT_EQ((std::vector<std::string>{"SetActiveObject none", "OnUIDeactivate", "OnInPlaceDeactivateEx"}),
              site.calls);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
}

TEST_F(InPlace, WindowlessActivationWhenTheSiteOffersIt)
{
    site.allowWindowless = true;
    ASSERT_EQ(S_OK, Verb(OLEIVERB_INPLACEACTIVATE));
    EXPECT_TRUE(site.Called("OnInPlaceActivateEx windowless"));
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
    EXPECT_EQ(nullptr, window);
    LRESULT result = 1;
    EXPECT_EQ(S_FALSE, inPlace->OnWindowMessage(WM_LBUTTONDOWN, 0, 0, &result));

    // Drawn by the container, with no bounds: where the control sits.
    IViewObject* view = nullptr;
    control->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view));
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 200, 100);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, nullptr, nullptr, nullptr, 0));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    view->Release();

    site.calls.clear();
    EXPECT_EQ(S_OK, inPlace->InPlaceDeactivate());
    EXPECT_EQ(std::vector<std::string>{"OnInPlaceDeactivateEx"}, site.calls);
}

TEST_F(InPlace, ASiteThatRefusesGetsNoWindow)
{
    site.allowInPlace = false;
    EXPECT_EQ(E_FAIL, Verb(OLEIVERB_SHOW));
    EXPECT_FALSE(site.Called("OnInPlaceActivateEx"));
    HWND window = nullptr;
    EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
    EXPECT_EQ(E_NOTIMPL, Verb(OLEIVERB_OPEN));
}

TEST_F(InPlace, HideAndCloseDeactivate)
{
    ASSERT_EQ(S_OK, Verb(OLEIVERB_SHOW));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
    EXPECT_TRUE(site.Called("OnUIActivate"));
    EXPECT_EQ(S_OK, Verb(OLEIVERB_HIDE));
    EXPECT_TRUE(site.Called("OnUIDeactivate"));
    // The host window is never shown, so the control's own style bit tells.
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(OLEOBJ_S_INVALIDVERB, Verb(7));   // an unknown verb acts as the primary one
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);

    // Close saves only a control whose state differs from the saved one.
    IPersistStreamInit* persist = nullptr;
    control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    persist->InitNew();
    persist->Release();
    EXPECT_EQ(S_OK, object->Close(OLECLOSE_SAVEIFDIRTY));
    EXPECT_TRUE(site.Called("SaveObject"));
    EXPECT_TRUE(site.Called("OnInPlaceDeactivateEx"));
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
