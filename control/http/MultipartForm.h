// The pieces of the multipart/form-data body that HTTPUpload sends: the fixed boundary, the
// field parts, the header of each file part and the closing delimiter. Files themselves are
// streamed by the upload and never pass through here.
#ifndef DORVIK_MULTIPARTFORM_H
#define DORVIK_MULTIPARTFORM_H

#include <utility>
#include <vector>

#include "CStr.h"

extern const char kFormBoundary[];

typedef std::vector<std::pair<CStr, CStr>> FormPairs;

// "Content-Type: multipart/form-data; boundary=" and the boundary, no line end.
CStr FormContentTypeHeader();
// Cuts text at every '|' (empty tokens included) and pairs the tokens in order; a last token
// without a partner is dropped.
FormPairs SplitFormPairs(const CStr& text);
// The text after the last '/' or '\\' of a path.
CStr GetFileNamePart(const CStr& path);

// A name goes between double quotes in a part header: it must not hold CR, LF or '"'.
bool IsSendableFormName(const CStr& name);
// A value must not hold the delimiter line that would end its part early.
bool IsSendableFormValue(const CStr& value);

// Every field as one part: delimiter, Content-Disposition, empty line, the value, CR LF.
CStr FormFieldsText(const FormPairs& fields);
// The head of a file part; the file's bytes follow it unchanged.
CStr FilePartHeader(const CStr& fieldName, const CStr& fileName);
// The line end that closes the last file's bytes (when one was sent), then the final delimiter.
CStr FormClosingText(bool afterFile);

#endif
