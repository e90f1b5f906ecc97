// Path rules: the folding table, joining below a root, and names that must never reach the file system.
#include "BuiltinFtpServer.h"
#include "FtpPaths.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* before;
    const char* after;
};

TEST(CanonicalizePath, FoldsEveryRowOfTheTable)
{
    const Row rows[] = {
        {"a\\b", "a/b"},           {"a//b", "a/b"},          {"/a//../b", "/b"},       {"/a/./b", "/a/b"},
        {"x/./y", "x/y"},          {"./a", "/a"},            {"./", "/"},              {"../a", "/a"},
        {"../..", "/"},            {"/a/.", "/a"},           {"/.", "/"},              {"/a/.b/.", "/a/.b/."},
        {"/..", "/"},              {"/../a", "/a"},          {"/a/..", "/"},           {"/a/../b", "/b"},
        {"/a/b/..", "/a"},         {"/a/b/../c", "/a/c"},    {"/a/b/c/../../d", "/a/d"},
        {"/a/b/../../../c", "/c"}, {"a/b/../c", "a/c"},      {"a/b/..", "a"},          {"a/../b", "a/b"},
        {"a/..", "a/"},            {"C:/..", "C:/"},         {"C:/a/..", "C:/"},       {"C:/a/../b", "C:/b"},
        {"/a/..b", "/a/..b"},      {"/a/", "/a"},            {"C:\\ftp\\", "C:/ftp"},  {"a/", "a/"},
        {".", "."},                {"..", ".."},
    };
    for (const Row& row : rows) {
        CStr text = row.before;
        EXPECT_TRUE(CBuiltinFtpServer::CanonicalizePath(text));
        EXPECT_STREQ(row.after, text.c_str()) << "from " << row.before;
    }
    CStr empty;
    EXPECT_FALSE(CBuiltinFtpServer::CanonicalizePath(empty));
}

struct JoinRow {
    const char* root;
    const char* cwd;
    const char* argument;  // nullptr: none
    const char* result;    // nullptr: cannot be formed
};

TEST(ResolveLocalPath, JoinsRootCwdAndArgumentInsideTheRoot)
{
    const JoinRow rows[] = {
        {"C:/ftp", "/", "x", "C:/ftp/x"},
        {"C:/ftp", "/sub", "x", "C:/ftp/sub/x"},
        {"C:/ftp", "/sub", "/x", "C:/ftp/x"},
        {"C:/ftp", "/sub", nullptr, "C:/ftp/sub"},
        {"C:/ftp", "/", nullptr, "C:/ftp/"},
        {"C:/ftp", "/", "", "C:/ftp/"},
        {"C:/", "/", "x", "C:/x"},
        {"C:/", "/sub", "x", "C:/sub/x"},
        {"C:/", "/sub", "/x", "C:/x"},
        {"C:/ftp", "/sub", "../x", "C:/ftp/x"},
        // Relative names are relative to the current folder, and ".." is a real parent step.
        {"C:/ftp", "/sub", "./x", "C:/ftp/sub/x"},
        {"C:/ftp", "/sub", "a/../x", "C:/ftp/sub/x"},
        {"C:/ftp", "/sub", "y/..", "C:/ftp/sub"},
        {"C:/ftp", "/sub", "a\\b", "C:/ftp/sub/a/b"},
    };
    for (const JoinRow& row : rows) {
        CStr result;
        bool formed = CBuiltinFtpServer::ResolveLocalPath(row.root, row.cwd, row.argument, result);
        ASSERT_EQ(row.result != nullptr, formed) << row.root << " " << row.cwd << " " << (row.argument ? row.argument : "(none)");
        if (row.result) {
            EXPECT_STREQ(row.result, result.c_str());
        }
    }
}

