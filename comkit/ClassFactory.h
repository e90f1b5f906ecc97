// The class factory a library hands out from DllGetClassObject: created once, cached until the
// module terminates; its own references do not keep the library loaded (LockServer does).
#ifndef COMKIT_CLASSFACTORY_H
#define COMKIT_CLASSFACTORY_H

#include <windows.h>
#include <unknwn.h>

typedef HRESULT (*InstanceCreator)(IUnknown* outer, REFIID iid, void** out);

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(InstanceCreator creator) : m_creator(creator) {}
    virtual ~ClassFactory() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    InstanceCreator m_creator;
    volatile LONG m_refs = 0;
};

// One row of the object map.
struct ClassEntry {
    const CLSID* clsid;
    InstanceCreator creator;
    HRESULT (*updateRegistry)(bool registering);
    ClassFactory* factory; // cached on first request
};

HRESULT GetClassObjectFrom(ClassEntry* map, REFCLSID clsid, REFIID iid, void** out);
// Releases the factories cached in the map (at module termination).
void ReleaseClassObjects(ClassEntry* map);

#endif
