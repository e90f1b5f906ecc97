#include "MultipartForm.h"

const char kFormBoundary[] = "---------------------------myboundary";

CStr FormContentTypeHeader()
{
    return CStr("Content-Type: multipart/form-data; boundary=") + kFormBoundary;
}

FormPairs SplitFormPairs(const CStr& text)
{
    std::vector<CStr> tokens;
    int start = 0;
    for (;;) {
        int bar = text.Find('|', start);
        if (bar < 0) {
            tokens.push_back(text.Mid(start));
            break;
        }
        tokens.push_back(text.Mid(start, bar - start));
        start = bar + 1;
    }
    FormPairs pairs;
    for (size_t i = 0; i + 1 < tokens.size(); i += 2)
        pairs.push_back(std::make_pair(tokens[i], tokens[i + 1]));
    return pairs;
}

CStr GetFileNamePart(const CStr& path)
{
    CStr name = path;
    name.Replace("\\", "/");
    int slash = name.ReverseFind('/');
    return slash < 0 ? name : name.Mid(slash + 1);
}

bool IsSendableFormName(const CStr& name)
{
    return !name.ContainsAnyOf("\r\n\"");
}

bool IsSendableFormValue(const CStr& value)
{
    // The value follows a line end, so a value that starts with the delimiter breaks it too.
    return (CStr("\r\n") + value).Find((CStr("\r\n--") + kFormBoundary).c_str()) < 0;
}

CStr FormFieldsText(const FormPairs& fields)
{
    CStr text;
    for (const auto& field : fields) {
        text.AppendFormat("--%s\r\nContent-Disposition: form-data; name=\"", kFormBoundary);
        text += field.first;
        text += "\"\r\n\r\n";
        text += field.second;
        text += "\r\n";
    }
    return text;
}

CStr FilePartHeader(const CStr& fieldName, const CStr& fileName)
{
    CStr header = CStr::Format("--%s\r\nContent-Disposition: form-data; name=\"", kFormBoundary);
    header += fieldName;
    header += "\"; filename=\"";
    header += fileName;
    header += "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
    return header;
}

CStr FormClosingText(bool afterFile)
{
    return CStr::Format("%s--%s--\r\n", afterFile ? "\r\n" : "", kFormBoundary);
}
