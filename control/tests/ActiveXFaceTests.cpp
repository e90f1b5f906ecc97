// The control as a container sees it: its interface table, its picture through the view and
// data objects, what the registry answers for it, quick activation.
#include <string>
#include <vector>

#include "ControlFixture.h"
#include "RecordingSink.h"

namespace {

template <class T>
T* Query(IUnknown* object, REFIID iid)
{
    T* p = nullptr;
    object->QueryInterface(iid, reinterpret_cast<void**>(&p));
    return p;
}

// Rows in the order of the control's interface table; "same as" names the interface whose
// pointer must come back, since the first matching row answers.
struct TableRow {
    const char* name;
    const IID* iid;
    const IID* sameAs;
};
const TableRow kTable[] = {
    {"IDorvikFTPCtrl", &IID_IDorvikFTPCtrl, nullptr},
    {"IDispatch", &IID_IDispatch, &IID_IDorvikFTPCtrl},
    {"IViewObjectEx", &IID_IViewObjectEx, nullptr},
    {"IViewObject2", &IID_IViewObject2, &IID_IViewObjectEx},
    {"IViewObject", &IID_IViewObject, &IID_IViewObjectEx},
    {"IOleInPlaceObjectWindowless", &IID_IOleInPlaceObjectWindowless, nullptr},
    {"IOleInPlaceObject", &IID_IOleInPlaceObject, &IID_IOleInPlaceObjectWindowless},
    {"IOleWindow", &IID_IOleWindow, &IID_IOleInPlaceObjectWindowless},
    {"IOleInPlaceActiveObject", &IID_IOleInPlaceActiveObject, nullptr},
    {"IOleControl", &IID_IOleControl, nullptr},
    {"IOleObject", &IID_IOleObject, nullptr},
    {"IPersistStreamInit", &IID_IPersistStreamInit, nullptr},
    {"IPersist", &IID_IPersist, &IID_IPersistStreamInit},
    {"ISupportErrorInfo", &IID_ISupportErrorInfo, nullptr},
    {"IConnectionPointContainer", &IID_IConnectionPointContainer, nullptr},
    {"ISpecifyPropertyPages", &IID_ISpecifyPropertyPages, nullptr},
    {"IQuickActivate", &IID_IQuickActivate, nullptr},
    {"IPersistStorage", &IID_IPersistStorage, nullptr},
    {"IDataObject", &IID_IDataObject, nullptr},
    {"IProvideClassInfo", &IID_IProvideClassInfo, &IID_IProvideClassInfo2},
    {"IProvideClassInfo2", &IID_IProvideClassInfo2, nullptr},
};

TEST_F(ControlLibrary, InterfaceTableAnswersInItsOrderAndRefusesTheRest)
{
    IDorvikFTPCtrl* control = NewControl();
    ASSERT_NE(nullptr, control);
    IUnknown* identity = Query<IUnknown>(control, IID_IUnknown);
    EXPECT_EQ(static_cast<IUnknown*>(control), identity);   // the first row answers IUnknown
    for (const TableRow& row : kTable) {
        IUnknown* p = Query<IUnknown>(control, *row.iid);
        ASSERT_NE(nullptr, p) << row.name;
        IUnknown* back = Query<IUnknown>(p, IID_IUnknown);
        EXPECT_EQ(identity, back) << row.name;
        back->Release();
        if (row.sameAs) {
            IUnknown* other = Query<IUnknown>(control, *row.sameAs);
            EXPECT_EQ(other, p) << row.name;
            other->Release();
        }
        p->Release();
    }
    // IOleWindow comes from the in-place object's row, not the active object's.
    IUnknown* window = Query<IUnknown>(control, IID_IOleWindow);
    IUnknown* active = Query<IUnknown>(control, IID_IOleInPlaceActiveObject);
    EXPECT_NE(active, window);
    window->Release();
    active->Release();

    const IID* refused[] = {&IID_IPersistPropertyBag, &IID_IPersistPropertyBag2, &IID_IObjectSafety,
                            &IID_IPerPropertyBrowsing, &IID_IOleCache, &IID_IRunnableObject,
                            &IID_IPointerInactive, &IID_IPersistMemory, &IID_IOleInPlaceSite};
    for (const IID* iid : refused) {
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, control->QueryInterface(*iid, &p));
        EXPECT_EQ(nullptr, p);
    }
    identity->Release();
    control->Release();
}

