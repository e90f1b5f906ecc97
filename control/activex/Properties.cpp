// The plain property accessors: they store into and read from the members, nothing more.
#include "DorvikFTPCtrl.h"

#include "AsyncTransfer.h"
#include "Bstr.h"
#include "SocketHelpers.h"

namespace {

HRESULT GetLong(long value, long* out)
{
    if (!out)
        return E_POINTER;
    *out = value;
    return S_OK;
}

HRESULT PutText(CStr* member, BSTR value)
{
    try {
        *member = AnsiFromBstr(value);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::get_ServerName(BSTR* pVal) { return ReturnBstr(m_strServerName, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_ServerName(BSTR newVal) { return PutText(&m_strServerName, newVal); }
STDMETHODIMP CDorvikFTPCtrl::get_ServerPort(long* pVal) { return GetLong(m_nServerPort, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_ServerPort(long newVal) { m_nServerPort = newVal; return S_OK; }
STDMETHODIMP CDorvikFTPCtrl::get_Username(BSTR* pVal) { return ReturnBstr(m_strUsername, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_Username(BSTR newVal) { return PutText(&m_strUsername, newVal); }
STDMETHODIMP CDorvikFTPCtrl::get_Password(BSTR* pVal) { return ReturnBstr(m_strPassword, pVal); }
// A password that cannot be stored is not worth failing the host's call for.
STDMETHODIMP CDorvikFTPCtrl::put_Password(BSTR newVal) { PutText(&m_strPassword, newVal); return S_OK; }
STDMETHODIMP CDorvikFTPCtrl::get_LastServerResponse(long* pVal) { return GetLong(m_nLastServerResponse, pVal); }
STDMETHODIMP CDorvikFTPCtrl::get_CurrentWorkingDirectory(BSTR* pVal) { return ReturnBstr(m_strCurrentWorkingDirectory, pVal); }
STDMETHODIMP CDorvikFTPCtrl::get_BinaryMode(long* pVal) { return GetLong(m_nBinaryMode, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_BinaryMode(long newVal) { m_nBinaryMode = newVal; return S_OK; }
STDMETHODIMP CDorvikFTPCtrl::get_LastServerResponseText(BSTR* pVal) { return ReturnBstr(m_strLastServerResponseText, pVal); }
STDMETHODIMP CDorvikFTPCtrl::get_ProxyName(BSTR* pVal) { return ReturnBstr(m_strProxyName, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_ProxyName(BSTR newVal) { return PutText(&m_strProxyName, newVal); }
STDMETHODIMP CDorvikFTPCtrl::get_ProxyPort(long* pVal) { return GetLong(m_nProxyPort, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_ProxyPort(long newVal) { m_nProxyPort = newVal; return S_OK; }
STDMETHODIMP CDorvikFTPCtrl::get_ProxyUserID(BSTR* pVal) { return ReturnBstr(m_strProxyUserID, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_ProxyUserID(BSTR newVal) { return PutText(&m_strProxyUserID, newVal); }
STDMETHODIMP CDorvikFTPCtrl::get_Busy(long* pVal) { return GetLong(m_bBusy ? 1 : 0, pVal); }
STDMETHODIMP CDorvikFTPCtrl::get_PassiveMode(long* pVal) { return GetLong(m_nPassiveMode, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_PassiveMode(long newVal) { m_nPassiveMode = newVal; return S_OK; }
STDMETHODIMP CDorvikFTPCtrl::get_Timeout(long* pVal) { return GetLong(m_nTimeout, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_Timeout(long newVal) { m_nTimeout = newVal; return S_OK; }
STDMETHODIMP CDorvikFTPCtrl::get_ProgressID(BSTR* pVal) { return ReturnBstr(m_strProgressID, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_ProgressID(BSTR newVal) { return PutText(&m_strProgressID, newVal); }
STDMETHODIMP CDorvikFTPCtrl::get_MaxBandwidth(long* pVal) { return GetLong(m_nMaxBandwidth, pVal); }
STDMETHODIMP CDorvikFTPCtrl::put_MaxBandwidth(long newVal)
{
    m_nMaxBandwidth = newVal;
    // A running download follows the new limit from its next receive.
    SetDownloadBandwidth(m_asyncTransfer ? m_asyncTransfer->worker : nullptr, newVal);
    return S_OK;
}
STDMETHODIMP CDorvikFTPCtrl::get_FileListing(BSTR* pVal) { return ReturnBstr(m_strFileListing, pVal); }

// Only the socket is asked: connected and able to take bytes right now.
STDMETHODIMP CDorvikFTPCtrl::get_IsConnected(long* pVal)
try {
    // A connection the server closed or that broke is not one, however its socket reports.
    return GetLong(HasControlConnection() && IsSocketWritable(m_sockControl) ? 1 : 0, pVal);
}
COMKIT_METHOD_CATCH
