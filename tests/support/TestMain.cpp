#include "core/FileCreation.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    FileCreation::Init();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
