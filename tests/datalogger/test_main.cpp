#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Window tests draw offscreen; discovery during the build runs this too.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
