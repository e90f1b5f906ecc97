// MPut and MGet: folder trees up and down, one Put or Get per file, made through the control's
// own interface so that every file transfer fires its own events and reports its own errors.
#include "ControlChannel.h"

#include "Bstr.h"
#include "ListLineParser.h"

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

} // namespace

STDMETHODIMP CDorvikFTPCtrl::MPut(BSTR LocalPath)
try {
    ControlHold hold(this);
    std::set<std::string> visited;
    HRESULT result = S_OK;
    for (const CStr& entry : SplitEntries(AnsiFromBstr(LocalPath)))
        result = PutTree(entry, 0, visited);
    return result;
}
COMKIT_METHOD_CATCH

HRESULT CDorvikFTPCtrl::PutTree(const CStr& item, int depth, std::set<std::string>& visited)
{
    IDorvikFTPCtrl* self = this;
    HRESULT result = S_OK;
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
            return result;
        do {
            CStr name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            CStr path = base + name;
            DWORD a = GetFileAttributesA(path);
            if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) {
                folders.push_back(name);
                continue;
            }
            result = self->Put(CBstr(path).get(), CBstr(name).get(), 0);
            if (FAILED(result))
                break;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (folders.empty() || result != S_OK)
        return result;

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
            return Error(CStr::Format("MPut: the folder tree is deeper than %d levels at %s", kMaxTreeDepth,
                                      local.c_str()));
        // The folder may exist already: only entering it decides.
        self->Quote(CBstr("MKD " + name).get());
        CStr made = m_strLastServerResponseText;
        if (FAILED(self->put_CurrentWorkingDirectory(CBstr(name).get()))) {
            skipped = CStr::Format("MPut: the remote folder %s could not be made or entered: %s", name.c_str(),
                                   made.c_str());
            continue;
        }
        result = PutTree(base + name + "/" + mask, depth + 1, visited);
        HRESULT back = self->put_CurrentWorkingDirectory(CBstr(CStr("..")).get());
        if (FAILED(result))
            return result;
        if (FAILED(back))
            return back;
    }
    if (SUCCEEDED(result) && !skipped.IsEmpty())
        return Error(skipped);
    return result;
}

STDMETHODIMP CDorvikFTPCtrl::MGet(BSTR RemoteFiles, BSTR LocalFolder)
try {
    if (m_bBusy)
        return Error("Busy.");
    std::vector<CStr> entries = SplitEntries(AnsiFromBstr(RemoteFiles));
    for (const CStr& entry : entries)
        if (!IsSafeCommandArgument(entry))
            return Error(UnsafeArgumentText("remote file mask"));
    if (entries.empty())
        return S_OK;
    // An empty folder would put every file at the root of the drive.
    if (SysStringLen(LocalFolder) == 0)
        return Error("MGet: no local folder given.");
    ControlHold hold(this);
    // Made absolute once, so that the folder means the same at every depth.
    CStr folder = Slashed(FullLocalPath(AnsiFromBstr(LocalFolder)));
    std::set<std::string> visited;
    m_bAbort = FALSE;
    return GetTree(entries, folder, 0, visited);
}
COMKIT_METHOD_CATCH

HRESULT CDorvikFTPCtrl::GetTree(const std::vector<CStr>& entries, const CStr& localFolder, int depth,
                                std::set<std::string>& visited)
{
    IDorvikFTPCtrl* self = this;
    const unsigned serial = m_connection.serial;
    CStr folder = localFolder;
    if (!folder.EndsWith("/"))
        folder += '/';
    visited.insert(VisitKey(m_strCurrentWorkingDirectory, false));
    for (const CStr& entry : entries) {
        // Busy through the whole listing, so that no other command runs into its replies.
        m_bBusy = TRUE;
        SetState(DFTP_STATE_LISTING);
        if (Superseded(serial))
            return Error(kClosedUnderCallText);
        CStr failure = StartListing(entry);
        if (Superseded(serial))
            return Error(kClosedUnderCallText);
        if (!failure.IsEmpty()) {
            m_bBusy = FALSE;
            SetState(DFTP_STATE_LOGGEDIN);
            return Error(failure);
        }
        std::vector<CStr> files;
        std::vector<CStr> folders;
        ListingEnd end = ReadListing(false, [&](const CStr& line) {
            MGetListItem item = ClassifyMGetLine(line);
            if (item.Kind == MGetItemKind::File)
                files.push_back(item.Name);
            else if (item.Kind == MGetItemKind::Folder)
                folders.push_back(item.Name);
        });
        if (end == ListingSuperseded)
            return Error(kClosedUnderCallText);
        bool aborted = (end == ListingAborted) || m_bAbort;
        EndDataTransfer(end != ListingComplete);
        if (Superseded(serial))
            return Error(kClosedUnderCallText);
        m_bBusy = FALSE;
        SetState(DFTP_STATE_LOGGEDIN);
        if (aborted)
            return Error("Aborted");

        for (const CStr& name : files) {
            HRESULT hr = self->Get(CBstr(name).get(), CBstr(folder + name).get(), 0);
            if (FAILED(hr))
                return hr;
        }
        for (const CStr& name : folders) {
            CStr local = folder + name;
            if (!CreateDirectoryA(local, nullptr)) {
                DWORD a = GetFileAttributesA(local);
                if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY))
                    continue;
            }
            // A folder that cannot be entered is skipped: listing it again here would only
            // repeat this level one folder deeper.
            if (FAILED(self->put_CurrentWorkingDirectory(CBstr(name).get())))
                continue;
            HRESULT hr = S_OK;
            if (!visited.count(VisitKey(m_strCurrentWorkingDirectory, false))) {
                if (depth >= kMaxTreeDepth)
                    return Error(CStr::Format("MGet: the folder tree is deeper than %d levels at %s", kMaxTreeDepth,
                                              m_strCurrentWorkingDirectory.c_str()));
                hr = GetTree(entries, local, depth + 1, visited);
                if (FAILED(hr))
                    return hr;
            }
            hr = self->put_CurrentWorkingDirectory(CBstr(CStr("..")).get());
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}
