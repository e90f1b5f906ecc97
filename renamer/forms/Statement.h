// The program's error convention, written once: a failing statement is abandoned and the
// next one runs; a failing If condition counts as true, so its Then part runs.
// Handlers are written as a sequence of Stmt(...) steps and `if (Cond(...))` tests.
#ifndef FORMS_STATEMENT_H
#define FORMS_STATEMENT_H

#include <exception>
#include <functional>
#include <string>

namespace forms {

// A run-time error of the toolkit: the number and text the user may be shown.
struct VbError : std::exception {
    long number;
    std::wstring description;
    VbError(long n, std::wstring d) : number(n), description(std::move(d)) {}
    const char* what() const noexcept override { return "forms::VbError"; }
};

[[noreturn]] void Raise(long number, const std::wstring& description);

// Error numbers and texts of the toolkit (those of the Portuguese runtime).
enum : long {
    kErrSubscrito = 9,
    kErrDispositivo = 68,
    kErrCaminho = 76,
    kErrObjeto = 91,
    kErrIndice = 381,
};
std::wstring DescricaoDoErro(long number);

// Converts whatever a statement threw into the toolkit's error.
VbError ErroAtual(std::exception_ptr p);

// The last error that a statement swallowed (the toolkit's Err object).
struct Err {
    static long Number();
    static std::wstring Description();
    static void Clear();
    static void Set(const VbError& e);
};

void Stmt(const std::function<void()>& statement);
bool Cond(const std::function<bool()>& test);

}  // namespace forms

#endif
