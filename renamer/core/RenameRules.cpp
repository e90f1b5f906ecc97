#include "RenameRules.h"

#include "Texto.h"

namespace velkaro {

const wchar_t* const kTudoEmMaiusculo = L"Tudo em Maiusculo";
const wchar_t* const kTudoMaiusculoExtensaoMinusculo = L"Tudo Maiusculo Extensão Minusculo";
const wchar_t* const kTudoEmMinusculo = L"Tudo em Minusculo";
const wchar_t* const kTudoMinusculoExtensaoMaiusculo = L"Tudo Minusculo Extensão Maiusculo";
const wchar_t* const kPrimeiraLetraEmMaiusculo = L"Primeira letra em Maiusculo";
const wchar_t* const kNaoAlterar = L"Não Alterar";

int PosicaoDaProcura(const std::wstring& nome, const std::wstring& procura, bool respeitaCaixa) {
    const std::wstring comparado = respeitaCaixa ? nome : Maiusculas(nome);
    const size_t achado = comparado.find(procura);
    return achado == std::wstring::npos ? 0 : static_cast<int>(achado) + 1;
}

std::wstring MontaNovoNome(const std::wstring& nome, int p, int L, Operacao operacao, bool antes,
                           const std::wstring& A) {
    const size_t antesDoAchado = static_cast<size_t>(p - 1);
    const size_t depoisDoAchado = static_cast<size_t>(p - 1 + L);
    if (antes) {
        switch (operacao) {
        case Operacao::Excluir:
            return nome.substr(0, antesDoAchado) + nome.substr(depoisDoAchado);
        case Operacao::Inserir:
            return nome.substr(0, antesDoAchado) + A + nome.substr(antesDoAchado);
        case Operacao::Alterar:
            return nome.substr(0, antesDoAchado) + A + nome.substr(depoisDoAchado);
        default:
            return std::wstring();
        }
    }
    if (operacao == Operacao::Inserir) return nome.substr(0, depoisDoAchado) + A + nome.substr(depoisDoAchado);
    return std::wstring();
}

std::wstring AplicaCaixa(const std::wstring& n, const std::wstring& regra) {
    // Up to and including the first dot; a dotless name is all extension.
    const size_t ponto = n.find(L'.');
    const size_t q = ponto == std::wstring::npos ? 0 : ponto + 1;
    if (regra == kTudoEmMaiusculo) return Maiusculas(n);
    if (regra == kTudoMaiusculoExtensaoMinusculo) return Maiusculas(n.substr(0, q)) + Minusculas(n.substr(q));
    if (regra == kTudoEmMinusculo) return Minusculas(n);
    if (regra == kTudoMinusculoExtensaoMaiusculo) return Minusculas(n.substr(0, q)) + Maiusculas(n.substr(q));
    if (regra == kPrimeiraLetraEmMaiusculo) return Maiusculas(n.substr(0, 1)) + Minusculas(n.substr(n.empty() ? 0 : 1));
    return n;
}

std::wstring NovoNome(const std::wstring& nome, const RegraDeNome& regra) {
    const int p = PosicaoDaProcura(nome, regra.procura, regra.respeitaCaixa);
    if (p == 0) return std::wstring();
    const std::wstring novo = MontaNovoNome(nome, p, static_cast<int>(regra.procura.size()), regra.operacao,
                                            regra.antes, regra.acrescenta);
    return AplicaCaixa(novo, regra.transformar);
}

}  // namespace velkaro
