#include <gtest/gtest.h>

#include "../core/PathParts.h"

using velkaro::JuntaCaminho;
using velkaro::ParteCaminho;
using velkaro::TextoDoItem;

TEST(ParteCaminho, SplitsAtLastBackslashByMode) {
    struct { const wchar_t* path; const wchar_t* mode; const wchar_t* expected; } cases[] = {
        {L"C:\\dados\\foto.jpg", L"D", L"C:\\dados"},
        {L"C:\\dados\\foto.jpg", L"A", L"foto.jpg"},
        {L"C:\\foto.jpg", L"D", L"C:"},
        {L"C:\\a\\a", L"D", L"C:\\a"},
        {L"C:\\a\\a", L"a", L"a"},
        {L"foto.jpg", L"D", L""},
        {L"foto.jpg", L"A", L"foto.jpg"},
        {L"C:\\dados\\foto.jpg", L"d", L"C:\\dados"},
        {L"C:\\dados\\", L"A", L""},
        {L"C:\\dados\\foto.jpg", L"X", L""},
        {L"C:\\dados\\foto.jpg", L"AA", L""},
        {L"C:\\dados\\foto.jpg", L"", L""},
        {L"", L"A", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParteCaminho(c.path, c.mode), c.expected) << testing::PrintToString(std::wstring(c.path)) << " "
                                                           << testing::PrintToString(std::wstring(c.mode));
}

TEST(Joins, OneSeparatorAndNoneAfterARoot) {
    EXPECT_EQ(JuntaCaminho(L"C:\\dados", L"a.txt"), L"C:\\dados\\a.txt");
    EXPECT_EQ(JuntaCaminho(L"C:\\", L"a.txt"), L"C:\\a.txt");
    EXPECT_EQ(JuntaCaminho(L"C:", L"a.txt"), L"C:\\a.txt");
}

TEST(Joins, ListEntryIsFullPathOnlyForFlagOne) {
    EXPECT_EQ(TextoDoItem(1, L"C:\\", L"a.txt"), L"C:\\a.txt");
    EXPECT_EQ(TextoDoItem(1, L"C:\\dados", L"a.txt"), L"C:\\dados\\a.txt");
    EXPECT_EQ(TextoDoItem(0, L"C:\\dados", L"a.txt"), L"a.txt");
    EXPECT_EQ(TextoDoItem(2, L"C:\\dados", L"a.txt"), L"a.txt");
}
