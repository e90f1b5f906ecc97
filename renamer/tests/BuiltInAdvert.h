// The advert that the window carries from its design: advert 2's controls hold the built-in
// sentence and picture, advert 1's texts are hidden. Taken once the window has loaded, and
// checked after a start-up that downloaded nothing: the panel must still show exactly that, in
// captions and visibility, and must not rotate.
#ifndef VELKARO_TESTS_BUILTINADVERT_H
#define VELKARO_TESTS_BUILTINADVERT_H

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "../app/FormVelkaro.h"

struct BuiltInAdvert {
    std::wstring sentence, shadow;

    static BuiltInAdvert Of(const velkaro::FormVelkaro& f) {
        BuiltInAdvert a{f.Propaganda2.Caption(), f.Propaganda3.Caption()};
        EXPECT_EQ(a.sentence.size(), 273u) << "not the window as designed";
        return a;
    }

    void ExpectStillShownBy(const velkaro::FormVelkaro& f) const {
        EXPECT_EQ(f.Propaganda2.Caption(), sentence);
        EXPECT_EQ(f.Propaganda3.Caption(), shadow);
        EXPECT_TRUE(f.Propaganda2.Visible());
        EXPECT_TRUE(f.Propaganda3.Visible());
        EXPECT_FALSE(f.Propaganda0.Visible());
        EXPECT_FALSE(f.Propaganda1.Visible());
        EXPECT_TRUE(f.Banner1.Visible());
        BITMAP picture = {};
        ASSERT_TRUE(f.Banner1.Picture() && GetObjectW(f.Banner1.Picture(), sizeof(picture), &picture));
        EXPECT_EQ(picture.bmWidth, 266);
        EXPECT_EQ(picture.bmHeight, 214);
        EXPECT_FALSE(f.Timer2.Enabled());
        EXPECT_FALSE(f.Timer3.Enabled());
    }
};

#endif
