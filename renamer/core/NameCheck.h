// Whether a made-up name may be given to a file at all.
// The rename rules paste typed text into names; a name that carries a separator, a stream
// colon, a wildcard, a control character, a device name or a dot/space ending would move the
// file elsewhere, open a device, or come out as another name than the one asked for.
#ifndef VELKARO_NAMECHECK_H
#define VELKARO_NAMECHECK_H

#include <string>

namespace velkaro {

bool NomeDeArquivoValido(const std::wstring& nome);

}  // namespace velkaro

#endif
