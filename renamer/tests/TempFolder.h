// A scratch folder on the Linux side (Z:\tmp\...) that tests fill with files and check.
#ifndef VELKARO_TESTS_TEMPFOLDER_H
#define VELKARO_TESTS_TEMPFOLDER_H

#include <set>
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& rel) const { return path_ + L"\\" + rel; }

    void MakeDir(const std::wstring& rel) const;
    void Write(const std::wstring& rel, const std::string& content = "x") const;
    std::string Read(const std::wstring& rel) const;
    // Names in one folder, as the file system spells them.
    std::set<std::wstring> Names(const std::wstring& rel = L"") const;

private:
    std::wstring path_;
};

#endif
