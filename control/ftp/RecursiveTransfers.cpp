// MPut and MGet: folder trees up and down, one Put or Get per file, made through the control's
// own interface so that every file transfer fires its own events and reports its own errors.
#include "FtpOperation.h"

#include "Bstr.h"
#include "ListLineParser.h"
#include "TransferEnds.h"

namespace {

// Deeper trees are nearly always a loop the visited set could not see (links, junctions).
const int kMaxTreeDepth = 64;

std::vector<CStr> SplitEntries(const CStr& list)
{
    std::vector<CStr> entries;
    int start = 0;
    for (;;) {
        int semicolon = list.Find(';', start);
        CStr entry = list.Mid(start, semicolon == CStr::npos ? CStr::npos : semicolon - start);
        // The list ends at its first empty entry.
        if (entry.IsEmpty())
            break;
        entries.push_back(entry);
        if (semicolon == CStr::npos)
            break;
        start = semicolon + 1;
    }
    return entries;
}

CStr Slashed(CStr text)
{
    text.Replace("\\", "/");
    return text;
}

CStr FullLocalPath(const CStr& path)
{
    DWORD n = GetFullPathNameA(path, 0, nullptr, nullptr);
    if (n == 0)
        return path;
    std::vector<char> buffer(n + 1);
    n = GetFullPathNameA(path, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    return CStr(buffer.data(), static_cast<int>(n));
}

// Local names ignore letter case; a server's may not.
std::string VisitKey(CStr path, bool ignoreCase)
{
    path.Replace("\\", "/");
    if (ignoreCase)
        path.MakeUpper();
    while (path.GetLength() > 1 && path.EndsWith("/"))
        path.Truncate(path.GetLength() - 1);
    return path.str();
}

// One entry's listing for MGet, in an operation of its own: Busy and the listing state for its
// duration, so that no other command runs into its replies. Nothing of a listing cut short is
// kept: part of a folder is not the folder.
HRESULT ListForMGet(CDorvikFTPCtrl* control, const CStr& entry, std::vector<CStr>* files, std::vector<CStr>* folders)
{
    FtpOperation op(control, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    op.Begin(DFTP_STATE_LISTING, DFTP_STATE_LOGGEDIN);
    DataTransfer listing(CStr(), entry, 0, false);
    CStr failure = control->StartListing(listing, entry);
    if (!failure.IsEmpty())
        return op.Fail(failure);
    CDorvikFTPCtrl::ListingEnd end = control->ReadListing(listing, false, [&](const CStr& line) {
        MGetListItem item = ClassifyMGetLine(line);
        if (item.Kind == MGetItemKind::File)
            files->push_back(item.Name);
        else if (item.Kind == MGetItemKind::Folder)
            folders->push_back(item.Name);
    });
    if (end == CDorvikFTPCtrl::ListingSuperseded)
        return op.Fail(kClosedUnderCallText);
    const bool aborted = end == CDorvikFTPCtrl::ListingAborted || control->m_bAbort;
    failure = FinishListing(control, listing, end);
    if (aborted)
        return op.Fail("Aborted");
    return failure.IsEmpty() ? op.Succeed() : op.Fail(failure);
}

// One entry of an MPut list. *result is the one result of the whole call: every Put and every
// recursive call replaces it, an entry that makes none leaves it as it was, and an entry's
// folders are only entered while it is S_OK. The return is S_OK to go on with the next entry, or
// the failure of a recursive call or of a folder that could not be entered, which ends the whole
// MPut at once.
HRESULT PutEntry(CDorvikFTPCtrl* control, const CStr& item, int depth, std::set<std::string>& visited,
                 HRESULT* result)
{
    IDorvikFTPCtrl* self = control;
    CStr entry = Slashed(item);
    CStr base = entry;
    if (entry.EndsWith("/"))
        entry.Truncate(entry.GetLength() - 1);
    std::vector<CStr> folders;
    CStr mask;
    DWORD attributes = GetFileAttributesA(entry);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // A folder itself: nothing is sent at this level, the folder is made and entered.
        mask = "*";
        int slash = entry.ReverseFind('/');
        folders.push_back(entry.Mid(slash + 1));
        base = entry.Left(slash + 1);
    } else {
        int slash = entry.ReverseFind('/');
        base = entry.Left(slash + 1);
        mask = entry.Mid(slash + 1);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(entry, &found);
        if (search == INVALID_HANDLE_VALUE)
            return S_OK;
        do {
            CStr name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            CStr path = base + name;
            // The search has read the attributes already; asking again would cost a call a file.
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folders.push_back(name);
                continue;
            }
            *result = self->Put(CBstr(path).get(), CBstr(name).get(), 0);
            if (FAILED(*result))
                break;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (folders.empty() || *result != S_OK)
        return S_OK;

    CStr skipped;  // a folder whose files could not go up: the host must hear of it
    for (const CStr& name : folders) {
        CStr local = base + name;
        DWORD a = GetFileAttributesA(local);
        // A link or junction may lead back up the tree or out of it.
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        if (!visited.insert(VisitKey(FullLocalPath(local), true)).second)
            continue;
        if (depth >= kMaxTreeDepth)
            return control->Error(CStr::Format("MPut: the folder tree is deeper than %d levels at %s", kMaxTreeDepth,
                                               local.c_str()));
        // The folder may exist already: only entering it decides.
        self->Quote(CBstr("MKD " + name).get());
        CStr made = control->m_strLastServerResponseText;
        if (FAILED(self->put_CurrentWorkingDirectory(CBstr(name).get()))) {
            skipped = CStr::Format("MPut: the remote folder %s could not be made or entered: %s", name.c_str(),
                                   made.c_str());
            continue;
        }
        // The recursive call is a call of its own, with its own result.
        HRESULT inner = S_OK;
        HRESULT stop = PutEntry(control, base + name + "/" + mask, depth + 1, visited, &inner);
        *result = FAILED(stop) ? stop : inner;
        HRESULT back = self->put_CurrentWorkingDirectory(CBstr(CStr("..")).get());
        if (FAILED(*result))
            return *result;
        if (FAILED(back))
            return back;
    }
    if (!skipped.IsEmpty())
        return control->Error(skipped);
    return S_OK;
}

} // namespace

STDMETHODIMP CDorvikFTPCtrl::MPut(BSTR LocalPath)
try {
    // Admitted like every FTP method, but never Busy itself: each Put, Quote and change of folder
    // it makes runs in its own operation.
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    std::set<std::string> visited;
    HRESULT result = S_OK;
    for (const CStr& entry : SplitEntries(AnsiFromBstr(LocalPath))) {
        HRESULT stop = PutEntry(this, entry, 0, visited, &result);
        if (FAILED(stop))
            return stop;
    }
    return result;
}
COMKIT_METHOD_CATCH

STDMETHODIMP CDorvikFTPCtrl::MGet(BSTR RemoteFiles, BSTR LocalFolder)
try {
    // Busy only while it lists; each Get and each change of folder runs in its own operation.
    FtpOperation op(this, FtpOperation::NeedsConnection);
    if (!op.Admitted())
        return op.Refusal();
    std::vector<CStr> entries = SplitEntries(AnsiFromBstr(RemoteFiles));
    for (const CStr& entry : entries)
        if (!IsSafeCommandArgument(entry))
            return Error(UnsafeArgumentText("remote file mask"));
    if (entries.empty())
        return S_OK;
    // An empty folder would put every file at the root of the drive.
    if (SysStringLen(LocalFolder) == 0)
        return Error("MGet: no local folder given.");
    // Made absolute once, so that the folder means the same at every depth.
    CStr folder = Slashed(FullLocalPath(AnsiFromBstr(LocalFolder)));
    std::set<std::string> visited;
    return GetTree(entries, folder, 0, visited);
}
COMKIT_METHOD_CATCH

HRESULT CDorvikFTPCtrl::GetTree(const std::vector<CStr>& entries, const CStr& localFolder, int depth,
                                std::set<std::string>& visited)
{
    IDorvikFTPCtrl* self = this;
    CStr folder = localFolder;
    if (!folder.EndsWith("/"))
        folder += '/';
    // Keyed on the folder text MGet builds itself, level by level from the listed names: the
    // server's idea of its current directory may lag behind (a CWD answered with 200, a PWD
    // reply without quotes) and would make unvisited folders look visited.
    visited.insert(VisitKey(folder, false));
    CStr skipped;  // a folder whose files could not come
    for (const CStr& entry : entries) {
        std::vector<CStr> files;
        std::vector<CStr> folders;
        HRESULT hr = ListForMGet(this, entry, &files, &folders);
        if (FAILED(hr))
            return hr;
        for (const CStr& name : files) {
            hr = self->Get(CBstr(name).get(), CBstr(folder + name).get(), 0);
            if (FAILED(hr))
                return hr;
        }
        for (const CStr& name : folders) {
            CStr local = folder + name;
            // Listed again by a later entry of the same level: fetched once is enough.
            if (visited.count(VisitKey(local, false)))
                continue;
            if (depth >= kMaxTreeDepth)
                return Error(CStr::Format("MGet: the folder tree is deeper than %d levels at %s", kMaxTreeDepth,
                                          local.c_str()));
            // A folder that cannot be made or entered is skipped (listing it again here would
            // only repeat this level one folder deeper), but its files did not come: the host
            // hears of it once the rest of this level is in.
            if (!CreateDirectoryA(local, nullptr)) {
                DWORD a = GetFileAttributesA(local);
                if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) {
                    skipped = CStr::Format("MGet: the local folder %s could not be made (code %ld)", local.c_str(),
                                           static_cast<long>(GetLastError()));
                    continue;
                }
            }
            if (FAILED(self->put_CurrentWorkingDirectory(CBstr(name).get()))) {
                skipped = CStr::Format("MGet: the remote folder %s could not be entered: %s", name.c_str(),
                                       m_strLastServerResponseText.c_str());
                continue;
            }
            hr = GetTree(entries, local, depth + 1, visited);
            if (FAILED(hr))
                return hr;
            hr = self->put_CurrentWorkingDirectory(CBstr(CStr("..")).get());
            if (FAILED(hr))
                return hr;
        }
    }
    if (!skipped.IsEmpty())
        return Error(skipped);
    return S_OK;
}
