// CopiaPasta: the command-line copy of every file that lies directly in one folder.
// Each file goes either through the shell, with its progress window, or by a plain copy;
// neither ever replaces a file that is already in the destination folder.
#include "../core/FileOps.h"
#include "../core/PathParts.h"
#include "../forms/Statement.h"
#include "CopiaWindows.h"
#include "FormVelkaro.h"

using forms::Cond;
using forms::Stmt;

namespace velkaro {

namespace {

const uint32_t kFO_COPY = 2;
const uint32_t kFOF_SIMPLEPROGRESS = 0x100;
const uint32_t kFOF_RENAMEONCOLLISION = 0x8;
const wchar_t kTituloDoProgresso[] = L"Aguarde, realizando copia...";

bool EPasta(const std::wstring& caminho) {
    if (caminho.empty()) return false;
    const DWORD a = GetFileAttributesW(caminho.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void CriaPasta(const std::wstring& caminho) {
    if (!CreateDirectoryW(caminho.c_str(), nullptr)) forms::Raise(forms::kErrCaminho, forms::DescricaoDoErro(forms::kErrCaminho));
}

}  // namespace

void FormVelkaro::CopiaPasta(const std::wstring& origem, const std::wstring& destino, const std::wstring& opcao) {
    Stmt([&] { VarrePasta(origem, 0, L"*.*"); });
    Stmt([&] { CriaPasta(destino); });

    // Only an existing folder takes copies. An empty destination would put them in the root of
    // the current drive, and the shell would make up a missing parent folder chain unasked.
    bool destinoPronto = false;
    Stmt([&] { destinoPronto = EPasta(destino); });
    bool origemLida = false;
    Stmt([&] { origemLida = EPasta(origem); });

    int32_t falhas = 0;
    int32_t total = 0;
    Stmt([&] { total = SubPastas.ListCount(); });
    for (int32_t i = 0; i < total; ++i) {
        std::wstring nome;
        Stmt([&] { nome = ParteCaminho(SubPastas.List(i), L"A"); });
        bool copiado = false;
        if (destinoPronto && !nome.empty()) {
            const std::wstring de = origem + L"\\" + nome;
            if (Cond([&] { return opcao == L"FALSE"; })) {
                // The shell asks before it overwrites instead of renaming (Wine does): the copy is
                // given the shell's second-copy name before the shell sees a collision at all.
                std::wstring livre;
                Stmt([&] { livre = NomeLivre(destino, nome); });
                const std::wstring para = destino + L"\\" + livre;
                if (!livre.empty() && CopiaWindows::TemFormaAnsi(de) && CopiaWindows::TemFormaAnsi(para)) {
                    Stmt([&] { OperacaoCopia.hwnd = 0; });
                    Stmt([&] { OperacaoCopia.wFunc = kFO_COPY; });
                    Stmt([&] { OperacaoCopia.pFrom = de + std::wstring(2, L'\0'); });
                    Stmt([&] { OperacaoCopia.pTo = para + std::wstring(2, L'\0'); });
                    Stmt([&] { OperacaoCopia.lpszProgressTitle = kTituloDoProgresso; });
                    Stmt([&] { OperacaoCopia.fFlags = kFOF_SIMPLEPROGRESS + kFOF_RENAMEONCOLLISION; });
                    Stmt([&] { copiado = CopiaWindows::CopiaComProgresso(OperacaoCopia) == 0; });
                } else if (!livre.empty()) {
                    // A name the ANSI shell cannot spell is copied with the wide plain copy.
                    Stmt([&] { copiado = CopiaSemSobrescrever(de, para); });
                }
            } else {
                Stmt([&] { copiado = CopiaSemSobrescrever(de, destino + L"\\" + nome); });
            }
        }
        if (!copiado) ++falhas;
    }
    codigoDeSaida_ = (origemLida && destinoPronto && falhas == 0) ? 0 : 1;
}

}  // namespace velkaro
