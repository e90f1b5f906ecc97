// Path rules of the server beyond the three public path operations: how a client's argument becomes a
// virtual path (as the client sees it) and a local path that can never leave the account root.
#ifndef FTPSERVER_FTPPATHS_H
#define FTPSERVER_FTPPATHS_H

#include "CStr.h"

// Longest local path the server forms (the platform's classic MAX_PATH less its terminator).
constexpr int FTP_MAX_LOCAL_PATH = 260;

// A name segment the platform would alias to something else (device names, streams, names it trims,
// wildcards, control bytes) is refused.
bool IsAllowedSegment(const CStr& segment);

// Joins cwd (a canonical virtual path) and argument (relative to cwd, or absolute when it begins with a
// separator), folds "." and "..", clamping ".." at "/", and checks every segment. The result starts with
// '/' and has no trailing '/' unless it is "/". False when a segment is refused.
bool ResolveVirtualPath(const CStr& cwd, const char* argument, CStr& virtualPath);

// Root followed by a virtual path (no doubled '/' when the root is a drive root).
CStr JoinRootAndVirtual(const CStr& root, const CStr& virtualPath);

// Last guard: the fully resolved native form of local is root or lies below it.
bool IsWithinRoot(const CStr& root, const CStr& local);

struct ClientPath {
    CStr virtualPath;  // as the client sees it
    CStr local;        // '/' form, used by every file operation
    CStr native;       // platform form, used by status queries
};

// The whole road from a client's argument to a usable path; false when it cannot be formed (refused
// name, too long, outside the root).
bool ResolveClientPath(const CStr& root, const CStr& cwd, const char* argument, ClientPath& path);

#endif
