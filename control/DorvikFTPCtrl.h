// CDorvikFTPCtrl: the one object of the DorvikFTP library, an invisible ActiveX control driven
// through IDorvikFTPCtrl. Its engine methods live in files of their own (connect, data
// connection, transfers, listings...); this header is the table of its members for all of them.
#ifndef DORVIK_DORVIKFTPCTRL_H
#define DORVIK_DORVIKFTPCTRL_H

#include <winsock2.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ActiveXFace.h"
#include "BuiltinFtpServer.h"
#include "CStr.h"
#include "DorvikFTP_h.h"
#include "EventProxy.h"
#include "DataTransfer.h"
#include "FtpConnection.h"
#include "MethodGuard.h"
#include "ObjectRoot.h"
#include "TypeInfoDispatch.h"

extern HINSTANCE g_hInstance;

// Messages of the hidden window (socket notices, worker reports).
#define WM_FTP_PROGRESS          (WM_USER + 11)
// A background transfer's own notices (the worker's end, the upload's next piece): wParam is the
// transfer's serial, lParam the event and error as WinSock puts them.
#define WM_FTP_TRANSFER_NOTICE   (WM_USER + 13)
#define WM_FTP_CONTROL_SOCKET    (WM_USER + 51)
#define WM_FTP_DATA_SOCKET       (WM_USER + 52)
#define WM_FTP_LISTEN_SOCKET     (WM_USER + 53)

// FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE: what every socket of the engine reports.
#define DORVIK_SOCKET_EVENTS 0x3B

struct DataTransfer;
struct DownloadWorker;
class FtpOperation;

