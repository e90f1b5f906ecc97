// LoadPicture: a picture file into a bitmap of the window's own, for an Image control.
// The file is vetted before a decoder sees it: at most kBytesMaximos bytes, a JPEG, GIF or BMP
// header that declares at most kLadoMaximo pixels a side. Anything else, or a file the decoder
// rejects, raises error 481; a file that cannot be opened raises 53.
#ifndef FORMS_PICTURE_H
#define FORMS_PICTURE_H

#include <windows.h>

#include <string>

namespace forms {

const unsigned long kBytesMaximosDaImagem = 4u << 20;
const long kLadoMaximoDaImagem = 2048;

HBITMAP LoadPicture(const std::wstring& caminho);

}  // namespace forms

#endif
