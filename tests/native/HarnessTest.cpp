// The sanitizers are really on in the native build: a heap overflow must be caught. Without
// this a misconfigured build would pass every other native test without checking anything.
#include <gtest/gtest.h>

#include <vector>

TEST(NativeHarness, AddressSanitizerCatchesOverflow)
{
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_DEATH(
        {
            std::vector<int> values(4);
            volatile int* p = values.data();
            p[4] = 1;
        },
        "heap-buffer-overflow");
#else
    GTEST_SKIP() << "built without AddressSanitizer";
#endif
}
