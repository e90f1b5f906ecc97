// The two things the engine does to a file, each refusing rather than losing data:
// a rename never replaces another file and really changes letter case, and a copy never
// overwrites anything, least of all its own source.
#ifndef VELKARO_FILEOPS_H
#define VELKARO_FILEOPS_H

#include <functional>
#include <string>

namespace velkaro {

// Moves a file; fails rather than replace an existing one, and then says so in the thread's
// last error as MoveFileW does (ERROR_ALREADY_EXISTS).
using MoveArquivo = std::function<bool(const std::wstring& de, const std::wstring& para)>;
bool MoveDoSistema(const std::wstring& de, const std::wstring& para);

// Renames pasta\antigo to pasta\novo. A change of letter case alone goes through a
// temporary name, because the platform may report success for it without doing it;
// if the second step fails the file gets its old name back. Should that fail too, the file
// stays under the temporary name, which begins with its old name so that the user finds it
// beside where it was; *presoComo then receives its full path, for the caller to report.
bool RenomeiaNaPasta(const std::wstring& pasta, const std::wstring& antigo, const std::wstring& novo,
                     std::wstring* presoComo = nullptr, const MoveArquivo& move = MoveDoSistema);

// Copies origem to destino; false when destino exists or names origem itself.
bool CopiaSemSobrescrever(const std::wstring& origem, const std::wstring& destino);

// The name under which a copy of `nome` can go into `pasta` without replacing anything:
// `nome` itself while it is free, else the shell's way of naming a second copy,
// "nome - Cópia.ext", "nome - Cópia (2).ext" and so on. Empty when none is free.
std::wstring NomeLivre(const std::wstring& pasta, const std::wstring& nome);

}  // namespace velkaro

#endif
