// The pixel size a picture file declares, read from its header without decoding it, so that a
// picture that would need more memory than a window can spare is refused before any decoder
// allocates for it. Knows JPEG, GIF and BMP, the formats the picture loader is given.
#ifndef VELKARO_PICTUREHEADER_H
#define VELKARO_PICTUREHEADER_H

#include <cstddef>

namespace velkaro {

// False for any other format, a truncated header or a JPEG without a frame header.
bool TamanhoDeclaradoDaImagem(const unsigned char* dados, size_t tamanho, long& largura, long& altura);

}  // namespace velkaro

#endif
