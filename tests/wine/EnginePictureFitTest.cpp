// Where a picture box puts its picture: small pictures stay sharp at their own size, large ones
// shrink into the box without being distorted.
#include <windows.h>

#include <gtest/gtest.h>

#include "engine/Picture.h"

namespace {

TEST(FitRect, CentresShrinksAndNeverEnlarges)
{
    const struct {
        const char* what;
        int width, height;
        RECT box;
        RECT expected;
    } cases[] = {
        {"loading picture in its wide box", 32, 32, {0, 0, 208, 144}, {88, 56, 120, 88}},
        {"weather picture in a shorter box", 200, 200, {608, 60, 728, 160}, {618, 60, 718, 160}},
        {"advice picture", 200, 200, {0, 0, 50, 50}, {0, 0, 50, 50}},
        {"exact fit", 16, 16, {10, 10, 26, 26}, {10, 10, 26, 26}},
        {"wide picture in a square", 400, 100, {0, 0, 100, 100}, {0, 37, 100, 62}},
        {"tall picture, only too tall", 50, 300, {0, 0, 100, 150}, {37, 0, 62, 150}},
        {"empty picture", 0, 0, {5, 5, 50, 50}, {5, 5, 5, 5}},
        {"empty box", 32, 32, {5, 5, 5, 50}, {5, 5, 5, 5}},
    };
    for (const auto& c : cases) {
        RECT got = engine::FitRect(c.width, c.height, c.box);
        EXPECT_EQ(got.left, c.expected.left) << c.what;
        EXPECT_EQ(got.top, c.expected.top) << c.what;
        EXPECT_EQ(got.right, c.expected.right) << c.what;
        EXPECT_EQ(got.bottom, c.expected.bottom) << c.what;
    }
}

} // namespace