// A 32-bit top-down DIB section to draw into and read pixels back from.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(dc, m_bitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        GdiFlush();
    }
    ~Canvas()
    {
        SelectObject(dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    HDC dc = nullptr;

private:
    int m_width, m_height;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

const COLORREF kBackground = RGB(255, 0, 255);

// The icon alone, drawn the way the control draws it, to compare against.
void DrawReferenceIcon(HMODULE dll, Canvas* canvas)
{
    HICON icon = static_cast<HICON>(LoadImageA(dll, MAKEINTRESOURCEA(201), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    ASSERT_NE(nullptr, icon);
    DrawIconEx(canvas->dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
}

// The raised edge: light and highlight on the top-left, dark shadow and shadow on the bottom-right.
void ExpectRaisedEdge(const Canvas& canvas, int width, int height)
{
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), canvas.At(width / 2, 0));
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), canvas.At(0, height - 3));
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), canvas.At(width / 2, 1));
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), canvas.At(width - 1, height - 1));
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), canvas.At(width / 2, height - 1));
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), canvas.At(width - 2, height / 2));
}

class Drawing : public ControlLibrary {
protected:
    IDorvikFTPCtrl* control = nullptr;
    IViewObjectEx* view = nullptr;
    void SetUp() override
    {
        ControlLibrary::SetUp();
        control = NewControl();
        ASSERT_NE(nullptr, control);
        view = Query<IViewObjectEx>(control, IID_IViewObjectEx);
        ASSERT_NE(nullptr, view);
    }
    void TearDown() override
    {
        view->Release();
        control->Release();
        ControlLibrary::TearDown();
    }
    HRESULT DrawInto(Canvas* canvas, RECTL bounds, DWORD aspect = DVASPECT_CONTENT)
    {
        return view->Draw(aspect, -1, nullptr, nullptr, nullptr, canvas->dc, &bounds, nullptr, nullptr, 0);
    }
};

TEST_F(Drawing, IconAtTheTopLeftAndARaisedEdgeAndNothingElse)
{
    Canvas canvas(80, 60, kBackground), reference(80, 60, kBackground);
    ASSERT_EQ(S_OK, DrawInto(&canvas, {0, 0, 80, 60}));
    DrawReferenceIcon(dll, &reference);
    ExpectRaisedEdge(canvas, 80, 60);
    int iconPixels = 0;
    for (int y = 2; y < 32; ++y)
        for (int x = 2; x < 32; ++x) {
            ASSERT_EQ(reference.At(x, y), canvas.At(x, y)) << x << "," << y;
            iconPixels += canvas.At(x, y) != kBackground;
        }
    EXPECT_GT(iconPixels, 100);
    // No background fill, no text: the inside beyond the icon is untouched.
    for (int y = 3; y < 57; y += 3)
        for (int x = 33; x < 77; x += 3)
            ASSERT_EQ(kBackground, canvas.At(x, y)) << x << "," << y;
}

TEST_F(Drawing, ASmallRectangleStillGetsTheWholeIcon)
{
    Canvas canvas(48, 48, kBackground), reference(48, 48, kBackground);
    ASSERT_EQ(S_OK, DrawInto(&canvas, {4, 4, 20, 20}));
    DrawReferenceIcon(dll, &reference);
    int differing = 0;
    for (int y = 20; y < 36; ++y)       // below and right of the rectangle, where only the icon reaches
        for (int x = 20; x < 36; ++x)
            differing += canvas.At(x, y) != reference.At(x - 4, y - 4);
    EXPECT_EQ(0, differing);
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), canvas.At(19, 19));   // the edge follows the rectangle
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), canvas.At(10, 4));
}

TEST_F(Drawing, ViewObjectAnswers)
{
    Canvas canvas(8, 8, kBackground);
    EXPECT_EQ(DV_E_DVASPECT, DrawInto(&canvas, {0, 0, 8, 8}, DVASPECT_ICON));
    EXPECT_EQ(kBackground, canvas.At(0, 0));
    RECTL bounds = {0, 0, 8, 8};
    EXPECT_EQ(E_INVALIDARG, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr,
                                       nullptr, 0));
    EXPECT_EQ(E_INVALIDARG, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc, nullptr, nullptr,
                                       nullptr, 0));   // not windowless-active: no place of its own
    DWORD status = 0;
    EXPECT_EQ(S_OK, view->GetViewStatus(&status));
    EXPECT_EQ(3u, status);   // opaque, solid background
    SIZEL size = {};
    EXPECT_EQ(S_OK, view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &size));
    EXPECT_EQ(5080, size.cx);
    EXPECT_EQ(5080, size.cy);
    RECT r = {0, 0, 10, 10};
    DWORD hit = 99;
    EXPECT_EQ(S_OK, view->QueryHitPoint(DVASPECT_CONTENT, &r, POINT{5, 5}, 0, &hit));
    EXPECT_EQ(static_cast<DWORD>(HITRESULT_HIT), hit);
    EXPECT_EQ(S_OK, view->QueryHitPoint(DVASPECT_CONTENT, &r, POINT{15, 5}, 0, &hit));
    EXPECT_EQ(static_cast<DWORD>(HITRESULT_OUTSIDE), hit);
}