class CDorvikFTPCtrl : public ObjectRoot,
                       public IDorvikFTPCtrl,
                       public ISupportErrorInfo,
                       public IConnectionPointContainer,
                       public IProvideClassInfo2,
                       public IPersistStreamInit,
                       public IPersistStorage,
                       public CActiveXFace {
public:
    CDorvikFTPCtrl();
    virtual ~CDorvikFTPCtrl();
    // Creation fails when the hidden window could not be made: without it no socket notice or
    // background transfer could ever complete.
    HRESULT FinalConstruct();

    static const InterfaceEntry* InterfaceTable();
    COMKIT_DELEGATING_IUNKNOWN(CDorvikFTPCtrl)
    InnerUnknown<CDorvikFTPCtrl> m_inner{this};

    static HRESULT UpdateRegistry(bool registering);

    // IDispatch, served from the type library.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;

    // IDorvikFTPCtrl, in dispatch-identifier order.
    STDMETHODIMP get_ServerName(BSTR* pVal) override;
    STDMETHODIMP put_ServerName(BSTR newVal) override;
    STDMETHODIMP get_ServerPort(long* pVal) override;
    STDMETHODIMP put_ServerPort(long newVal) override;
    STDMETHODIMP get_Username(BSTR* pVal) override;
    STDMETHODIMP put_Username(BSTR newVal) override;
    STDMETHODIMP get_Password(BSTR* pVal) override;
    STDMETHODIMP put_Password(BSTR newVal) override;
    STDMETHODIMP Connect() override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP Quote(BSTR cmd) override;
    STDMETHODIMP Get(BSTR RemoteFile, BSTR LocalFile, long Offset) override;
    STDMETHODIMP DeleteFile(BSTR Filename) override;
    STDMETHODIMP RenameFile(BSTR OldFilename, BSTR NewFilename) override;
    STDMETHODIMP Put(BSTR LocalFilename, BSTR RemoteFilename, long Offset) override;
    STDMETHODIMP EnumFiles(BSTR FileMask) override;
    STDMETHODIMP get_LastServerResponse(long* pVal) override;
    STDMETHODIMP get_CurrentWorkingDirectory(BSTR* pVal) override;
    STDMETHODIMP put_CurrentWorkingDirectory(BSTR newVal) override;
    STDMETHODIMP Abort() override;
    STDMETHODIMP get_BinaryMode(long* pVal) override;
    STDMETHODIMP put_BinaryMode(long newVal) override;
    STDMETHODIMP get_LastServerResponseText(BSTR* pVal) override;
    STDMETHODIMP get_ProxyName(BSTR* pVal) override;
    STDMETHODIMP put_ProxyName(BSTR newVal) override;
    STDMETHODIMP get_ProxyPort(long* pVal) override;
    STDMETHODIMP put_ProxyPort(long newVal) override;
    STDMETHODIMP get_ProxyUserID(BSTR* pVal) override;
    STDMETHODIMP put_ProxyUserID(BSTR newVal) override;
    STDMETHODIMP GetFromURL(BSTR URL, BSTR LocalFile, BSTR Username, BSTR Password, long Resume) override;
    STDMETHODIMP get_Busy(long* pVal) override;
    STDMETHODIMP RasIsConnected(BSTR ConnectionName, long* pVal) override;
    STDMETHODIMP RasDisconnect() override;
    STDMETHODIMP RasConnect(BSTR ConnectionName, BSTR Username, BSTR Password, long RedialNo) override;
    STDMETHODIMP get_PassiveMode(long* pVal) override;
    STDMETHODIMP put_PassiveMode(long newVal) override;
    STDMETHODIMP get_Timeout(long* pVal) override;
    STDMETHODIMP put_Timeout(long newVal) override;
    STDMETHODIMP get_ProgressID(BSTR* pVal) override;
    STDMETHODIMP put_ProgressID(BSTR newVal) override;
    STDMETHODIMP CreateProgressID(BSTR* result) override;
    STDMETHODIMP GetProgressInfo(long* Bytes, long* result) override;
    STDMETHODIMP FreeProgressInfo() override;
    STDMETHODIMP BeginGet(BSTR RemoteFile, BSTR LocalFile, long Offset, long* ret) override;
    STDMETHODIMP get_MaxBandwidth(long* pVal) override;
    STDMETHODIMP put_MaxBandwidth(long newVal) override;
    STDMETHODIMP BeginPut(BSTR LocalFilename, BSTR RemoteFilename, long Offset) override;
    STDMETHODIMP get_IsConnected(long* pVal) override;
    STDMETHODIMP FileExists(BSTR Filename, long* ret) override;
    STDMETHODIMP HTTPUpload(BSTR WebServer, BSTR WebPage, BSTR Fields, BSTR Files, long* ret) override;
    STDMETHODIMP get_Version(BSTR* pVal) override;
    STDMETHODIMP StartServer(long PortNumber) override;
    STDMETHODIMP StopServer() override;
    STDMETHODIMP ServerAddUser(BSTR Username, BSTR Password, BSTR RootFolder, DFTP_SERVER_PERMISSIONS Permissions) override;
    STDMETHODIMP MPut(BSTR LocalPath) override;
    STDMETHODIMP MGet(BSTR RemoteFiles, BSTR LocalFolder) override;
    STDMETHODIMP get_FileListing(BSTR* pVal) override;
    STDMETHODIMP AboutBox() override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** out) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* out) override;

    // IPersistStreamInit and IPersistStorage: the saved state is the extent and eight properties.
    STDMETHODIMP GetClassID(CLSID* out) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP InitNew(IStorage* storage) override;
    STDMETHODIMP Load(IStorage* storage) override;
    STDMETHODIMP Save(IStorage* storage, BOOL sameAsLoad) override;
    STDMETHODIMP SaveCompleted(IStorage* storage) override;
    STDMETHODIMP HandsOffStorage() override;

    // Events: all of them are fired on the host's thread.
    void SetState(long state) { Fire_StateChange(state); }
    LONG Fire_StateChange(LONG state) { return m_events.Fire_StateChange(state); }
    LONG Fire_Reply(const CStr& text);
    LONG Fire_TransferProgress(LONG bytes) { return m_events.Fire_TransferProgress(bytes); }
    LONG Fire_EnumFile(const CStr& fileName, double fileSize, const CStr& user, const CStr& group, double fileDate,
                       const CStr& fileFlags);
    LONG Fire_TransferStarting(const CStr& localFile, const CStr& remoteFile, LONG offset);
    LONG Fire_TransferComplete(const CStr& localFile, const CStr& remoteFile, LONG bytes);
    LONG Fire_ClientConnected(const CStr& user, const CStr& address, LONG* cancel);
    LONG Fire_ClientDisconnected(const CStr& user, const CStr& address);

    // The error report of every failing method: the thread's error object gets the text,
    // the result is DISP_E_EXCEPTION.
    HRESULT Error(const CStr& text);

    // The FTP client engine (control connection, replies, data connection, transfers).
    // Reads one line of the control connection *s into *line (at most max characters); see
    // ControlChannel.cpp.
    int ReadLine(SOCKET* s, CStr* line, int max);
    // Reads lines until a reply line; stores it and returns its code (0: none, -10: time-out).
    int ReadReply(SOCKET* s);
    // Sends every byte of data on *s, pumping while the socket is full; false on an error,
    // the time-out or when the connection was replaced meanwhile.
    bool SendAll(SOCKET* s, const char* data, int length);
    // Sends one command line on the control connection once every earlier command has its answer;
    // false when it could not be sent (nothing is then owed for it).
    bool SendCommand(const CStr& line);
    // Sends the Telnet interrupt and ABOR while the transfer command's own answer is still owed.
    bool SendAbortSequence();
    // Reads the replies the server still owes for earlier commands, within Timeout each: 1 when
    // they all came, else the failing wait's code (-10 time-out; 0 closed, broken or aborted).
    int SettleOwedReplies();
    // Closes a connection whose owed answer never came; the running method ends disconnected.
    void DropOutOfStepConnection();
    // The connection stands: opened by Connect, not closed by Disconnect, a failure or the server.
    bool HasControlConnection() const { return m_sockControl != INVALID_SOCKET && !m_connection.closedByPeer; }
    // The one question every wait and exchange asks before it touches a socket: a wait or exchange
    // begun on connection `serial` must end and leave the sockets alone once that connection was
    // replaced (a Disconnect or Connect from an event handler) or the running operation was halted
    // (a command that could not be sent).
    bool ConnectionGone(unsigned serial) const;
    // Waits (pumping) for a connection started on a non-blocking *s: 0 once it stands (and, with
    // needData, the peer's first bytes wait), else the error (10060 time-out, 10004 abort).
    int WaitForConnection(SOCKET* s, bool needData);
    int ConnectViaSocks4(SOCKET* s, const char* host, int port);
    // 0 when the next transfer command can be sent, else the reason it cannot.
    int OpenDataConnection();
    // The active-mode wait for the server's data connection; true when it came.
    bool AcceptDataConnection(bool leaveOnAbort);
    long ChangeDirectory(const CStr& path);
    // How the opening of a data phase went.
    // PhaseNoConnection: the server took the command but never connected in active mode.
    enum PhaseOpening { PhaseOpen, PhaseRefused, PhaseNoConnection, PhaseTimedOut, PhaseAborted, PhaseGone };
    // The start every transfer and listing shares: TYPE, the data connection, REST (for an
    // offset), the transfer command and its answer, the active-mode accept. On PhaseOpen the
    // data connection belongs to `t`. An upload fires TransferStarting before the accept, a
    // download after it; a listing (`command` LIST) fires none.
    PhaseOpening OpenDataPhase(DataTransfer& t, char type, const CStr& command, bool background);
    // Downloads one file; 0 on success (an abort included), -10 after a reply time-out, another
    // negative value for every other failure. *count starts at offset and grows by every byte.
    int RetrieveFile(const CStr& remote, const CStr& local, char type, long offset, long* count);
    // The LIST exchange shared by EnumFiles, FileExists and MGet's listing. Empty text: the
    // listing runs and its lines are waiting in the listing's data connection; else the failure text.
    CStr StartListing(DataTransfer& listing, const CStr& argument);
    // Reads a listing's data connection to its end, handing every line to onLine.
    enum ListingEnd { ListingComplete, ListingAborted, ListingBroken, ListingSuperseded };
    ListingEnd ReadListing(DataTransfer& listing, bool keepLineFeeds, const std::function<void(const CStr&)>& onLine);

    // Background transfers (BeginGet, BeginPut): every way one can end goes through
    // FinishAsyncTransfer; the window hands it their notices.
    enum AsyncEnd { AsyncCompleted, AsyncFailed, AsyncAborted, AsyncDropped };
    void FinishAsyncTransfer(AsyncEnd how);
    bool OnAsyncNotice(UINT msg, WPARAM wParam, LPARAM lParam);
    void PumpUpload();
    // The local file of an upload, open for reading at offset; on failure INVALID_HANDLE_VALUE,
    // with the reason in m_strErrorDetail.
    HANDLE OpenUploadSource(const CStr& local, long offset);
    void ScheduleNextPiece();
    void StopDownloadWorker(DataTransfer& t);
    // The running background transfer, if any.
    bool AsyncTransferRunning() const { return m_asyncTransfer != nullptr; }

    // ActiveX face: the picture it draws and the extent it reports and persists.
    HRESULT OnDraw(HDC dc, const RECT& bounds) override;
    SIZEL& ExtentHimetric() override { return m_sizeExtent; }

    // Progress block: the reader's steps, and the writer's side that no operation of the
    // control uses itself.
    bool ReadProgressMapping(const CStr& name, long* bytes, long* status);
    void CloseProgressHandle();
    bool CreateProgressMapping(const CStr& name);
    bool UpdateProgressMapping(long bytes, long status);
    void ReleaseProgressMapping();

    static LRESULT CALLBACK HiddenWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The built-in server's login and logout notices; true when msg was one of them.
    bool OnServerNotice(UINT msg, WPARAM wParam);
    // Frees the server notices still queued for the hidden window (refusing waiting logins).
    void DiscardServerNotices();

    // HTTP download (HttpDownload.cpp). HttpGetFile returns 0 when the file was fetched, -1 with
    // the error text in *failure otherwise; FtpGetUrl returns -1 (no FTP fetch by URL).
    int HttpGetFile(const CStr& url, const CStr& localFile, const CStr& user, const CStr& password, long resume,
                    CStr* failure);
    int FtpGetUrl(const CStr& url, const CStr& localFile, const CStr& user, const CStr& password, long resume);

