// Directory listings: EnumFiles (events and the FileListing text) and FileExists (a count),
// over the line parser of the listing library.
#include "FtpOperation.h"

#include <vector>

#include "Bstr.h"
#include "FileListingText.h"
#include "ListDate.h"
#include "ListLineParser.h"
#include "ListLineSplitter.h"
#include "SocketHelpers.h"
#include "TransferEnds.h"

namespace {
// Listings are read in blocks and cut into lines by the splitter, which gives exactly the lines
// a byte-by-byte reader would see.
const int kListingBlock = 1 << 16;

// The host's messages are served while lines arrive, but at most every few milliseconds: a pump
// (and its yield) per line would cost a big listing most of its time.
const DWORD kLinePumpInterval = 5;
// While no bytes wait: how long one wait for the next lasts before the host's messages are served.
const long kIdleWait = 5000;  // microseconds

class LinePump {
public:
    explicit LinePump(CDorvikFTPCtrl* control) : m_control(control), m_last(GetTickCount() - kLinePumpInterval) {}
    void AfterLine()
    {
        DWORD now = GetTickCount();
        if (now - m_last < kLinePumpInterval)
            return;
        m_last = now;
        PumpMessages(m_control);
    }

private:
    CDorvikFTPCtrl* m_control;
    DWORD m_last;
};
} // namespace

CStr CDorvikFTPCtrl::StartListing(DataTransfer& listing, const CStr& argument)
{
    // A connection taken away under the call makes the opening fail without touching the
    // sockets; the operation then reports it as such, whatever text is returned here.
    const CStr command = argument.IsEmpty() ? CStr("LIST\r\n") : CStr::Format("LIST %s\r\n", argument.c_str());
    switch (OpenDataPhase(listing, 'A', command, false)) {
    case PhaseOpen:
    case PhaseAborted:  // the caller reports an abort, which ends the listing at once
        return CStr();
    case PhaseTimedOut:
        return "Timeout";
    case PhaseNoConnection:
        return "Failure! - " + listing.finalText;
    case PhaseGone:
        return kClosedUnderCallText;
    default:
        return "Failure! - " + m_strLastServerResponseText;
    }
}

CDorvikFTPCtrl::ListingEnd CDorvikFTPCtrl::ReadListing(DataTransfer& listing, bool keepLineFeeds,
                                                       const std::function<void(const CStr&)>& onLine)
{
    ControlHold hold(this);
    const unsigned serial = m_connection.serial;
    const SOCKET s = listing.sock;
    // Only an abort before the data phase leaves no data connection.
    if (s == INVALID_SOCKET)
        return m_bAbort ? ListingAborted : ListingBroken;
    ListLineSplitter splitter(keepLineFeeds ? LineFeedRule::Keep : LineFeedRule::Drop);
    LinePump pump(this);
    std::vector<char> block(kListingBlock);
    CStr line;
    m_tOperationStart = NowSeconds();
    for (;;) {
        int received = 0;
        int n;
        while ((n = recv(s, block.data(), kListingBlock, 0)) > 0) {
            received += n;
            splitter.Feed(block.data(), n);
            while (splitter.NextLine(line)) {
                onLine(line);
                pump.AfterLine();
                if (ConnectionGone(serial))
                    return ListingSuperseded;
                // An Abort from a handler of the line ends the listing here, not at its end.
                if (m_bAbort)
                    return ListingAborted;
            }
        }
        int error = (n < 0) ? WSAGetLastError() : 0;
        if (received > 0)
            m_tOperationStart = NowSeconds();
        if (n == 0)
            return ListingComplete;
        if (error != WSAEWOULDBLOCK && error != 0)
            return ListingBroken;
        if (WaitExpired(m_tOperationStart, m_nTimeout)) {
            m_strErrorDetail = "Timeout!";
            WSASetLastError(WSAETIMEDOUT);
            return ListingBroken;
        }
        WaitForData(s, kIdleWait);
        PumpMessages(this);
        if (ConnectionGone(serial))
            return ListingSuperseded;
        if (m_bAbort)
            return ListingAborted;
    }
}

STDMETHODIMP CDorvikFTPCtrl::EnumFiles(BSTR FileMask)
try {
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr mask = AnsiFromBstr(FileMask);
    if (!IsSafeCommandArgument(mask))
        return Error(UnsafeArgumentText("file mask"));
    m_strFileListing.Empty();
    op.Begin(DFTP_STATE_LISTING, DFTP_STATE_LOGGEDIN);
    if (SendCommand("SYST\r\n"))
        ReadReply(&m_sockControl);
    const bool windowsServer = IsWindowsSystReply(m_strLastServerResponseText);

    DataTransfer listing(CStr(), mask, 0, false);
    CStr failure = StartListing(listing, mask);
    if (!failure.IsEmpty())
        return op.Fail(failure);
    const double now = CurrentLocalOleDate();
    ListingEnd end = ReadListing(listing, false, [&](const CStr& text) {
        std::optional<FtpListEntry> entry = ParseListLine(text, windowsServer, now);
        if (!entry)
            return;
        Fire_EnumFile(entry->Filename, entry->FileSize, entry->User, entry->Group, entry->FileDate,
                      entry->FileFlags);
        m_strFileListing += FileListingLine(*entry);
    });
    if (end == ListingSuperseded)
        return op.Fail(kClosedUnderCallText);
    // A listing cut short is not the directory: the entries that came stand, but the call fails.
    failure = FinishListing(this, listing, end);
    return failure.IsEmpty() ? op.Succeed() : op.Fail(failure);
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::FileExists(BSTR Filename, long* ret)
try {
    if (!ret)
        return E_POINTER;
    *ret = 0;
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    CStr name = AnsiFromBstr(Filename);
    if (!IsSafeCommandArgument(name))
        return Error(UnsafeArgumentText("file name"));
    op.Begin(DFTP_STATE_LISTING, DFTP_STATE_LOGGEDIN);
    DataTransfer listing(CStr(), name, 0, false);
    CStr failure = StartListing(listing, name);
    if (!failure.IsEmpty())
        return op.Fail(failure);
    long found = 0;
    ListingEnd end = ReadListing(listing, true, [&](const CStr& text) {
        if (CountsForFileExists(text))
            ++found;
    });
    if (end == ListingSuperseded)
        return op.Fail(kClosedUnderCallText);
    // A count from a listing cut short would say "not there" of a name that may well be.
    failure = FinishListing(this, listing, end);
    if (!failure.IsEmpty())
        return op.Fail(failure);
    *ret = found;
    return op.Succeed();
}
COMKIT_METHOD_CATCH
