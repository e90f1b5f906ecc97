#include <gtest/gtest.h>

#include "../core/NameCheck.h"

using velkaro::NomeDeArquivoValido;

TEST(NameCheck, RefusesNamesThatLeaveTheFolderOrNameADevice) {
    const wchar_t* refused[] = {
        L"", L".", L"..", L"..\\x.txt", L"a\\b.txt", L"a/b.txt", L"c:x.txt", L"a:stream", L"a*.txt", L"a?.txt",
        L"a\"b", L"a<b", L"a>b", L"a|b", L"tab\there", L"nl\nx", L"\x7f", L"NUL", L"nul.txt", L"Con", L"prn.doc",
        L"AUX", L"com1", L"LPT9.log", L"COM\u00B9", L"NUL .txt", L"CONIN$", L"name.", L"name ",
    };
    for (const wchar_t* n : refused) EXPECT_FALSE(NomeDeArquivoValido(n)) << testing::PrintToString(std::wstring(n));
}

TEST(NameCheck, AcceptsOrdinaryNames) {
    const wchar_t* accepted[] = {
        L"a.txt", L".profile", L"..hidden", L"com10.txt", L"console.log", L"nula.txt", L"my photo.JPG",
        L"ação é.doc", L"LPT", L"a..b",
    };
    for (const wchar_t* n : accepted) EXPECT_TRUE(NomeDeArquivoValido(n)) << testing::PrintToString(std::wstring(n));
}