TEST_F(Drawing, DataObjectGivesTheMetafileAtTheCurrentExtent)
{
    IOleObject* object = Query<IOleObject>(control, IID_IOleObject);
    IDataObject* data = Query<IDataObject>(control, IID_IDataObject);
    ASSERT_NE(nullptr, data);
    SIZEL inch = {2540, 1270};   // one inch by half an inch
    ASSERT_EQ(S_OK, object->SetExtent(DVASPECT_CONTENT, &inch));

    FORMATETC format = {CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
    EXPECT_EQ(S_OK, data->QueryGetData(&format));
    STGMEDIUM medium = {};
    ASSERT_EQ(S_OK, data->GetData(&format, &medium));
    ASSERT_EQ(static_cast<DWORD>(TYMED_MFPICT), medium.tymed);
    METAFILEPICT* picture = static_cast<METAFILEPICT*>(GlobalLock(medium.hMetaFilePict));
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(MM_ANISOTROPIC, picture->mm);
    EXPECT_EQ(2540, picture->xExt);
    EXPECT_EQ(1270, picture->yExt);
    ASSERT_NE(nullptr, picture->hMF);

    // Played back at its natural size in pixels, it is the same picture Draw makes.
    HDC screen = GetDC(nullptr);
    int width = MulDiv(2540, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    int height = MulDiv(1270, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    ReleaseDC(nullptr, screen);
    Canvas played(width, height, kBackground), drawn(width, height, kBackground);
    SetMapMode(played.dc, MM_ANISOTROPIC);
    SetViewportExtEx(played.dc, width, height, nullptr);
    EXPECT_TRUE(PlayMetaFile(played.dc, picture->hMF));
    GlobalUnlock(medium.hMetaFilePict);
    ReleaseStgMedium(&medium);
    ASSERT_EQ(S_OK, DrawInto(&drawn, {0, 0, width, height}));
    ExpectRaisedEdge(played, width, height);
    int iconPixels = 0;
    for (int y = 2; y < 32; ++y)
        for (int x = 2; x < 32; ++x) {
            ASSERT_EQ(drawn.At(x, y), played.At(x, y)) << x << "," << y;
            iconPixels += played.At(x, y) != kBackground;
        }
    EXPECT_GT(iconPixels, 100);
    EXPECT_EQ(kBackground, played.At(width - 10, height / 2));

    FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC icon = {CF_METAFILEPICT, nullptr, DVASPECT_ICON, -1, TYMED_MFPICT};
    FORMATETC enhanced = {CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    for (FORMATETC* other : {&text, &icon, &enhanced}) {
        EXPECT_EQ(DATA_E_FORMATETC, data->GetData(other, &medium));
        EXPECT_EQ(DATA_E_FORMATETC, data->QueryGetData(other));
    }

    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(S_OK, data->EnumFormatEtc(DATADIR_GET, &formats));
    FORMATETC listed[2] = {};
    ULONG count = 0;
    formats->Next(2, listed, &count);
    EXPECT_EQ(1u, count);
    EXPECT_EQ(CF_METAFILEPICT, listed[0].cfFormat);
    formats->Release();
    data->Release();
    object->Release();
}

TEST_F(ControlLibrary, OleObjectAnswersFromTheRegistryAndKeepsItsExtent)
{
    IDorvikFTPCtrl* control = NewControl();
    IOleObject* object = Query<IOleObject>(control, IID_IOleObject);
    ASSERT_NE(nullptr, object);

    DWORD status = 0;
    EXPECT_EQ(S_OK, object->GetMiscStatus(DVASPECT_CONTENT, &status));
    EXPECT_EQ(132497u, status);
    EXPECT_TRUE(status & OLEMISC_INVISIBLEATRUNTIME);
    LPOLESTR type = nullptr;
    ASSERT_EQ(S_OK, object->GetUserType(USERCLASSTYPE_FULL, &type));
    EXPECT_EQ(std::wstring(L"DorvikFTPCtrl Class"), type);
    CoTaskMemFree(type);
    CLSID id = GUID_NULL;
    EXPECT_EQ(S_OK, object->GetUserClassID(&id));
    EXPECT_TRUE(IsEqualCLSID(CLSID_DorvikFTPCtrl, id));
    IEnumOLEVERB* verbs = nullptr;
    EXPECT_EQ(OLEOBJ_E_NOVERBS, object->EnumVerbs(&verbs));   // registration writes none

    SIZEL size = {};
    EXPECT_EQ(S_OK, object->GetExtent(DVASPECT_CONTENT, &size));
    EXPECT_EQ(5080, size.cx);
    EXPECT_EQ(5080, size.cy);
    SIZEL set = {847, 767};
    EXPECT_EQ(S_OK, object->SetExtent(DVASPECT_CONTENT, &set));
    EXPECT_EQ(DV_E_DVASPECT, object->SetExtent(DVASPECT_ICON, &size));
    EXPECT_EQ(DV_E_DVASPECT, object->GetExtent(DVASPECT_ICON, &size));
    EXPECT_EQ(S_OK, object->GetExtent(DVASPECT_CONTENT, &size));
    EXPECT_EQ(847, size.cx);
    EXPECT_EQ(767, size.cy);

    // The extent is what the saved state carries after the version.
    IPersistStreamInit* persist = Query<IPersistStreamInit>(control, IID_IPersistStreamInit);
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ASSERT_EQ(S_OK, persist->Save(stream, TRUE));
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    DWORD head[3] = {};
    ULONG read = 0;
    stream->Read(head, sizeof(head), &read);
    EXPECT_EQ(847u, head[1]);
    EXPECT_EQ(767u, head[2]);
    stream->Release();
    persist->Release();

    ISpecifyPropertyPages* pages = Query<ISpecifyPropertyPages>(control, IID_ISpecifyPropertyPages);
    CAUUID list = {5, reinterpret_cast<GUID*>(1)};
    EXPECT_EQ(S_OK, pages->GetPages(&list));
    EXPECT_EQ(0u, list.cElems);
    EXPECT_EQ(nullptr, list.pElems);
    pages->Release();
    object->Release();
    control->Release();
}

// Counts view changes, which a container uses to repaint after SetExtent.
class ViewSink : public IAdviseSinkEx {
public:
    LONG refs = 1;
    int viewChanges = 0;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAdviseSink) || IsEqualIID(iid, IID_IAdviseSinkEx)) {
            *out = static_cast<IAdviseSinkEx*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
    STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override { ++viewChanges; }
    STDMETHODIMP_(void) OnRename(IMoniker*) override {}
    STDMETHODIMP_(void) OnSave() override {}
    STDMETHODIMP_(void) OnClose() override {}
    STDMETHODIMP_(void) OnViewStatusChange(DWORD) override {}
};

TEST_F(ControlLibrary, QuickActivationAdvisesTheContainersSinks)
{
    IDorvikFTPCtrl* control = NewControl();
    IQuickActivate* quick = Query<IQuickActivate>(control, IID_IQuickActivate);
    ASSERT_NE(nullptr, quick);
    RecordingSink events;
    ViewSink view;
    QACONTAINER container = {};
    container.cbSize = sizeof(container);
    container.pUnkEventSink = static_cast<IDispatch*>(&events);
    container.pAdviseSink = &view;
    QACONTROL answer = {};
    answer.cbSize = sizeof(answer);
    ASSERT_EQ(S_OK, quick->QuickActivate(&container, &answer));
    EXPECT_EQ(132497u, answer.dwMiscStatus);
    EXPECT_EQ(3u, answer.dwViewStatus);
    EXPECT_EQ(1u, answer.dwEventCookie);
    EXPECT_EQ(0u, answer.dwPropNotifyCookie);

    SIZEL size = {1000, 500};
    EXPECT_EQ(S_OK, quick->SetContentExtent(&size));
    EXPECT_EQ(1, view.viewChanges);
    SIZEL back = {};
    EXPECT_EQ(S_OK, quick->GetContentExtent(&back));
    EXPECT_EQ(1000, back.cx);

    QACONTAINER tooShort = {};
    tooShort.cbSize = 8;
    EXPECT_EQ(E_INVALIDARG, quick->QuickActivate(&tooShort, &answer));
    quick->Release();
    control->Release();
    ASSERT_EQ(1u, events.events.size());   // the advised sink heard the control go
    EXPECT_EQ(2, events.events[0].id);
    EXPECT_EQ(1, events.refs);
    EXPECT_EQ(1, view.refs);
}

} // namespace
