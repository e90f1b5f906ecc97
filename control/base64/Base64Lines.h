// Base64Codec: the Base64 codec of the socket wrapper's proxy credential. Unlike CBase64Coder it
// breaks its text into lines of 76 characters separated by CR LF (flags can leave out the '='
// fill or the line breaks), and its decoder skips whatever lies outside the alphabet.
#ifndef DORVIK_BASE64LINES_H
#define DORVIK_BASE64LINES_H

#include <windows.h>

class Base64Codec {
public:
    enum { NoFill = 1, NoLineBreaks = 2 };

    int Identity(int value) { return value; }
    // Room Encode needs with the same flags, no terminator included. -1 for a negative count or
    // one whose text would not fit a 32-bit length.
    int EncodedLength(int n, DWORD flags);
    // FALSE, with nothing written, for a null pointer or a count EncodedLength refuses.
    // The buffer must hold EncodedLength(n, flags) characters; no terminator is written.
    BOOL Encode(const BYTE* data, int n, char* text, int* written, DWORD flags);
    // 0..63, or -1 for anything outside the alphabet (callers pass characters sign-extended).
    int DecodeChar(unsigned int c);
    // The buffer must hold three bytes for every four characters of the text, rounded up.
    BOOL Decode(const char* text, int length, BYTE* bytes, int* count);
};

#endif
