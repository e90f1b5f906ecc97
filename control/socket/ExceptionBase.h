// CObject and CException: the small part of a class library's object root that the socket
// wrapper's exception needs. An exception is thrown as a heap pointer; whoever catches it reads
// what it wants and releases it with Delete(), which frees it only when it was made to be freed.
#ifndef DORVIK_EXCEPTIONBASE_H
#define DORVIK_EXCEPTIONBASE_H

#include <windows.h>

// The dynamic-class record: a name and the record of the base class, for IsKindOf.
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    static const CRuntimeClass classCObject;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // The serialisation hook: nothing of ours is archived.
    virtual void Serialize(void* archive);

    BOOL IsKindOf(const CRuntimeClass* cls) const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

class CException : public CObject {
public:
    static const CRuntimeClass classCException;

    const CRuntimeClass* GetRuntimeClass() const override;

    // Frees the object when it was created to be freed by its catcher; a no-op otherwise.
    void Delete();

    // The text of the error, cut to fit max - 1 characters and a NUL. FALSE when there is none.
    virtual BOOL GetErrorMessage(char* buffer, UINT max, UINT* helpContext = nullptr) const;
    // The same through a non-const object, kept in its own slot for callers built against the
    // older form of the class; it asks the const one, so an override of that one answers both.
    virtual BOOL GetErrorMessage(char* buffer, UINT max, UINT* helpContext = nullptr);
    // Shows the text in a message box; returns the box's answer, or 0 when there is no text.
    virtual int ReportError(UINT type = MB_OK, UINT fallbackMessageId = 0);

protected:
    explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}

public:
    BOOL m_bAutoDelete;
};

#endif
