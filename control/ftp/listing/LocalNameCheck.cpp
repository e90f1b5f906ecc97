#include "LocalNameCheck.h"

namespace {

bool HasForbiddenCharacter(const CStr& name)
{
    for (int i = 0; i < name.GetLength(); ++i) {
        unsigned char c = name.ByteAt(i);
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return name.ContainsAnyOf("/\\:<>\"|?*");
}

bool IsOnlyDotsAndSpaces(const CStr& name)
{
    CStr rest(name);
    return rest.Trim(". ").IsEmpty();
}

// Windows opens the device for the bare device name, whatever follows its first dot, and ignores
// blanks before that dot.
bool IsDeviceName(const CStr& name)
{
    CStr stem = name.Left(name.Find('.') == CStr::npos ? name.GetLength() : name.Find('.'));
    stem.TrimRight(" ");
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (stem.EqualsNoCase(device))
            return true;
    if (stem.GetLength() != 4)
        return false;
    CStr prefix = stem.Left(3);
    if (!prefix.EqualsNoCase("COM") && !prefix.EqualsNoCase("LPT"))
        return false;
    unsigned char number = stem.ByteAt(3);
    // Windows also takes the superscript digits (code page 1252) as port numbers.
    return (number >= '0' && number <= '9') || number == 0xB9 || number == 0xB2 || number == 0xB3;
}

} // namespace

bool IsSafeLocalFileName(const CStr& name)
{
    if (name.IsEmpty() || HasForbiddenCharacter(name) || IsOnlyDotsAndSpaces(name))
        return false;
    return !IsDeviceName(name);
}
