// Formatted input over one listing line, with the field rules of the C run-time's scanf family
// but without its fixed-size destination buffers: every field lands in a CStr of its own length.
//
// A pattern holds the directives the listing formats use:
//   a blank      skips any run of white space (none included)
//   %s           a run of non-white characters
//   %f           a decimal floating number ([+-] digits [. digits] [e [+-] digits]), read into a float
//   %[^\r]       one or more characters up to, not including, a CR
//   other bytes  must match the input exactly
// As with scanf, the scan stops at the first directive that does not match; the fields filled
// until then are what it reports. A zero byte ends the input the way a C string ends.
#ifndef FTPLISTING_LISTFIELDSCANNER_H
#define FTPLISTING_LISTFIELDSCANNER_H

#include "CStr.h"

#include <vector>

struct ScannedField {
    CStr Text;         // the characters the directive took
    float Number = 0;  // %f only: the value at single precision
};

// Fills `fields` with one entry per filled directive and returns their count.
int ScanListFields(const CStr& line, const char* pattern, std::vector<ScannedField>& fields);

// Reads a decimal floating number at `text`'s position `at` (no white space skipped) with the %f
// rule; returns the number of characters it covers, 0 when none is there.
int MeasureDecimalNumber(const CStr& text, int at);

// The value of a decimal number text: at single precision (as %f stores it), and as a 64-bit
// integer truncated toward zero, saturating at the ends of its range (an integer text is read
// exactly, however many digits a float would lose).
float DecimalToFloat(const CStr& number);
long long DecimalToInt64(const CStr& number);

#endif
