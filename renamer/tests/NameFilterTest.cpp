#include <gtest/gtest.h>

#include <vector>

#include "../core/NameFilter.h"

using velkaro::Filtro;

namespace {

struct FilterCase {
    const wchar_t* filter;
    std::vector<const wchar_t*> lists;
    std::vector<const wchar_t*> skips;
};

// Each filter with names it must list and names it must not.
const FilterCase kCases[] = {
    {L"*.*", {L"a.txt", L"README", L".profile", L"x.tar.gz"}, {}},
    {L"", {L"a.txt", L"README"}, {}},
    {L"*", {L"a.txt", L"README"}, {}},
    {L"*.txt", {L"a.txt", L"B.TXT", L"txt"}, {L"a.txt.bak", L"a.tx"}},
    {L"*.TXT", {L"a.txt", L"B.TXT"}, {L"a.tx"}},
    {L"foto*.jpg", {L"foto1.jpg", L"FOTOS.JPG"}, {L"minhafoto.jpg", L"fot.jpg"}},
    {L"*2011.*", {L"rel2011.doc", L"2011.txt"}, {L"2011a.txt"}},
    {L"rel*.d*", {L"relatorio.doc", L"rel.dat"}, {L"rel.txt"}},
    {L"*.*htm", {L"a.htm", L"b.shtm"}, {L"c.h"}},
    {L"a*b.txt", {L"abc.txt", L"a.txt"}, {L"ba.txt"}},
    {L"*ab*.txt", {L"xab*.txt"}, {L"ab.txt", L"xab.txt"}},
    {L"readme", {L"readme.txt", L"README.doc", L"README"}, {L"readme2.txt"}},
    {L"abc*", {L"abc.txt", L"abcdef.doc", L"abcdef"}, {L"xabc.txt", L"ab"}},
    {L"*abc", {L"xabc.txt", L"abc.doc", L"xabc"}, {L"abcd.txt"}},
    {L".txt", {L"a.txt", L".txt"}, {L"a.doc"}},
    {L"abc.", {L"abc.txt", L"abc.doc"}, {L"abcd.txt"}},
    {L"a.b.c", {L"a.b.c"}, {L"a.c", L"a.b"}},
    {L"*.tar*", {L"archive.tar.gz"}, {L"archive.gz"}},
    {L"*.gz", {}, {L"archive.tar.gz"}},
    {L"?.txt", {L"?.txt"}, {L"a.txt"}},
    // A dotless name is its own extension too: an extension pattern can pick it.
    {L"*.*me", {L"README", L"x.me"}, {L"READ"}},
};

TEST(NameFilter, ListsAndSkipsByTable) {
    for (const FilterCase& c : kCases) {
        const Filtro f = Filtro::Compila(c.filter);
        for (const wchar_t* name : c.lists) EXPECT_TRUE(f.Aceita(name)) << "filter '" << testing::PrintToString(std::wstring(c.filter)) << "' should list " << testing::PrintToString(std::wstring(name));
        for (const wchar_t* name : c.skips) EXPECT_FALSE(f.Aceita(name)) << "filter " << testing::PrintToString(std::wstring(c.filter)) << " should skip " << testing::PrintToString(std::wstring(name));
    }
}

TEST(NameFilter, CompilesPiecesAtFirstDotAndFirstStar) {
    using T = velkaro::Padrao::Tipo;
    struct { const wchar_t* filter; T nameKind; const wchar_t* name; T extKind; const wchar_t* ext; } cases[] = {
        {L"foto*.jpg", T::ComecaCom, L"FOTO", T::Exato, L"JPG"},
        {L"*ab*.txt", T::TerminaCom, L"AB*", T::Exato, L"TXT"},
        {L"a*b*c.x*y", T::ComecaCom, L"A", T::ComecaCom, L"X"},
        {L"a.b.c", T::Exato, L"A", T::Exato, L"B.C"},
        {L"*.*htm", T::TerminaCom, L"", T::TerminaCom, L"HTM"},
        {L"abc", T::Exato, L"ABC", T::Exato, L""},
    };
    for (const auto& c : cases) {
        const Filtro f = Filtro::Compila(c.filter);
        EXPECT_EQ(f.nome.tipo, c.nameKind) << testing::PrintToString(std::wstring(c.filter));
        EXPECT_EQ(f.nome.texto, c.name) << testing::PrintToString(std::wstring(c.filter));
        EXPECT_EQ(f.extensao.tipo, c.extKind) << testing::PrintToString(std::wstring(c.filter));
        EXPECT_EQ(f.extensao.texto, c.ext) << testing::PrintToString(std::wstring(c.filter));
    }
}

TEST(NameFilter, UpperCasesAccentedLetters) {
    EXPECT_TRUE(Filtro::Compila(L"ação*.*").Aceita(L"AÇÃO final.doc"));
}

}  // namespace
