#include "DataTransfer.h"

#include "AsyncTransfer.h"
#include "SocketHelpers.h"

namespace {
// Never 0, so that 0 can stand for "no transfer" in a notice.
unsigned NextTransferSerial()
{
    static volatile LONG last = 0;
    LONG serial = InterlockedIncrement(&last);
    if (serial == 0)
        serial = InterlockedIncrement(&last);
    return static_cast<unsigned>(serial);
}
} // namespace

DataTransfer::DataTransfer(const CStr& localName, const CStr& remoteName, long startOffset, bool isUpload)
    : serial(NextTransferSerial()), local(localName), remote(remoteName), offset(startOffset), upload(isUpload),
      count(startOffset)
{
}

DataTransfer::~DataTransfer()
{
    CloseConnection(upload && !allSent);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    ReleaseDownloadWorker(worker);
}

void DataTransfer::CloseConnection(bool reset)
{
    if (sock == INVALID_SOCKET)
        return;
    if (reset)
        ResetOnClose(sock);
    else
        shutdown(sock, SD_BOTH);
    closesocket(sock);
    sock = INVALID_SOCKET;
}

long long DataTransfer::FilePosition() const
{
    LARGE_INTEGER zero = {}, at = {};
    SetFilePointerEx(file, zero, &at, FILE_CURRENT);
    return at.QuadPart;
}
