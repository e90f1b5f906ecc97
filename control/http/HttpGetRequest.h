// What the HTTP download sends: the URL split into host, port and path, and the GET request with
// its Range line and, for a user name, its Basic credential.
#ifndef DORVIK_HTTPGETREQUEST_H
#define DORVIK_HTTPGETREQUEST_H

#include "CStr.h"

struct HttpUrlParts {
    CStr host;      // the name to connect to and to send in the Host line, without the port
    int port = 80;
    CStr path;      // from the "/" after the host to the first white space
};

// Splits "scheme://host[:port]/path". False when there is no host or nothing after it, when the
// port is not a number from 1 to 65535, or when host or path hold a space or a control
// character (they would end the request line early or start a header line of their own).
bool SplitHttpUrl(const CStr& url, HttpUrlParts* parts);

// A Basic credential cannot carry control characters, nor a colon in the user name (the colon
// is what separates the two).
bool IsSendableCredential(const CStr& user, const CStr& password);

// The request head, ended by its empty line. The Range line is always sent (0 for a fresh
// download); the Authorization line only for a non-empty user name.
CStr BuildRangeGetRequest(const HttpUrlParts& url, long long offset, const CStr& user, const CStr& password);

#endif