TEST(ResolveLocalPath, NeverLeavesTheRoot)
{
    const char* attempts[] = {"..", "../..", "../../etc/passwd", "/..", "/../..", "..\\..\\windows", "a/../../..",
                              "./../x", "sub/../../x", "\\..\\x", "//..//x"};
    for (const char* attempt : attempts) {
        for (const char* cwd : {"/", "/sub", "/sub/deeper"}) {
            CStr result;
            if (CBuiltinFtpServer::ResolveLocalPath("C:/ftp", cwd, attempt, result)) {
                EXPECT_TRUE(result == "C:/ftp/" || result.StartsWith("C:/ftp/")) << attempt << " -> " << result.c_str();
            }
        }
    }
    CStr result;
    ASSERT_TRUE(CBuiltinFtpServer::ResolveLocalPath("C:/ftp", "/", "../../..", result));
    EXPECT_STREQ("C:/ftp/", result.c_str());
}

TEST(ResolveLocalPath, RefusesAliasingNames)
{
    const char* refused[] = {"C:/windows", "c:x", "a:b", "file.txt:stream", "nul", "NUL.txt", "con", "Com1",
                             "lpt9.log", "aux.", "dir/prn", "x.", "x ", "...", ". .", "a/.../b", "wild*",
                             "q?", "<a>", "pipe|", "quote\"", "tab\tname", "CONOUT$",
                             "COM0", "lpt0.txt", "com\xB9", "LPT\xB2.log", "Com\xC2\xB3", "conin$.x", "Clock$",
                             "con .txt", "Aux  .log.txt", "prn. .x"};
    for (const char* name : refused) {
        CStr result;
        EXPECT_FALSE(CBuiltinFtpServer::ResolveLocalPath("C:/ftp", "/", name, result)) << name;
    }
    const char* allowed[] = {".hidden", "a.b.c", "COM10", "console", "nullable.txt", "lpt", "x y", "..b",
                             "COMA", "LPT\xB4", "com\xC2\xB9x", "clock", "conin"};
    for (const char* name : allowed) {
        CStr result;
        EXPECT_TRUE(CBuiltinFtpServer::ResolveLocalPath("C:/ftp", "/", name, result)) << name;
    }
}

TEST(ResolveLocalPath, BoundsTheLength)
{
    CStr result;
    CStr name251(std::string(251, 'n'));
    ASSERT_TRUE(CBuiltinFtpServer::ResolveLocalPath("C:/ftp", "/", name251, result));
    EXPECT_EQ(258, result.GetLength());
    CStr name254(std::string(254, 'n'));
    EXPECT_FALSE(CBuiltinFtpServer::ResolveLocalPath("C:/ftp", "/", name254, result));
    EXPECT_FALSE(CBuiltinFtpServer::ResolveLocalPath("", "/", "x", result));
}

TEST(ResolveVirtualPath, FoldsParentStepsAndClampsAtTheTop)
{
    const Row rows[] = {{"/a/b|..", "/a"}, {"/a|..", "/"}, {"/|..", "/"}, {"/x|./sub", "/x/sub"},
                        {"/|a/../b", "/b"}, {"/x|/y//z/", "/y/z"}, {"/x|", "/x"}};
    for (const Row& row : rows) {
        CStr both = row.before;
        int bar = both.Find('|');
        CStr result;
        ASSERT_TRUE(ResolveVirtualPath(both.Left(bar), both.Mid(bar + 1), result));
        EXPECT_STREQ(row.after, result.c_str()) << row.before;
    }
}

TEST(ToNativePath, UsesBackslashesAndDropsOneTrailingSeparator)
{
    EXPECT_STREQ("C:\\", CBuiltinFtpServer::ToNativePath("C:/").c_str());
    EXPECT_STREQ("C:\\ftp", CBuiltinFtpServer::ToNativePath("C:/ftp/").c_str());
    EXPECT_STREQ("\\", CBuiltinFtpServer::ToNativePath("/").c_str());
    EXPECT_STREQ("C:\\ftp\\a", CBuiltinFtpServer::ToNativePath("C:/ftp/a").c_str());
}

}  // namespace
