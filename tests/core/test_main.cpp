#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Reporters print to standard error by default; tests record them instead.
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
