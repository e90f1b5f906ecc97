// Prints the engine's figures on this machine: copy throughput of one large file and the
// time to list one folder of many files. Usage: velkaro_bench <scratch folder> [MiB] [files]
#include <windows.h>

#include <cstdio>
#include <string>

#include "../core/FileOps.h"
#include "../core/FolderWalk.h"
#include "Seconds.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: velkaro_bench <scratch folder> [MiB] [files]\n");
        return 2;
    }
    const std::wstring dir = argv[1];
    const int mib = argc > 2 ? _wtoi(argv[2]) : 256;
    const int files = argc > 3 ? _wtoi(argv[3]) : 5000;
    CreateDirectoryW(dir.c_str(), nullptr);

    const std::wstring src = dir + L"\\big.bin", dst = dir + L"\\big-copy.bin";
    DeleteFileW(dst.c_str());
    HANDLE h = CreateFileW(src.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::string block(1 << 20, 'v');
    DWORD w = 0;
    for (int i = 0; i < mib; ++i) WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &w, nullptr);
    CloseHandle(h);
    double t0 = Now();
    const bool ok = velkaro::CopiaSemSobrescrever(src, dst);
    double t1 = Now();
    printf("copy %d MiB: %s, %.2f s, %.0f MB/s\n", mib, ok ? "ok" : "FAILED", t1 - t0, mib * 1.048576 / (t1 - t0));
    DeleteFileW(src.c_str());
    DeleteFileW(dst.c_str());

    const std::wstring many = dir + L"\\many";
    CreateDirectoryW(many.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        HANDLE f = CreateFileW((many + L"\\f" + std::to_wstring(i) + L".txt").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        CloseHandle(f);
    }
    int found = 0;
    velkaro::GanchosDaVarredura g;
    g.adiciona = [&](const std::wstring&, const std::wstring&) { ++found; };
    t0 = Now();
    velkaro::Varredura(1, L"*.txt", g).Percorre(many);
    t1 = Now();
    printf("walk of %d files: %d listed, %.3f s\n", files, found, t1 - t0);
    for (int i = 0; i < files; ++i) DeleteFileW((many + L"\\f" + std::to_wstring(i) + L".txt").c_str());
    RemoveDirectoryW(many.c_str());
    RemoveDirectoryW(dir.c_str());
    return ok ? 0 : 1;
}
