// The drive list and the folder list.
#include <algorithm>
#include <cwctype>

#include "Controls.h"
#include "Form.h"
#include "Statement.h"

namespace forms {

namespace {

std::vector<std::wstring> DrivesDaMaquina() {
    std::vector<std::wstring> drives;
    wchar_t buffer[512];
    const DWORD n = GetLogicalDriveStringsW(sizeof(buffer) / sizeof(buffer[0]), buffer);
    for (const wchar_t* p = buffer; n > 0 && n < sizeof(buffer) / sizeof(buffer[0]) && *p; p += wcslen(p) + 1) {
        drives.push_back(std::wstring(1, static_cast<wchar_t>(towlower(p[0]))) + L":");
    }
    return drives;
}

wchar_t LetraDe(const std::wstring& texto) {
    if (texto.size() >= 2 && texto[1] == L':' && iswalpha(texto[0])) return static_cast<wchar_t>(towlower(texto[0]));
    return 0;
}

std::wstring CaminhoCompleto(const std::wstring& caminho) {
    const DWORD n = GetFullPathNameW(caminho.c_str(), 0, nullptr, nullptr);
    if (n == 0) return std::wstring();
    std::wstring out(n, L'\0');
    const DWORD m = GetFullPathNameW(caminho.c_str(), n, &out[0], nullptr);
    out.resize(m < n ? m : 0);
    while (out.size() > 3 && out.back() == L'\\') out.pop_back();
    return out;
}

bool EPasta(const std::wstring& caminho) {
    const DWORD a = GetFileAttributesW(caminho.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring Raiz(wchar_t letra) { return std::wstring(1, letra) + L":\\"; }

}  // namespace

std::function<std::vector<std::wstring>()> DriveList::FonteDeDrives = DrivesDaMaquina;

// ---- DriveList

void DriveList::Enche() {
    drives_ = FonteDeDrives();
    wchar_t atual[MAX_PATH];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, atual);
    const wchar_t letra = n > 0 ? LetraDe(atual) : 0;
    indice_ = drives_.empty() ? -1 : 0;
    for (size_t i = 0; i < drives_.size(); ++i)
        if (LetraDe(drives_[i]) == letra) indice_ = static_cast<int>(i);
}

void DriveList::Cria(Form& form, int id) {
    if (drives_.empty()) Enche();
    CriaJanela(form, id, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, L"", 200);
    if (!hwnd_) return;
    for (const auto& d : drives_) SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.c_str()));
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(indice_), 0);
}

std::wstring DriveList::Drive() const {
    if (indice_ < 0 || indice_ >= static_cast<int>(drives_.size())) return std::wstring();
    return drives_[static_cast<size_t>(indice_)];
}

void DriveList::SetDrive(const std::wstring& caminho) {
    if (drives_.empty()) Enche();
    const wchar_t letra = LetraDe(caminho);
    int achado = -1;
    for (size_t i = 0; i < drives_.size(); ++i)
        if (letra && LetraDe(drives_[i]) == letra) achado = static_cast<int>(i);
    if (achado < 0) Raise(kErrDispositivo, DescricaoDoErro(kErrDispositivo));
    if (achado == indice_) return;
    indice_ = achado;
    if (hwnd_) SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(achado), 0);
    Dispara(OnChange);
}

void DriveList::Notifica(int codigo) {
    if (codigo != CBN_SELCHANGE) return;
    const LRESULT i = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
    if (i == CB_ERR || static_cast<int>(i) == indice_) return;
    indice_ = static_cast<int>(i);
    Dispara(OnChange);
}

// ---- DirList

void DirList::Cria(Form& form, int id) {
    if (caminho_.empty()) {
        wchar_t atual[MAX_PATH];
        if (GetCurrentDirectoryW(MAX_PATH, atual)) caminho_ = CaminhoCompleto(atual);
        if (!caminho_.empty()) ultimaPorDrive_.push_back({LetraDe(caminho_), caminho_});
    }
    CriaJanela(form, id, L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
               L"");
    Enche();
}

