// The pictures the window carries, drawn once at load instead of shipped as files.
#ifndef VELKARO_PICTURES_H
#define VELKARO_PICTURES_H

#include <windows.h>

namespace velkaro {

HBITMAP FundoDaJanela();        // 681 x 591
HBITMAP ImagemDeFechar();       // 25 x 30
HBITMAP PropagandaEmbutida();   // 266 x 214
HBITMAP FundoDaMensagem();      // 312 x 149

}  // namespace velkaro

#endif
