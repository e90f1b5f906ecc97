// Letter case and number texts shared by the filter, the rename rules and the window.
// Upper- and lower-casing map every UTF-16 unit to exactly one unit, so a position found in
// an upper-cased copy is the same position in the original.
#ifndef VELKARO_TEXTO_H
#define VELKARO_TEXTO_H

#include <string>

namespace velkaro {

std::wstring Maiusculas(const std::wstring& text);
std::wstring Minusculas(const std::wstring& text);
// Exact comparison ignoring letter case, the way the file system sees two names.
bool IguaisSemCaixa(const std::wstring& a, const std::wstring& b);

}  // namespace velkaro

#endif
