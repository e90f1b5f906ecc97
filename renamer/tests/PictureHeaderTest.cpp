#include <gtest/gtest.h>

#include <string>

#include "../core/PictureHeader.h"
#include "AdvertFixtures.h"

using velkaro::TamanhoDeclaradoDaImagem;

TEST(PictureHeader, ReadsTheDeclaredSizeOrRefuses) {
    std::string gif = "GIF89a";
    gif += std::string("\x40\x01\xF0\x00", 4);  // 320 x 240
    std::string coreBmp = Bmp(1, 1);
    coreBmp[14] = 12;  // an OS/2 header: 16-bit sizes at 18 and 20
    coreBmp[18] = 7;
    coreBmp[19] = 0;
    coreBmp[20] = 9;
    coreBmp[21] = 0;
    std::string topDown = Bmp(5, 3);
    topDown[22] = static_cast<char>(0xFD);  // height -3
    topDown[23] = topDown[24] = topDown[25] = static_cast<char>(0xFF);
    std::string scanFirst = Jpeg24x16();
    scanFirst.replace(scanFirst.find("\xFF\xC0"), 2, "\xFF\xDA");
    struct Case {
        const char* name;
        std::string data;
        bool ok;
        long w, h;
    } cases[] = {
        {"jpeg", Jpeg24x16(), true, 24, 16},
        {"jpeg, patched frame", JpegDeclaring(60000, 70), true, 60000, 70},
        {"jpeg cut before its frame header", Jpeg24x16().substr(0, 100), false, 0, 0},
        {"jpeg with its scan before any frame", scanFirst, false, 0, 0},
        {"gif", gif, true, 320, 240},
        {"bmp", Bmp(30, 20), true, 30, 20},
        {"bmp, top-down rows", topDown, true, 5, 3},
        {"bmp, core header", coreBmp, true, 7, 9},
        {"png", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), false, 0, 0},
        {"text", "<html></html>", false, 0, 0},
        {"empty", "", false, 0, 0},
    };
    for (const Case& c : cases) {
        long w = 0, h = 0;
        const bool ok =
            TamanhoDeclaradoDaImagem(reinterpret_cast<const unsigned char*>(c.data.data()), c.data.size(), w, h);
        EXPECT_EQ(ok, c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(w, c.w) << c.name;
            EXPECT_EQ(h, c.h) << c.name;
        }
    }
}
