#include "ui/DesktopNotifier.h"

#include "support/FakeNotifications.h"
#include "support/LoggedWarnings.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kService = FakeNotifications::kService;

// The fake service and the notifier each have their own connection to the
// private bus.
class DesktopNotifierTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string problem;
        ASSERT_FALSE(PrivateBus::Address(&problem).isEmpty()) << problem;
        ASSERT_TRUE(serviceBus().isConnected() && notifierBus().isConnected());
        ASSERT_TRUE(fake.Register(serviceBus()));
    }
    void TearDown() override { FakeNotifications::Unregister(serviceBus()); }

    static QDBusConnection serviceBus() { return PrivateBus::Connect(QStringLiteral("fake-service")); }
    static QDBusConnection notifierBus() { return PrivateBus::Connect(QStringLiteral("notifier")); }
    bool WaitForCalls(size_t count) { return fake.WaitForCalls(count); }

    void CollectFailures(DesktopNotifier& notifier)
    {
        QObject::connect(&notifier, &DesktopNotifier::failed, [this](const QString& s, const QString& b, const QString& p) {
            failures.push_back({s, b, p});
        });
    }

    FakeNotifications fake;
    std::vector<QStringList> failures;
};

TEST_F(DesktopNotifierTest, ANotificationReplacesTheLastOneOfItsChannelOnly)
{
    DesktopNotifier notifier(notifierBus(), nullptr);
    // Sent while the first is unanswered: the newest waits for the first's id, the middle one is dropped.
    notifier.Notify("board", "新着 1", "本文 1", "b1");
    notifier.Notify("board", "新着 2", "本文 2", "b2");
    notifier.Notify("board", "新着 3", "本文 3", "b3");
    ASSERT_TRUE(WaitForCalls(2));
    notifier.Notify("message", "伝言", "こんにちは", "m1");
    ASSERT_TRUE(WaitForCalls(3));

    const auto& c = fake.calls;
    EXPECT_TRUE(c[0].summary == "新着 1" && c[0].body == "本文 1" && c[0].replacesId == 0);
    EXPECT_TRUE(c[1].summary == "新着 3" && c[1].body == "本文 3" && c[1].replacesId == c[0].id);
    EXPECT_TRUE(c[2].summary == "伝言" && c[2].replacesId == 0);
    for (const auto& call : c)
        EXPECT_TRUE(call.actions.contains("default") && call.actions.size() % 2 == 0) << call.actions.join(',').toStdString();
    EXPECT_TRUE(c[2].hints.contains("category") && !c[0].hints.contains("category"));
}

TEST_F(DesktopNotifierTest, AnActionReturnsThePayloadOfItsOwnNotificationOnly)
{
    DesktopNotifier notifier(notifierBus(), nullptr);
    QStringList invoked;
    QObject::connect(&notifier, &DesktopNotifier::actionInvoked, [&](const QString& p) { invoked << p; });
    notifier.Notify("board", "新着", "", "b1");
    notifier.Notify("message", "伝言", "", "m1");
    ASSERT_TRUE(WaitForCalls(2));
    notifier.Notify("board", "新着", "", "b2");
    ASSERT_TRUE(WaitForCalls(3));
    const uint board = fake.calls[2].id, message = fake.calls[1].id;
    ASSERT_TRUE(fake.calls[1].summary == "伝言" && board != message);

    // The signals reach the notifier in the order sent, after the service's answers.
    const auto invoke = [&](uint id) { fake.Emit(serviceBus(), "ActionInvoked", id, QStringLiteral("default")); };
    invoke(message);
    invoke(board);
    invoke(message + 100); // another program's
    fake.Emit(serviceBus(), "NotificationClosed", board, 2u);
    invoke(board);
    invoke(message);
    ASSERT_TRUE(QTest::qWaitFor([&] { return invoked.size() >= 3; }));
    EXPECT_EQ(invoked, QStringList({"m1", "b2", "m1"}));

    // Once closed, the board's next notification is a new one.
    notifier.Notify("board", "新着", "", "b3");
    ASSERT_TRUE(WaitForCalls(4));
    EXPECT_EQ(fake.calls[3].replacesId, 0u);
}

// Without a bus or without a service: `failed` carries the texts, comes from
// the event loop, and each kind is logged once.
TEST_F(DesktopNotifierTest, AMissingBusOrServiceHandsTheTextsBackAndIsLoggedOnce)
{
    for (bool noBus : {true, false}) {
        SCOPED_TRACE(noBus ? "no bus" : "no service");
        DesktopNotifier notifier(noBus ? QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                       QStringLiteral("nowhere"))
                                       : notifierBus(),
                                 nullptr);
        if (!noBus) {
            ASSERT_TRUE(serviceBus().unregisterService(kService));
        }
        // The bus answers for a missing service at once: nobody waits for a timeout.
        notifier.SetReplyTimeout(600000);
        failures.clear();
        CollectFailures(notifier);
        LoggedWarnings warnings;
        notifier.Notify("board", "新着", "本文", "b1");
        notifier.Notify("message", "伝言", "こんにちは", "m1");
        EXPECT_TRUE(failures.empty());
        ASSERT_TRUE(QTest::qWaitFor([&] { return failures.size() >= 2; }, 10000));

        EXPECT_EQ(failures[0], QStringList({"新着", "本文", "b1"}));
        EXPECT_EQ(failures[1], QStringList({"伝言", "こんにちは", "m1"}));
        EXPECT_EQ(warnings.Count("quorlboard.notify"), 1u);
        if (!noBus) {
            ASSERT_TRUE(serviceBus().registerService(kService));
        }
    }
}

// A service that takes a call and never answers holds up neither the caller
// nor the other channel; the call gives up after the reply timeout.
TEST_F(DesktopNotifierTest, AHangingCallHoldsUpNeitherTheCallerNorAnotherChannel)
{
    DesktopNotifier notifier(notifierBus(), nullptr);
    notifier.SetReplyTimeout(300);
    CollectFailures(notifier);
    fake.hangOn = "新着";
    notifier.Notify("board", "新着", "本文", "b1");
    notifier.Notify("message", "伝言", "", "m1");
    // The service, on this thread, sees the calls only once Notify has returned.
    EXPECT_TRUE(fake.calls.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failures.empty(); }, 10000));
    EXPECT_EQ(failures[0], QStringList({"新着", "本文", "b1"}));

    // The message was shown: the next one replaces it.
    notifier.Notify("message", "伝言 2", "", "m2");
    ASSERT_TRUE(WaitForCalls(3));
    EXPECT_EQ(fake.calls[2].replacesId, fake.calls[1].id);
    EXPECT_EQ(failures.size(), 1u);
}

} // namespace