void DirList::SetPath(const std::wstring& pedido) {
    std::wstring alvo;
    const wchar_t letra = LetraDe(pedido);
    const bool soDrive = letra && (pedido.size() == 2 || pedido[2] == L' ');
    if (soDrive) {
        if (!EPasta(Raiz(letra))) Raise(kErrDispositivo, DescricaoDoErro(kErrDispositivo));
        if (LetraDe(caminho_) == letra) return;  // already on that drive
        alvo = Raiz(letra);
        for (const auto& u : ultimaPorDrive_)
            if (u.first == letra && EPasta(u.second)) alvo = u.second;
    } else {
        alvo = CaminhoCompleto(pedido);
        if (alvo.empty() || !EPasta(alvo)) {
            const wchar_t l = LetraDe(alvo);
            if (l && !EPasta(Raiz(l))) Raise(kErrDispositivo, DescricaoDoErro(kErrDispositivo));
            Raise(kErrCaminho, DescricaoDoErro(kErrCaminho));
        }
    }
    if (alvo == caminho_) return;
    caminho_ = alvo;
    const wchar_t l = LetraDe(alvo);
    bool lembrado = false;
    for (auto& u : ultimaPorDrive_)
        if (u.first == l) {
            u.second = alvo;
            lembrado = true;
        }
    if (!lembrado) ultimaPorDrive_.push_back({l, alvo});
    Enche();
    Dispara(OnChange);
}

void DirList::Enche() {
    linhas_.clear();
    textos_.clear();
    if (!caminho_.empty()) {
        // The ancestors, from the root down to the open folder, then its sub-folders.
        size_t inicio = caminho_.find(L'\\');
        std::wstring acumulado = caminho_.substr(0, inicio == std::wstring::npos ? caminho_.size() : inicio + 1);
        linhas_.push_back(acumulado);
        textos_.push_back(acumulado);
        int nivel = 0;
        while (inicio != std::wstring::npos && inicio + 1 < caminho_.size()) {
            const size_t fim = caminho_.find(L'\\', inicio + 1);
            const std::wstring parte = caminho_.substr(inicio + 1, fim == std::wstring::npos ? std::wstring::npos : fim - inicio - 1);
            acumulado = caminho_.substr(0, fim == std::wstring::npos ? caminho_.size() : fim);
            ++nivel;
            linhas_.push_back(acumulado);
            textos_.push_back(std::wstring(static_cast<size_t>(nivel) * 2, L' ') + parte);
            inicio = fim;
        }
        aberta_ = static_cast<int>(linhas_.size()) - 1;
        std::vector<std::wstring> subpastas;
        WIN32_FIND_DATAW achado;
        const std::wstring busca = (caminho_.back() == L'\\' ? caminho_ : caminho_ + L"\\") + L"*";
        HANDLE h = FindFirstFileW(busca.c_str(), &achado);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring nome = achado.cFileName;
                if ((achado.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && nome != L"." && nome != L"..")
                    subpastas.push_back(nome);
            } while (FindNextFileW(h, &achado));
            FindClose(h);
        }
        std::sort(subpastas.begin(), subpastas.end(), [](const std::wstring& a, const std::wstring& b) {
            return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
        });
        for (const auto& s : subpastas) {
            linhas_.push_back((caminho_.back() == L'\\' ? caminho_ : caminho_ + L"\\") + s);
            textos_.push_back(std::wstring(static_cast<size_t>(nivel + 1) * 2, L' ') + s);
        }
    } else {
        aberta_ = -1;
    }
    selecionada_ = aberta_;
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    for (const auto& t : textos_) SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(selecionada_), 0);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void DirList::SetListIndex(int i) {
    const int linha = i + aberta_ + 1;
    if (linha < 0 || linha >= static_cast<int>(linhas_.size())) Raise(kErrIndice, DescricaoDoErro(kErrIndice));
    selecionada_ = linha;
    if (hwnd_) SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(linha), 0);
    Dispara(OnClick);
}

std::wstring DirList::List(int i) const {
    const int linha = i + aberta_ + 1;
    if (linha < 0 || linha >= static_cast<int>(linhas_.size())) Raise(kErrIndice, DescricaoDoErro(kErrIndice));
    return linhas_[static_cast<size_t>(linha)];
}

void DirList::Notifica(int codigo) {
    const LRESULT i = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    if (i == LB_ERR) return;
    if (codigo == LBN_SELCHANGE) {
        selecionada_ = static_cast<int>(i);
        Dispara(OnClick);
    } else if (codigo == LBN_DBLCLK) {
        const std::wstring alvo = linhas_[static_cast<size_t>(i)];
        Stmt([&] { SetPath(alvo); });
    }
}

}  // namespace forms
