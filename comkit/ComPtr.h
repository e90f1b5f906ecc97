// Owning interface pointer: one reference, released when the holder goes.
#ifndef COMKIT_COMPTR_H
#define COMKIT_COMPTR_H

#include <windows.h>
#include <unknwn.h>

template <class T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
    ~CComPtr() { Release(); }
    CComPtr& operator=(const CComPtr& other)
    {
        if (other.m_p)
            other.m_p->AddRef();
        Release();
        m_p = other.m_p;
        return *this;
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out parameters: drops what is held and hands out the slot.
    T** out() { Release(); return &m_p; }
    void** outVoid() { return reinterpret_cast<void**>(out()); }
    void Release() { if (m_p) { T* p = m_p; m_p = nullptr; p->Release(); } }
    T* detach() { T* p = m_p; m_p = nullptr; return p; }

private:
    T* m_p = nullptr;
};

// Holds an object alive across calls into code that may release it (a container calling back).
class KeepAlive {
public:
    explicit KeepAlive(IUnknown* object) : m_object(object) { m_object->AddRef(); }
    ~KeepAlive() { m_object->Release(); }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    IUnknown* m_object;
};

#endif
