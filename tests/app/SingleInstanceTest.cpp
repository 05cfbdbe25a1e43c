#include "app/SingleInstance.h"

#include "support/TempDir.h"

#include <QTest>

#include <gtest/gtest.h>

#include <future>

namespace {

TEST(SingleInstance, ALaterStartAsksForTheWindowAndLearnsTheRunningPort)
{
    TempDir settings;
    const QString key = SingleInstance::KeyFor(QString::fromStdString(settings.path()));
    // A later start waits for the answer, so it runs beside the event loop.
    auto later = [&] {
        auto asked = std::async(std::launch::async, [&] { return SingleInstance(key).NotifyRunning(); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                                    10000));
        return asked.get();
    };
    EXPECT_EQ(later(), std::nullopt);

    SingleInstance running(key);
    int32_t port = 0; // while start-up has no socket open
    int shown = 0;
    QObject::connect(&running, &SingleInstance::showRequested, [&] { ++shown; });
    ASSERT_TRUE(running.Listen([&] { return port; }));
    EXPECT_EQ(later(), 0);
    port = 1637;
    EXPECT_EQ(later(), 1637);
    EXPECT_EQ(shown, 2);
}

} // namespace
