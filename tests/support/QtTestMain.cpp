#include "core/FileCreation.h"
#include "ui/UiEnvironment.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    FileCreation::Init();
    // Test discovery and ctest start the binary without a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtime = "/tmp/quorl-runtime-XXXXXX";
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr && mkdtemp(runtime.data()) != nullptr)
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    else
        runtime.clear();
    int result = 0;
    {
        QApplication app(argc, argv);
        UiEnvironment::Install(app);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    if (!runtime.empty())
        std::filesystem::remove_all(runtime, ignored);
    return result;
}
