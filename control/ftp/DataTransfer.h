// One data transfer: a Get, Put, BeginGet or BeginPut, or a listing's data phase. It owns what
// the transfer holds (the data connection once the server has taken the transfer command, the
// local file, the download worker's link) and closes whatever it still holds when it goes. Every
// notice posted for it carries its serial: Wine hands a closed socket's or file's value out again
// at once, so a value can never say which transfer a notice belongs to.
#ifndef DORVIK_DATATRANSFER_H
#define DORVIK_DATATRANSFER_H

#include <winsock2.h>
#include <windows.h>

#include <vector>

#include "CStr.h"

struct DownloadWorker;

struct DataTransfer {
    DataTransfer(const CStr& localName, const CStr& remoteName, long startOffset, bool isUpload);
    ~DataTransfer();
    DataTransfer(const DataTransfer&) = delete;
    DataTransfer& operator=(const DataTransfer&) = delete;

    const unsigned serial;
    const CStr local;
    const CStr remote;
    const long offset;
    const bool upload;
    long count;                           // bytes so far, the offset included
    int commandReply = 0;                 // the answer to RETR, STOR or LIST; a 2xx one is already the final word
    CStr finalText;                       // the server's final reply to it, once the transfer has ended

    SOCKET sock = INVALID_SOCKET;         // the data connection, once the data phase has begun
    HANDLE file = INVALID_HANDLE_VALUE;   // the local file
    DownloadWorker* worker = nullptr;     // a background download's worker, which owns the socket then

    // A background upload: the piece being sent and how much of it is out.
    std::vector<char> piece;
    size_t pieceSent = 0;
    bool allSent = false;                 // the whole file is out and the connection closed
    bool waitingForRoom = false;          // the connection was full; WinSock says when it has room

    // Closes the data connection: with `reset`, so that the server cannot take a cut-short
    // upload for a whole file; otherwise gracefully.
    void CloseConnection(bool reset);
    // The local file's position: where the next byte goes or comes from.
    long long FilePosition() const;
};

#endif
