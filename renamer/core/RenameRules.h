// How a selected file's new name is made: find the search text, delete / insert / replace
// at its first occurrence, then apply the letter-case rule to the whole result.
#ifndef VELKARO_RENAMERULES_H
#define VELKARO_RENAMERULES_H

#include <string>

namespace velkaro {

// Indexes of the operation box; Nenhuma (-1) when the box holds typed text. Scoped, since the
// window has controls of the same names.
enum class Operacao : int { Nenhuma = -1, Excluir = 0, Inserir = 1, Alterar = 2 };

// The letter-case rules, as their texts read in the box.
extern const wchar_t* const kTudoEmMaiusculo;
extern const wchar_t* const kTudoMaiusculoExtensaoMinusculo;
extern const wchar_t* const kTudoEmMinusculo;
extern const wchar_t* const kTudoMinusculoExtensaoMaiusculo;
extern const wchar_t* const kPrimeiraLetraEmMaiusculo;
extern const wchar_t* const kNaoAlterar;

struct RegraDeNome {
    std::wstring procura;        // search text, already upper-cased unless case counts
    bool respeitaCaixa = false;  // `Maiuscula` ticked
    Operacao operacao = Operacao::Inserir;  // `Inserir`'s index
    bool antes = true;           // `Antes` ticked
    std::wstring acrescenta;     // text to insert or the replacement, as typed
    std::wstring transformar;    // letter-case rule text, compared exactly
};

// 1-based position of the search text in the compared name, 0 when absent;
// an empty search text is found at 1.
int PosicaoDaProcura(const std::wstring& nome, const std::wstring& procura, bool respeitaCaixa);

// The new name before the letter-case rule; empty when the operation/`Antes` pair makes none.
std::wstring MontaNovoNome(const std::wstring& nome, int p, int tamanhoDaProcura, Operacao operacao,
                           bool antes, const std::wstring& acrescenta);

std::wstring AplicaCaixa(const std::wstring& novoNome, const std::wstring& regra);

// Whole rule for one file: empty when the search text is absent or nothing comes out.
std::wstring NovoNome(const std::wstring& nome, const RegraDeNome& regra);

}  // namespace velkaro

#endif
