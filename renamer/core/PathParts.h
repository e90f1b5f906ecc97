// Taking list entries apart and putting paths together.
// Joins add exactly one "\" and none after a folder that already ends in one (a drive root).
#ifndef VELKARO_PATHPARTS_H
#define VELKARO_PATHPARTS_H

#include <string>

namespace velkaro {

// mode "D"/"d": the folder before the last "\" (empty when there is none);
// "A"/"a": the name after it (the whole path when there is none); any other mode: empty.
std::wstring ParteCaminho(const std::wstring& caminho, const std::wstring& modo);

std::wstring JuntaCaminho(const std::wstring& pasta, const std::wstring& nome);

// The text a found file gets in the list: a full path in sub-folder mode (flag exactly 1),
// the bare name otherwise. Folder paths come without a trailing "\" except a drive root,
// which is the only three-character path and takes the name directly.
std::wstring TextoDoItem(int subPastas, const std::wstring& pasta, const std::wstring& nome);

}  // namespace velkaro

#endif
