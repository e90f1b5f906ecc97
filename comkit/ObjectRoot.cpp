#include "ObjectRoot.h"

HRESULT WalkInterfaceTable(void* self, const InterfaceEntry* table, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (const InterfaceEntry* e = table; e->iid; ++e) {
        if (IsEqualIID(iid, *e->iid) || (e == table && IsEqualIID(iid, IID_IUnknown))) {
            IUnknown* p = e->cast(self);
            p->AddRef();
            *out = p;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}
