// The control's outgoing event interface: the connection point hosts advise their sinks on,
// and one firing operation per event.
#ifndef DORVIK_EVENTPROXY_H
#define DORVIK_EVENTPROXY_H

#include <windows.h>
#include <oaidl.h>

#include "ConnectionPoint.h"

class CProxy_IDorvikFTPCtrlEvents : public ConnectionPoint {
public:
    explicit CProxy_IDorvikFTPCtrlEvents(IConnectionPointContainer* container);

    // Each returns the 32-bit value of the last sink's result; a sink that fails, or arguments
    // that cannot be built for it, never stop the others. Nothing here throws.
    LONG Fire_StateChange(LONG state);
    LONG Fire_Reply(const wchar_t* text);
    LONG Fire_TransferProgress(LONG bytes);
    LONG Fire_EnumFile(const wchar_t* fileName, double fileSize, const wchar_t* user, const wchar_t* group,
                       double fileDate, const wchar_t* fileFlags);
    LONG Fire_TransferStarting(const wchar_t* localFile, const wchar_t* remoteFile, LONG offset);
    LONG Fire_TransferComplete(const wchar_t* localFile, const wchar_t* remoteFile, LONG bytes);
    LONG Fire_ClientConnected(const wchar_t* user, const wchar_t* address, LONG* cancel);
    LONG Fire_ClientDisconnected(const wchar_t* user, const wchar_t* address);

private:
    // One argument as the sink receives it; built afresh for every sink.
    struct Arg {
        VARTYPE type;
        const wchar_t* text;
        LONG number;
        double real;
        LONG* ref;
    };
    LONG Fire(DISPID id, const Arg* args, int count);
    static bool BuildArguments(const Arg* args, int count, VARIANT* params);
};

#endif
