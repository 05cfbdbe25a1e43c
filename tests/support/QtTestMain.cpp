#include "ui/UiEnvironment.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Test discovery and ctest start the binary without a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        std::string runtime = "/tmp/quorl-runtime-XXXXXX";
        if (mkdtemp(runtime.data()) != nullptr)
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    QApplication app(argc, argv);
    UiEnvironment::Install(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
