// The listing's name-and-extension wildcard filter.
// A filter text compiles into two patterns, one for the part of a file name before its first
// ".", one for the part after it; only a leading "*" (ends-with) or a later "*" (starts-with)
// is special, and an empty pattern tests nothing.
#ifndef VELKARO_NAMEFILTER_H
#define VELKARO_NAMEFILTER_H

#include <string>

namespace velkaro {

struct Padrao {
    enum class Tipo { Exato, ComecaCom, TerminaCom };
    Tipo tipo = Tipo::Exato;
    std::wstring texto;  // upper-cased; empty means "no test"

    bool Aceita(const std::wstring& parteMaiuscula) const;
};

struct Filtro {
    Padrao nome;
    Padrao extensao;

    static Filtro Compila(const std::wstring& texto);
    bool Aceita(const std::wstring& nomeDoArquivo) const;
};

// Splits a file name at its first "." into its name and extension parts, as typed.
// A name without a dot counts wholly as extension and also wholly as name: a filter
// without "." (abc*) can then pick dotless files, and "*.txt" still cannot.
struct PartesDoNome {
    std::wstring nome;
    std::wstring extensao;
};
PartesDoNome SeparaNome(const std::wstring& nomeDoArquivo);

}  // namespace velkaro

#endif
