// What makes the control an ActiveX control besides its automation interface: the view object a
// container draws through, the OLE object it embeds, in-place activation (with a window of its
// own or windowless), quick activation and the data object that hands out its picture. The
// control supplies the picture (OnDraw) and where its extent lives; everything else is here.
#ifndef DORVIK_ACTIVEXFACE_H
#define DORVIK_ACTIVEXFACE_H

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "MethodGuard.h"

class CActiveXFace : public IViewObjectEx,
                     public IOleInPlaceObjectWindowless,
                     public IOleInPlaceActiveObject,
                     public IOleControl,
                     public IOleObject,
                     public ISpecifyPropertyPages,
                     public IQuickActivate,
                     public IDataObject {
public:
    CActiveXFace() = default;
    virtual ~CActiveXFace();
    CActiveXFace(const CActiveXFace&) = delete;
    CActiveXFace& operator=(const CActiveXFace&) = delete;

    // Supplied by the control.
    virtual HRESULT OnDraw(HDC dc, const RECT& bounds) = 0;
    virtual SIZEL& ExtentHimetric() = 0;

    // IViewObject, IViewObject2, IViewObjectEx
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDc, HDC drawDc,
                      LPCRECTL bounds, LPCRECTL metafileBounds, WINBOOL(STDMETHODCALLTYPE* carryOn)(ULONG_PTR),
                      ULONG_PTR carryOnArg) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDc,
                             LOGPALETTE** colors) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* cookie) override;
    STDMETHODIMP Unfreeze(DWORD cookie) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;
    STDMETHODIMP GetRect(DWORD aspect, LPRECTL rect) override;
    STDMETHODIMP GetViewStatus(DWORD* status) override;
    STDMETHODIMP QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT point, LONG closeHint, DWORD* hit) override;
    STDMETHODIMP QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT rect, LONG closeHint, DWORD* hit) override;
    STDMETHODIMP GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, HDC targetDc,
                                  DVEXTENTINFO* info, LPSIZEL size) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceObjectWindowless
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(WINBOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    STDMETHODIMP GetDropTarget(IDropTarget** target) override;

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override;
    STDMETHODIMP OnFrameWindowActivate(WINBOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(WINBOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, WINBOOL isFrame) override;
    STDMETHODIMP EnableModeless(WINBOOL enable) override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* msg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(WINBOOL freeze) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, WINBOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* activeSite, LONG index, HWND parent,
                        LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* id) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IQuickActivate
    STDMETHODIMP QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    STDMETHODIMP SetContentExtent(LPSIZEL size) override;
    STDMETHODIMP GetContentExtent(LPSIZEL size) override;

    // IDataObject
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, WINBOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP DUnadvise(DWORD cookie) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** advises) override;

    // The in-place window's message handling; messages the control does not take go to the
    // default window procedure.
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

private:
    // Every reference and query goes to the object's controlling unknown.
    IUnknown* Identity() { return static_cast<IOleObject*>(this); }
    HRESULT InPlaceActivate(IOleClientSite* site, HWND parent, bool uiActivate);
    HRESULT UIActivate();
    HRESULT CreateControlWindow(HWND parent, const RECT& position);
    void DestroyControlWindow();
    void SendViewChange();
    static LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    IOleClientSite* m_clientSite = nullptr;
    IOleAdviseHolder* m_oleAdvise = nullptr;
    IDataAdviseHolder* m_dataAdvise = nullptr;
    IAdviseSink* m_viewSink = nullptr;
    DWORD m_viewAspects = 0;
    DWORD m_viewFlags = 0;

    // In-place state: the site that activated us, its frame and document window while active.
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    IOleInPlaceFrame* m_frame = nullptr;
    IOleInPlaceUIWindow* m_document = nullptr;
    bool m_inPlaceActive = false;
    bool m_uiActive = false;
    bool m_windowless = false;
    HWND m_controlWindow = nullptr;
    RECT m_position = {0, 0, 0, 0};
};

#endif
