// The two replies whose text carries data: 227 (the passive address) and 257 (a directory).
#ifndef DORVIK_REPLYDECODING_H
#define DORVIK_REPLYDECODING_H

#include "CStr.h"

// Three digits and a space: the line that ends a reply. Its code, or -1.
int ReplyLineCode(const CStr& line);
// Three digits and a hyphen: the first line of a multi-line reply. Its code, or -1.
int ReplyContinuationCode(const CStr& line);

// The host and port of "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)". A reply without the
// parenthesised list, or one whose fields are not four octets and two port bytes of 0-255,
// gives an empty host and port 0.
void DecodePassiveReply(const CStr& line, CStr* host, long* port);

// The directory quoted in a 257 reply; a doubled quote inside the name stands for one quote.
// No quote at all gives an empty directory.
CStr DecodeDirectoryReply(const CStr& line);

#endif
