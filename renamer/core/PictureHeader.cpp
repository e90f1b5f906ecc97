#include "PictureHeader.h"

namespace velkaro {

namespace {

unsigned Be16(const unsigned char* p) { return (static_cast<unsigned>(p[0]) << 8) | p[1]; }
unsigned Le16(const unsigned char* p) { return p[0] | (static_cast<unsigned>(p[1]) << 8); }
long Le32(const unsigned char* p) {
    const unsigned long v = p[0] | (static_cast<unsigned long>(p[1]) << 8) | (static_cast<unsigned long>(p[2]) << 16) |
                            (static_cast<unsigned long>(p[3]) << 24);
    return static_cast<long>(v);
}

bool Jpeg(const unsigned char* d, size_t n, long& largura, long& altura) {
    size_t i = 2;
    while (i + 4 <= n) {
        if (d[i] != 0xFF) return false;
        const unsigned char marca = d[i + 1];
        if (marca == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marca == 0xD8 || marca == 0x01 || (marca >= 0xD0 && marca <= 0xD7)) {  // no length
            i += 2;
            continue;
        }
        if (marca == 0xD9 || marca == 0xDA) return false;  // image data before any frame header
        const size_t comprimento = Be16(d + i + 2);
        if (comprimento < 2) return false;
        const bool quadro = marca >= 0xC0 && marca <= 0xCF && marca != 0xC4 && marca != 0xC8 && marca != 0xCC;
        if (quadro) {
            if (comprimento < 7 || i + 9 > n) return false;
            altura = static_cast<long>(Be16(d + i + 5));
            largura = static_cast<long>(Be16(d + i + 7));
            return true;
        }
        i += 2 + comprimento;
    }
    return false;
}

}  // namespace

bool TamanhoDeclaradoDaImagem(const unsigned char* d, size_t n, long& largura, long& altura) {
    if (!d) return false;
    if (n >= 4 && d[0] == 0xFF && d[1] == 0xD8) return Jpeg(d, n, largura, altura);
    if (n >= 10 && d[0] == 'G' && d[1] == 'I' && d[2] == 'F' && d[3] == '8' && (d[4] == '7' || d[4] == '9') &&
        d[5] == 'a') {
        largura = static_cast<long>(Le16(d + 6));
        altura = static_cast<long>(Le16(d + 8));
        return true;
    }
    if (n >= 26 && d[0] == 'B' && d[1] == 'M') {
        const long cabecalho = Le32(d + 14);
        if (cabecalho == 12) {
            largura = static_cast<long>(Le16(d + 18));
            altura = static_cast<long>(Le16(d + 20));
            return true;
        }
        if (cabecalho < 40) return false;
        largura = Le32(d + 18);
        altura = Le32(d + 22);
        if (altura < 0) {  // top-down rows
            if (altura < -0x7FFFFFFFL) return false;
            altura = -altura;
        }
        return true;
    }
    return false;
}

}  // namespace velkaro
