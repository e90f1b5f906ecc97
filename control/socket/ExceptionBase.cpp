// The object root and the exception base of the socket wrapper's exception.
#include "ExceptionBase.h"

const CRuntimeClass CObject::classCObject = {"CObject", nullptr};
const CRuntimeClass CException::classCException = {"CException", &CObject::classCObject};

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base)
            return TRUE;
    return FALSE;
}

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return &classCObject;
}

void CObject::Serialize(void*)
{
}

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const
{
    return GetRuntimeClass()->IsDerivedFrom(cls);
}

const CRuntimeClass* CException::GetRuntimeClass() const
{
    return &classCException;
}

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::GetErrorMessage(char* buffer, UINT max, UINT* helpContext) const
{
    if (helpContext)
        *helpContext = 0;
    if (buffer && max > 0)
        buffer[0] = '\0';
    return FALSE;
}

BOOL CException::GetErrorMessage(char* buffer, UINT max, UINT* helpContext)
{
    return static_cast<const CException*>(this)->GetErrorMessage(buffer, max, helpContext);
}

int CException::ReportError(UINT type, UINT fallbackMessageId)
{
    char text[512];
    if (GetErrorMessage(text, sizeof(text), nullptr))
        return MessageBoxA(nullptr, text, nullptr, type);
    if (fallbackMessageId != 0) {
        char fallback[512];
        if (LoadStringA(nullptr, fallbackMessageId, fallback, sizeof(fallback)) > 0)
            return MessageBoxA(nullptr, fallback, nullptr, type);
    }
    return 0;
}
