// The control's side of the progress block: it hands out fresh block names, reads the block
// named by ProgressID on request, and carries the writer's side for code that reports progress.
#include "DorvikFTPCtrl.h"

#include "Bstr.h"
#include "ProgressBlock.h"

STDMETHODIMP CDorvikFTPCtrl::CreateProgressID(BSTR* result)
try {
    return ReturnBstr(NewProgressBlockName(), result);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::GetProgressInfo(long* Bytes, long* result)
try {
    if (m_strProgressID.IsEmpty())
        return Error("ProgressID not set.");
    if (!Bytes || !result)
        return E_POINTER;
    // A block nobody has created reads as no progress and status 0.
    long bytes = 0, status = 0;
    ReadProgressMapping(m_strProgressID, &bytes, &status);
    *Bytes = bytes;
    *result = status;
    return S_OK;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::FreeProgressInfo()
try {
    CloseProgressHandle();
    return S_OK;
}
COMKIT_METHOD_CATCH

bool CDorvikFTPCtrl::ReadProgressMapping(const CStr& name, long* bytes, long* status)
{
    ProgressReading reading;
    if (!ReadProgressBlock(name, &m_hProgressMapping, &m_pProgressView, &reading))
        return false;
    *bytes = reading.bytes;
    *status = reading.status;
    m_hProgressHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(reading.alive));
    return true;
}

void CDorvikFTPCtrl::CloseProgressHandle()
{
    // The value came out of shared memory: it is the writer's handle, valid only in the
    // writer's process and owned by the writer. Closing it here would close an unrelated
    // handle of ours (or the writer's own, when it lives in this process), so it is only
    // forgotten.
    m_hProgressHandle = nullptr;
}

bool CDorvikFTPCtrl::CreateProgressMapping(const CStr& name)
{
    ReleaseProgressMapping();
    return CreateProgressBlock(name, &m_hProgressMapping, &m_pProgressView);
}

bool CDorvikFTPCtrl::UpdateProgressMapping(long bytes, long status)
{
    return UpdateProgressBlock(m_hProgressMapping, m_pProgressView, bytes, status);
}

void CDorvikFTPCtrl::ReleaseProgressMapping()
{
    CloseProgressBlock(&m_hProgressMapping, &m_pProgressView);
}
