#include "NameFilter.h"

#include "Texto.h"

namespace velkaro {

namespace {

Padrao CompilaPeca(const std::wstring& peca) {
    Padrao p;
    const size_t estrela = peca.find(L'*');
    if (estrela == std::wstring::npos) {
        p.tipo = Padrao::Tipo::Exato;
        p.texto = peca;
    } else if (estrela == 0) {
        // Only the first star is a wildcard: "*ab*" ends with "AB*".
        p.tipo = Padrao::Tipo::TerminaCom;
        p.texto = peca.substr(1);
    } else {
        // Whatever follows the star is not looked at.
        p.tipo = Padrao::Tipo::ComecaCom;
        p.texto = peca.substr(0, estrela);
    }
    p.texto = Maiusculas(p.texto);
    return p;
}

}  // namespace

bool Padrao::Aceita(const std::wstring& parte) const {
    if (texto.empty()) return true;
    switch (tipo) {
    case Tipo::Exato:
        return parte == texto;
    case Tipo::ComecaCom:
        return parte.size() >= texto.size() && parte.compare(0, texto.size(), texto) == 0;
    case Tipo::TerminaCom:
        return parte.size() >= texto.size() &&
               parte.compare(parte.size() - texto.size(), texto.size(), texto) == 0;
    }
    return false;
}

Filtro Filtro::Compila(const std::wstring& texto) {
    Filtro f;
    const size_t ponto = texto.find(L'.');
    if (ponto == std::wstring::npos) {
        f.nome = CompilaPeca(texto);
    } else {
        f.nome = CompilaPeca(texto.substr(0, ponto));
        f.extensao = CompilaPeca(texto.substr(ponto + 1));
    }
    return f;
}

PartesDoNome SeparaNome(const std::wstring& nomeDoArquivo) {
    const size_t ponto = nomeDoArquivo.find(L'.');
    if (ponto == std::wstring::npos) return {nomeDoArquivo, nomeDoArquivo};
    return {nomeDoArquivo.substr(0, ponto), nomeDoArquivo.substr(ponto + 1)};
}

bool Filtro::Aceita(const std::wstring& nomeDoArquivo) const {
    const PartesDoNome partes = SeparaNome(nomeDoArquivo);
    return nome.Aceita(Maiusculas(partes.nome)) && extensao.Aceita(Maiusculas(partes.extensao));
}

}  // namespace velkaro
