// The application tests' entry point: one application object for every test, on Qt's
// offscreen platform so the tests run without a display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "mobrel_application.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TMobrelApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
