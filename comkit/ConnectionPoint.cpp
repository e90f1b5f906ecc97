#include "ConnectionPoint.h"

#include <olectl.h>

#include <new>

DWORD SinkArray::Add(IUnknown* sink)
{
    for (size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i]) {
            m_slots[i] = sink;
            return static_cast<DWORD>(i + 1);
        }
    }
    size_t used = m_slots.size();
    m_slots.resize(used == 0 ? 4 : used * 2, nullptr);
    m_slots[used] = sink;
    return static_cast<DWORD>(used + 1);
}

bool SinkArray::Remove(DWORD cookie)
{
    if (cookie == 0 || cookie > m_slots.size() || !m_slots[cookie - 1])
        return false;
    IUnknown* sink = m_slots[cookie - 1];
    m_slots[cookie - 1] = nullptr;
    sink->Release();
    return true;
}

void SinkArray::Clear()
{
    for (IUnknown*& sink : m_slots) {
        IUnknown* p = sink;
        sink = nullptr;
        if (p)
            p->Release();
    }
}

namespace {

// Snapshot enumerators: they hold references of their own, so they outlive changes to the lists.
template <class Enum, class Item>
class SnapshotEnum : public Enum {
public:
    explicit SnapshotEnum(const std::vector<Item>& items, size_t at = 0) : m_items(items), m_at(at)
    {
        for (Item& item : m_items)
            AddRefItem(item);
    }
    virtual ~SnapshotEnum()
    {
        for (Item& item : m_items)
            ReleaseItem(item);
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, EnumIid())) {
            *out = static_cast<Enum*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP Next(ULONG wanted, Item* out, ULONG* fetched) override
    {
        if (!out || (wanted > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        while (n < wanted && m_at < m_items.size()) {
            out[n] = m_items[m_at++];
            AddRefItem(out[n]);
            ++n;
        }
        if (fetched)
            *fetched = n;
        return n == wanted ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        size_t left = m_items.size() - m_at;
        m_at += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override { m_at = 0; return S_OK; }
    STDMETHODIMP Clone(Enum** out) override
    {
        if (!out)
            return E_POINTER;
        SnapshotEnum* copy = new (std::nothrow) SnapshotEnum(m_items, m_at);
        if (!copy)
            return E_OUTOFMEMORY;
        copy->AddRef();
        *out = copy;
        return S_OK;
    }

private:
    static const IID& EnumIid();
    static void AddRefItem(Item& item);
    static void ReleaseItem(Item& item);

    volatile LONG m_refs = 0;
    std::vector<Item> m_items;
    size_t m_at;
};

template <> const IID& SnapshotEnum<IEnumConnections, CONNECTDATA>::EnumIid() { return IID_IEnumConnections; }
template <> void SnapshotEnum<IEnumConnections, CONNECTDATA>::AddRefItem(CONNECTDATA& c) { c.pUnk->AddRef(); }
template <> void SnapshotEnum<IEnumConnections, CONNECTDATA>::ReleaseItem(CONNECTDATA& c) { c.pUnk->Release(); }
template <> const IID& SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>::EnumIid() { return IID_IEnumConnectionPoints; }
template <> void SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>::AddRefItem(IConnectionPoint*& p) { p->AddRef(); }
template <> void SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>::ReleaseItem(IConnectionPoint*& p) { p->Release(); }

template <class Enum, class Item>
HRESULT HandOut(const std::vector<Item>& items, Enum** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    SnapshotEnum<Enum, Item>* e = nullptr;
    try {
        e = new (std::nothrow) SnapshotEnum<Enum, Item>(items);
    } catch (...) {
        e = nullptr;
    }
    if (!e)
        return E_OUTOFMEMORY;
    e->AddRef();
    *out = e;
    return S_OK;
}

} // namespace

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out)
{
    if (!out)
        return E_POINTER;
    m_container->AddRef();
    *out = m_container;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    IUnknown* held = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&held))) || !held)
        return CONNECT_E_CANNOTCONNECT;
    try {
        *cookie = m_sinks.Add(held);
    } catch (...) {
        held->Release();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie)
{
    return m_sinks.Remove(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out)
{
    std::vector<CONNECTDATA> items;
    try {
        for (int i = 0; i < m_sinks.SlotCount(); ++i)
            if (IUnknown* sink = m_sinks.At(i))
                items.push_back({sink, static_cast<DWORD>(i + 1)});
        return HandOut(items, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT FindConnectionPointIn(ConnectionPoint* const* points, int count, REFIID iid, IConnectionPoint** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (int i = 0; i < count; ++i) {
        if (IsEqualIID(points[i]->Iid(), iid)) {
            points[i]->AddRef();
            *out = points[i];
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT EnumConnectionPointsOf(ConnectionPoint* const* points, int count, IEnumConnectionPoints** out)
{
    try {
        std::vector<IConnectionPoint*> items(points, points + count);
        return HandOut(items, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