public:
    // Members, in declared order, shared by every engine file.
    long m_nMaxBandwidth = 0;
    HANDLE m_hProgressHandle = nullptr;
    void* m_pProgressView = nullptr;
    HANDLE m_hProgressMapping = nullptr;
    CStr m_strProgressID;
    CStr m_strErrorDetail;
    long long m_tOperationStart = 0;
    long m_nTimeout = 30;
    HWND m_hNotifyWnd = nullptr;
    CStr m_strLastServerResponseText;
    long m_nBinaryMode = 1;
    long m_nPassiveMode = 1;
    BOOL m_bAbort = FALSE;
    CStr m_strCurrentWorkingDirectory;
    CStr m_strProxyName;
    CStr m_strProxyUserID;
    CStr m_strFileListing;
    long m_nProxyPort = 1080;
    long m_nLastServerResponse = 0;
    BOOL m_bBusy = FALSE;
    CStr m_strServerName;
    CStr m_strUsername;
    CStr m_strPassword;
    long m_nServerPort = 21;
    SOCKET m_sockControl = INVALID_SOCKET;
    SOCKET m_sockData = INVALID_SOCKET;
    SOCKET m_sockHttp = INVALID_SOCKET;
    SOCKET m_sockListen = INVALID_SOCKET;
    CStr m_strPasvHost;
    long m_nPasvPort = 0;
    CBuiltinFtpServer m_Server;

    // Engine state beyond the member table.
    FtpConnection m_connection;             // what belongs to the current control connection
    FtpOperation* m_pOperation = nullptr;   // the FTP method running now, if any
    bool m_bLastLineContinued = false;      // the line ReadLine returned last was the rest of a cut one
    SOCKET m_sockConnectFailed = INVALID_SOCKET;  // socket whose FD_CONNECT notice reported an error
    int m_nConnectFailedError = 0;

    // Get's first receive block, kept from one download to the next.
    std::unique_ptr<char[]> m_receiveBlock;
    // The running background transfer: its file, its names, its data connection or worker.
    std::unique_ptr<DataTransfer> m_asyncTransfer;
    bool m_bDestroying = false;              // the window no longer raises events for this control

    // The control's extent in HIMETRIC, and whether its state differs from the host's last save.
    SIZEL m_sizeExtent = {5080, 5080};
    bool m_bRequiresSave = false;

private:
    // MGet's folder tree, one level per call; `visited` holds the folders entered so far.
    HRESULT GetTree(const std::vector<CStr>& entries, const CStr& localFolder, int depth,
                    std::set<std::string>& visited);
    static TypeInfoDispatch s_dispatch;
    ConnectionPoint m_propertyNotify;
    CProxy_IDorvikFTPCtrlEvents m_events;
};

#endif
