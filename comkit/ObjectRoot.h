// Reference counting, interface tables and aggregation for our COM objects.
#ifndef COMKIT_OBJECTROOT_H
#define COMKIT_OBJECTROOT_H

#include <windows.h>
#include <unknwn.h>

#include <climits>
#include <new>

// One row of an object's interface table: the first row whose identifier matches answers
// QueryInterface; IID_IUnknown is answered by the first row.
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*cast)(void* self);
};

template <class Object, class Interface>
IUnknown* CastTo(void* self) { return static_cast<Interface*>(static_cast<Object*>(self)); }

// For an interface the object inherits along more than one path: the row names the path.
template <class Object, class Via, class Interface>
IUnknown* CastVia(void* self) { return static_cast<Interface*>(static_cast<Via*>(static_cast<Object*>(self))); }

HRESULT WalkInterfaceTable(void* self, const InterfaceEntry* table, REFIID iid, void** out);

class ObjectRoot {
public:
    ULONG InternalAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    // True when this release ended the object's life; later AddRef/Release pairs made while it is
    // being destroyed can never reach zero again, so the object is not deleted twice.
    bool InternalRelease(ULONG* left)
    {
        LONG n = InterlockedDecrement(&m_refs);
        *left = static_cast<ULONG>(n);
        if (n != 0)
            return false;
        m_refs = LONG_MAX / 2;
        return true;
    }
    IUnknown* OuterUnknown() const { return m_outer; }
    void SetOuterUnknown(IUnknown* outer) { m_outer = outer; }

private:
    volatile LONG m_refs = 0;
    IUnknown* m_outer = nullptr; // controlling unknown when aggregated, not counted
};

// The IUnknown that every interface of Object shares: it goes to the controlling unknown when
// the object is aggregated, else to the object's own table and count.
#define COMKIT_DELEGATING_IUNKNOWN(Object)                                                    \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override                            \
    {                                                                                       \
        if (OuterUnknown())                                                                 \
            return OuterUnknown()->QueryInterface(iid, out);                                \
        return InternalQueryInterface(iid, out);                                            \
    }                                                                                       \
    STDMETHODIMP_(ULONG) AddRef() override                                                  \
    {                                                                                       \
        return OuterUnknown() ? OuterUnknown()->AddRef() : InternalAddRef();                \
    }                                                                                       \
    STDMETHODIMP_(ULONG) Release() override                                                 \
    {                                                                                       \
        return OuterUnknown() ? OuterUnknown()->Release() : ReleaseAndMaybeDelete();        \
    }                                                                                       \
    HRESULT InternalQueryInterface(REFIID iid, void** out)                                  \
    {                                                                                       \
        return WalkInterfaceTable(this, Object::InterfaceTable(), iid, out);               \
    }                                                                                       \
    ULONG ReleaseAndMaybeDelete()                                                           \
    {                                                                                       \
        ULONG left;                                                                         \
        if (InternalRelease(&left))                                                         \
            delete this;                                                                    \
        return left;                                                                        \
    }

// The non-delegating unknown an aggregating outer object holds.
template <class Object>
class InnerUnknown : public IUnknown {
public:
    explicit InnerUnknown(Object* object) : m_object(object) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_object->InternalQueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_object->InternalAddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_object->ReleaseAndMaybeDelete(); }

private:
    Object* m_object;
};

// Creates one Object, aggregated inside outer when given. Object needs a default constructor,
// FinalConstruct() returning an HRESULT, and a member InnerUnknown<Object> m_inner.
template <class Object>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer && !IsEqualIID(iid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    Object* object = nullptr;
    try {
        object = new (std::nothrow) Object();
    } catch (...) {
        object = nullptr;
    }
    if (!object)
        return E_OUTOFMEMORY;
    object->SetOuterUnknown(outer);
    object->InternalAddRef();
    HRESULT hr = object->FinalConstruct();
    if (SUCCEEDED(hr))
        hr = outer ? object->m_inner.QueryInterface(iid, out) : object->InternalQueryInterface(iid, out);
    object->ReleaseAndMaybeDelete();
    return hr;
}

#endif
