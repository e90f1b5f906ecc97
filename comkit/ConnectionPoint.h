// Connection points: where hosts advise their event sinks, and the container that finds them.
#ifndef COMKIT_CONNECTIONPOINT_H
#define COMKIT_CONNECTIONPOINT_H

#include <windows.h>
#include <ocidl.h>

#include <vector>

// Sinks live in slots: 4 at the first Advise, doubling when full; a new sink takes the first
// empty slot and its cookie is that slot's number from 1; Unadvise empties the slot for reuse.
class SinkArray {
public:
    ~SinkArray() { Clear(); }
    DWORD Add(IUnknown* sink);         // takes the reference given; returns the cookie
    bool Remove(DWORD cookie);         // releases the sink of that slot
    int SlotCount() const { return static_cast<int>(m_slots.size()); }
    IUnknown* At(int slot) const { return slot < SlotCount() ? m_slots[static_cast<size_t>(slot)] : nullptr; }
    void Clear();

private:
    std::vector<IUnknown*> m_slots;
};

// One outgoing interface of an object. Its lifetime is the owner's: AddRef and Release go to the
// container, which is the object itself.
class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* container, const IID& iid) : m_container(container), m_iid(iid) {}
    virtual ~ConnectionPoint() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_container->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_container->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    const IID& Iid() const { return m_iid; }
    const SinkArray& Sinks() const { return m_sinks; }

private:
    IConnectionPointContainer* m_container;
    IID m_iid;
    SinkArray m_sinks;
};

// The container side, over an ordered list of points.
HRESULT FindConnectionPointIn(ConnectionPoint* const* points, int count, REFIID iid, IConnectionPoint** out);
HRESULT EnumConnectionPointsOf(ConnectionPoint* const* points, int count, IEnumConnectionPoints** out);

#endif
