#include <gtest/gtest.h>

#include "../core/RenameRules.h"
#include "../core/Texto.h"

using namespace velkaro;

namespace {

struct RenameCase {
    const wchar_t* name;
    const wchar_t* search;
    bool caseCounts;
    Operacao operation;
    bool before;
    const wchar_t* insert;
    const wchar_t* rule;
    const wchar_t* expected;  // empty: nothing is done
};

// The search text goes in as the window hands it over: upper-cased unless case counts.
std::wstring Apply(const RenameCase& c) {
    RegraDeNome r;
    r.respeitaCaixa = c.caseCounts;
    r.procura = c.caseCounts ? c.search : Maiusculas(c.search);
    r.operacao = c.operation;
    r.antes = c.before;
    r.acrescenta = c.insert;
    r.transformar = c.rule;
    return NovoNome(c.name, r);
}

const RenameCase kWorked[] = {
    {L"Foto_001.JPG", L"foto_", false, Operacao::Excluir, true, L"", L"Não Alterar", L"001.JPG"},
    {L"Foto_001.JPG", L"foto_", false, Operacao::Alterar, true, L"Ferias_", L"Tudo Minusculo Extensão Maiusculo", L"ferias_001.JPG"},
    {L"relatorio.doc", L"rel", false, Operacao::Inserir, true, L"2011_", L"Não Alterar", L"2011_relatorio.doc"},
    {L"relatorio.doc", L"rel", false, Operacao::Inserir, false, L"-X", L"Não Alterar", L"rel-Xatorio.doc"},
    {L"relatorio.doc", L"", false, Operacao::Inserir, true, L"old_", L"Não Alterar", L"old_relatorio.doc"},
    {L"relatorio.doc", L"", false, Operacao::Inserir, false, L"old_", L"Não Alterar", L"old_relatorio.doc"},
    {L"relatorio.doc", L"", false, Operacao::Alterar, true, L"old_", L"Não Alterar", L"old_relatorio.doc"},
    {L"a_b_c.txt", L"_", false, Operacao::Excluir, true, L"", L"Não Alterar", L"ab_c.txt"},
    {L"file.jpeg", L".jpeg", false, Operacao::Alterar, true, L".jpg", L"Tudo em Maiusculo", L"FILE.JPG"},
    {L"MyFile.TXT", L"", false, Operacao::Excluir, true, L"", L"Tudo em Minusculo", L"myfile.txt"},
    {L"my photo.JPG", L"", false, Operacao::Excluir, true, L"", L"Primeira letra em Maiusculo", L"My photo.jpg"},
    {L"archive.TAR.gz", L"", false, Operacao::Excluir, true, L"", L"Tudo Maiusculo Extensão Minusculo", L"ARCHIVE.tar.gz"},
    {L"README", L"", false, Operacao::Excluir, true, L"", L"Tudo Maiusculo Extensão Minusculo", L"readme"},
    {L"readme", L"", false, Operacao::Excluir, true, L"", L"Tudo Minusculo Extensão Maiusculo", L"README"},
    {L"Foto.jpg", L"foto", true, Operacao::Excluir, true, L"", L"Não Alterar", L""},
    {L"Foto.jpg", L"foto", false, Operacao::Excluir, true, L"", L"Não Alterar", L".jpg"},
    {L"abc.txt", L"abc.txt", false, Operacao::Excluir, true, L"", L"Não Alterar", L""},
    // The search may span the dot; only the first occurrence changes.
    {L"nota.txt.txt", L"a.t", false, Operacao::Alterar, true, L"A-T", L"Não Alterar", L"notA-Txt.txt"},
    // No operation chosen (typed text in the box), or a pair the window never makes.
    {L"foto.jpg", L"", false, Operacao::Nenhuma, true, L"x", L"Não Alterar", L""},
    {L"foto.jpg", L"", false, Operacao::Excluir, false, L"x", L"Não Alterar", L""},
    {L"foto.jpg", L"", false, Operacao::Alterar, false, L"x", L"Não Alterar", L""},
    // Rule texts are compared exactly: other letter case leaves the name as it is.
    {L"MyFile.TXT", L"", false, Operacao::Excluir, true, L"", L"tudo em minusculo", L"MyFile.TXT"},
    {L"MyFile.TXT", L"", false, Operacao::Excluir, true, L"", L"Nao Alterar", L"MyFile.TXT"},
    // Accented letters change case one for one.
    {L"ação.TXT", L"", false, Operacao::Excluir, true, L"", L"Tudo em Maiusculo", L"AÇÃO.TXT"},
};

TEST(RenameRules, WorkedExamples) {
    for (const RenameCase& c : kWorked)
        EXPECT_EQ(Apply(c), c.expected) << testing::PrintToString(std::wstring(c.name)) << " / "
                                      << testing::PrintToString(std::wstring(c.search));
}

TEST(RenameRules, PositionOfSearchText) {
    EXPECT_EQ(PosicaoDaProcura(L"Foto.jpg", L"FOTO", false), 1);
    EXPECT_EQ(PosicaoDaProcura(L"Foto.jpg", L"foto", true), 0);
    EXPECT_EQ(PosicaoDaProcura(L"a_b_c", L"_", false), 2);
    EXPECT_EQ(PosicaoDaProcura(L"abc", L"", false), 1);
    EXPECT_EQ(PosicaoDaProcura(L"", L"", false), 1);
}

TEST(RenameRules, CaseRulesOnEdgeNames) {
    EXPECT_EQ(AplicaCaixa(L"", kPrimeiraLetraEmMaiusculo), L"");
    EXPECT_EQ(AplicaCaixa(L".Profile", kTudoMaiusculoExtensaoMinusculo), L".profile");
    EXPECT_EQ(AplicaCaixa(L"x.", kTudoMinusculoExtensaoMaiusculo), L"x.");
}

}  // namespace
