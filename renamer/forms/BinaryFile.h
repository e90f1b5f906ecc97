// A file opened by number for binary reading, step by step as the program's statements use it:
// open, ask its length, read it into a text from its start, close. Each step raises the
// toolkit's error when it cannot be done, so a failed open makes the later steps fail too.
#ifndef FORMS_BINARYFILE_H
#define FORMS_BINARYFILE_H

#include <windows.h>

#include <cstdint>
#include <string>

namespace forms {

class ArquivoBinario {
public:
    ArquivoBinario() = default;
    ~ArquivoBinario();
    ArquivoBinario(const ArquivoBinario&) = delete;
    ArquivoBinario& operator=(const ArquivoBinario&) = delete;

    // Read access, shared with other processes; a missing file is never created.
    void Abre(const std::wstring& caminho);
    int64_t Tamanho() const;
    // Reads as many bytes as `texto` has characters, from the start of the file, and puts them
    // into it converted from the ANSI code page (a shorter file gives a shorter text).
    void Le(std::wstring& texto) const;
    void Fecha();

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Deletes a file; raises when it cannot.
void Kill(const std::wstring& caminho);

}  // namespace forms

#endif
