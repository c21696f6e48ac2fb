// Test entry for the tests that need the widget engine: widgets run on Qt's
// offscreen platform, so the suite needs no display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/panels.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    if (!StartEngine(argc, argv))
        return 1;
    return RUN_ALL_TESTS();
}
