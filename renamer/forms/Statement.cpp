#include "Statement.h"

#include <new>
#include <stdexcept>

namespace forms {

namespace {
long g_numero = 0;
std::wstring g_descricao;
}  // namespace

void Raise(long number, const std::wstring& description) { throw VbError(number, description); }

std::wstring DescricaoDoErro(long number) {
    switch (number) {
    case kErrSubscrito: return L"Subscrito fora do intervalo";
    case kErrDispositivo: return L"Dispositivo não disponível";
    case kErrCaminho: return L"Caminho não encontrado";
    case kErrObjeto: return L"Variável de objeto ou variável do bloco With não definida";
    case kErrIndice: return L"Índice da matriz de propriedades inválido";
    case 7: return L"Memória insuficiente";
    default: return L"Erro definido pelo aplicativo ou pelo objeto";
    }
}

VbError ErroAtual(std::exception_ptr p) {
    try {
        std::rethrow_exception(p);
    } catch (const VbError& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return VbError(7, DescricaoDoErro(7));
    } catch (const std::out_of_range&) {
        return VbError(kErrSubscrito, DescricaoDoErro(kErrSubscrito));
    } catch (...) {
        return VbError(95, DescricaoDoErro(95));
    }
}

long Err::Number() { return g_numero; }
std::wstring Err::Description() { return g_descricao; }
void Err::Clear() {
    g_numero = 0;
    g_descricao.clear();
}
void Err::Set(const VbError& e) {
    g_numero = e.number;
    g_descricao = e.description;
}

void Stmt(const std::function<void()>& statement) {
    try {
        statement();
    } catch (...) {
        Err::Set(ErroAtual(std::current_exception()));
    }
}

bool Cond(const std::function<bool()>& test) {
    try {
        return test();
    } catch (...) {
        Err::Set(ErroAtual(std::current_exception()));
        return true;
    }
}

}  // namespace forms
