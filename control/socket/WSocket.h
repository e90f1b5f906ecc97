// CWSocket: one WinSock handle that turns every failing call into a thrown CWSocketException*,
// with a connect that gives up after a time-out, timed waits, and connects through SOCKS4,
// SOCKS5 and HTTP CONNECT proxies. IPv4 only. The catcher reads m_nError and calls Delete().
#ifndef DORVIK_WSOCKET_H
#define DORVIK_WSOCKET_H

#include <winsock2.h>
#include <windows.h>

#include "CStr.h"
#include "ExceptionBase.h"

class CWSocketException : public CException {
public:
    static const CRuntimeClass classCWSocketException;

    explicit CWSocketException(int error) : m_nError(error) {}

    const CRuntimeClass* GetRuntimeClass() const override;
    // The system's text for m_nError; an empty text and FALSE when the system has none.
    BOOL GetErrorMessage(char* buffer, UINT max, UINT* helpContext = nullptr) const override;
    using CException::GetErrorMessage; // the non-const form, which answers through this one
    CStr GetErrorTextString() const;

    int m_nError;
};

// Throws a new CWSocketException*; a code of 0 stands for the thread's last WinSock error.
[[noreturn]] void ThrowWSocketException(int error = 0);

class CWSocket {
public:
    CWSocket() : m_hSocket(INVALID_SOCKET) {}
    virtual ~CWSocket();
    CWSocket(const CWSocket&) = delete;
    CWSocket& operator=(const CWSocket&) = delete;

    // Handle and lifetime. A handle already held is closed when another takes its place.
    void CreateSocket(int type, int protocol, int family);
    void CreateInet(BOOL datagram);
    void AttachHandle(SOCKET handle);
    SOCKET DetachHandle();
    void CloseSocket();
    BOOL HasHandle() const { return m_hSocket != INVALID_SOCKET; }
    SOCKET GetHandle() const { return m_hSocket; }

    // Addresses, listening and options.
    void BindSockAddr(const sockaddr* address, int length);
    void BindPort(USHORT port, const char* host = nullptr);
    void StartListening(int backlog);
    void AcceptConnection(CWSocket& connection, sockaddr* peer = nullptr);
    void ShutdownSocket(int how);
    void SetOption(int name, const void* value, int length, int level = SOL_SOCKET);
    void GetOption(int name, void* value, int* length, int level = SOL_SOCKET);
    void IoControl(long command, u_long* argument);
    void GetPeerSockAddr(sockaddr* address, int* length);
    void GetLocalSockAddr(sockaddr* address, int* length);
    void GetPeerAddress(CStr& address, UINT& port);
    void GetLocalAddress(CStr& address, UINT& port);

    // Connecting. The timed forms leave the socket non-blocking unless asked to restore it.
    void ConnectSockAddr(const sockaddr* address, int length);
    void ConnectHost(const char* host, USHORT port);
    void ConnectSockAddrTimed(const sockaddr* address, int length, DWORD milliseconds, BOOL restoreBlocking);
    void ConnectHostTimed(const char* host, USHORT port, DWORD milliseconds, BOOL restoreBlocking);

    // Data: one platform call each; a receive of 0 bytes means the peer closed its side.
    int SendBytes(const void* data, int length, int flags = 0);
    int ReceiveBytes(void* buffer, int size, int flags = 0);
    int SendToSockAddr(const void* data, int length, const sockaddr* address, int addressLength, int flags = 0);
    // A null host sends to 255.255.255.255 (the socket needs SO_BROADCAST for that).
    int SendToHost(const void* data, int length, USHORT port, const char* host = nullptr, int flags = 0);
    int ReceiveFromSockAddr(void* buffer, int size, sockaddr* address, int* addressLength, int flags = 0);
    int ReceiveFromHost(void* buffer, int size, CStr& address, UINT& port, int flags = 0);

    // TRUE when ready, FALSE when the time ran out; 0 polls.
    BOOL WaitReadable(DWORD milliseconds);
    BOOL WaitWritable(DWORD milliseconds);

    // Proxies: connect this socket (created by the caller) to the proxy, then ask it for the
    // destination. A failed handshake closes the socket; an unreachable proxy leaves it open.
    // Replies are read to their end and no further: what the destination sends first stays.
    // The HTTP form refuses (ERROR_INVALID_PARAMETER, before the proxy is reached) a host or
    // user agent with a line break and a user name with a colon.
    void ConnectThroughSocks4(const char* host, USHORT port, const char* proxyHost, USHORT proxyPort,
                              DWORD milliseconds);
    void ConnectThroughSocks5(const char* host, USHORT port, const char* proxyHost, USHORT proxyPort,
                              const char* user, const char* password, DWORD milliseconds, BOOL udp);
    void ConnectThroughHttpProxy(const char* host, USHORT port, const char* proxyHost, USHORT proxyPort,
                                 CStr& reply, const char* user, const char* password, DWORD milliseconds,
                                 const char* userAgent);
    void ReadSocks5Reply(DWORD milliseconds);
    void ReadProxyReplyHeader(DWORD milliseconds, CStr& reply);

private:
    // A dotted address, or else the first address the resolver knows; FALSE when it knows none.
    static BOOL LookUpHost(const char* host, in_addr* address);
    // Resolves or throws the resolver's error.
    static in_addr ResolveHost(const char* host);
    // Fills buffer with exactly size bytes, each wait bounded by the time-out.
    void ReadExactly(char* buffer, int size, DWORD milliseconds);

    SOCKET m_hSocket;
};

#endif
