#include "app/CBoardApp.h"
#include "app/CMainDlg.h"
#include "app/MemberNotifications.h"
#include "app/WindowPlacement.h"
#include "board/EmptyBoardWriter.h"
#include "core/Cp932Codec.h"
#include "net/CBoardSocket.h"
#include "settings/ui/CSettingDlg.h"
#include "settings/MemorySettingsBackend.h"
#include "support/RecordedBoxes.h"
#include "support/RecordingSocket.h"
#include "support/TempDir.h"
#include "support/TrayStandIn.h"
#include "ui/MenuCommand.h"
#include "ui/MessageBoxService.h"
#include "ui/ModalRunner.h"
#include "view/BoardRefreshThrottle.h"
#include "view/CBoardDlg.h"
#include "view/CBoardTitle.h"
#include "support/Child.h"
#include "support/FakeNotifications.h"
#include "ui/DesktopNotifier.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ModalRunner::SetHook([this](QDialog& dialog) {
            dialogs.push_back(dialog.metaObject()->className());
            auto* settings = qobject_cast<CSettingDlg*>(&dialog);
            return settings != nullptr && settingsAnswer ? settingsAnswer(*settings) : int(QDialog::Rejected);
        });
    }
    void TearDown() override
    {
        app.reset();
        ModalRunner::SetHook({});
        CMainDlg::SetTrayProbe({});
        MemberNotifications::SetFactory({});
    }

    void StoreSettings(int32_t port = 1500, int32_t popup = 0)
    {
        GroupSettings settings;
        std::strcpy(settings.userName, Cp932Codec::FromUtf8("ずり").c_str());
        std::strcpy(settings.groupName, Cp932Codec::FromUtf8("グループ１").c_str());
        std::strcpy(settings.messageFolder, (board.path() + "/").c_str());
        settings.portNumber = port;
        settings.popupOnReceipt = popup;
        store.WriteGroupSettings(settings);
        EmptyBoardWriter::Create(board.file("BoardData.xml"), "UTF-8");
    }
    bool Start(std::optional<int32_t> port = std::nullopt, bool refuseOpen = false)
    {
        app = std::make_unique<CBoardApp>(store);
        app->SetReadStateFolder(board.file("read"));
        auto recording = std::make_unique<RecordingSocket>();
        recording->refuseOpen = refuseOpen;
        socket = recording.get();
        app->SetSocket(std::move(recording));
        return app->InitInstance(port);
    }
    int32_t StoredPort()
    {
        GroupSettings stored;
        store.ReadGroupSettings(stored);
        return stored.portNumber;
    }

    CMainDlg& Window() { return *app->MainWindow(); }
    void Receive(const std::string& wire) { app->OnDatagramReceived(wire.c_str(), wire.size()); }
    std::string FromOther(int kind, const std::string& text)
    {
        return std::to_string(kind) + ":192.168.0.5:PC05:Zuri:" + text;
    }
    std::string Own() const { return std::string(app->Own().address) + ":" + app->Own().host; }
    std::string SentKinds() const
    {
        std::string kinds;
        for (const std::string& sent : socket->sent)
            kinds += sent.substr(0, sent.find('|') + 2) + " ";
        return kinds;
    }
    void Restart(int32_t port = 1500, int32_t popup = 0)
    {
        app.reset();
        StoreSettings(port, popup);
        ASSERT_TRUE(Start());
    }

    MemorySettingsBackend backend;
    SettingsStore store{backend};
    TempDir board;
    std::unique_ptr<CBoardApp> app;
    RecordingSocket* socket = nullptr;
    RecordedBoxes boxes;
    std::vector<std::string> dialogs;
    std::function<int(CSettingDlg&)> settingsAnswer;
};

TEST_F(MainWindowTest, StartUpOpensTheStoredOrCommandLinePortAnnouncesItselfAndGivesTheBoardItsFile)
{
    Restart(1550);
    EXPECT_TRUE(dialogs.empty()) << "no settings window with a folder stored";
    ASSERT_EQ(socket->openedPorts, std::vector<int32_t>{1550});
    const std::string user = Cp932Codec::FromUtf8("ずり");
    EXPECT_EQ(socket->sent, std::vector<std::string>{"|1:" + Own() + ":" + user + ":" + user});
    EXPECT_EQ(app->Peers().Size(), 1u);
    EXPECT_EQ(app->Board().FilePath(), board.path() + "/BoardData.xml");
    EXPECT_EQ(Window().TrayTip(), QStringLiteral("Trellin(1550)"));
    // Offscreen there is no notification area: the window must be reachable.
    EXPECT_TRUE(!Window().HasTray() && Window().isVisible());

    // A port on the command line serves this run only.
    app.reset();
    ASSERT_TRUE(Start(1600));
    EXPECT_EQ(socket->openedPorts, std::vector<int32_t>{1600});
    EXPECT_EQ(StoredPort(), 1550);

    app.reset();
    EXPECT_FALSE(Start(std::nullopt, true));
    ASSERT_EQ(boxes.requests.size(), 1u);
    EXPECT_TRUE(boxes.requests[0].text.startsWith(QStringLiteral("ソケットの作成に失敗(ポート番号:1550)\n")));
    EXPECT_EQ(Window().BoardView(), nullptr);
}

TEST_F(MainWindowTest, AFirstRunOpensTheSettingsWindowWithDefaultsThenTheMainWindowAndTwoCancelsLeaveNoBoardFile)
{
    // Started from the menu, the member must see that something happened.
    CMainDlg::SetTrayProbe([] { return true; });
    ASSERT_TRUE(Start());
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_TRUE(app->Board().FilePath().empty());
    EXPECT_TRUE(Window().IsShown());

    app.reset();
    dialogs.clear();
    settingsAnswer = [&](CSettingDlg& settings) {
        EXPECT_EQ(settings.portNumber, 1500);
        EXPECT_EQ(settings.groupName, QStringLiteral("グループ１"));
        EXPECT_FALSE(settings.userName.isEmpty()) << "the login name";
        settings.messageFolder = QString::fromStdString(board.path() + "/");
        settings.userName = QStringLiteral("花子");
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(Start());
    ASSERT_EQ(dialogs.size(), 1u);
    GroupSettings stored;
    ASSERT_EQ(store.ReadGroupSettings(stored), SettingsStore::kRead);
    EXPECT_EQ(Cp932Codec::ToUtf8(stored.userName), "花子");
    EXPECT_STREQ(app->Own().user, Cp932Codec::FromUtf8("花子").c_str());
    EXPECT_EQ(app->Board().FilePath(), board.path() + "/BoardData.xml");
    EXPECT_TRUE(Window().IsShown());
}

TEST_F(MainWindowTest, BoardChangesReloadTheListThenBlinkUntilShownOrPopTheWindowUp)
{
    StoreSettings();
    CBoardData writer;
    writer.SetFilePath(board.file("BoardData.xml"));
    for (const char* title : {"one", "two"}) {
        BoardMessage message;
        message.title = title;
        ASSERT_EQ(writer.AddMessage(message), 0);
    }
    ASSERT_TRUE(Start());
    Window().HideMainWindow();
    Receive(FromOther(3, "1"));
    EXPECT_EQ(Window().BoardView()->ReloadCount(), 1) << "reloaded before the alert";
    CBoardTitle* titles = Child<CBoardTitle>(Window().BoardView(), QStringLiteral("titleList"));
    EXPECT_EQ(titles->RowNumber(titles->FirstSelectedRow()), 1);
    ASSERT_TRUE(Window().IsAlerting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Window().CurrentTrayImage() == CMainDlg::TrayImage::Alert; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Window().CurrentTrayImage() == CMainDlg::TrayImage::Normal; }, 5000));

    Window().ShowMainWindow();
    EXPECT_FALSE(Window().IsAlerting());
    EXPECT_EQ(Window().CurrentTrayImage(), CMainDlg::TrayImage::Normal);
    EXPECT_FALSE(Window().BlinkPhase());

    Receive(FromOther(7, "Zuri"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Window().BoardView()->ReloadCount() == 2; }, 5000));
    EXPECT_EQ(titles->FirstSelectedRow(), -1);
    EXPECT_TRUE(Window().IsAlerting());
    titles->selectRow(0); // the member has seen the board
    EXPECT_FALSE(Window().IsAlerting());

    // With pop-up on, a board change brings the window up without blinking.
    Restart(1500, 1);
    Window().HideMainWindow();
    Receive(FromOther(3, "7"));
    EXPECT_TRUE(Window().IsShown());
    EXPECT_FALSE(Window().IsAlerting());
}

TEST_F(MainWindowTest, SettingsChangeReopensTheSocketClosingKeepsTheProgramRunningAndExitSavesAndSaysGoodbye)
{
    StoreSettings(1500);
    CMainDlg::SetTrayProbe([] { return true; });
    ASSERT_TRUE(Start());
    EXPECT_FALSE(Window().IsShown());
    TrayStandIn tray;
    auto* trayIcon = Window().findChild<QSystemTrayIcon*>();
    ASSERT_NE(trayIcon, nullptr);
    settingsAnswer = [&](CSettingDlg& settings) {
        // Lost behind others or minimised, it comes up on a tray click or a
        // second start, and it never blocks the tray.
        EXPECT_EQ(settings.parentWidget(), &Window());
        settings.show();
        for (const std::function<void()>& bringUp :
             {std::function<void()>([&] { emit trayIcon->activated(QSystemTrayIcon::Trigger); }),
              std::function<void()>([&] { Window().ShowMainWindow(); })}) {
            settings.showMinimized();
            bringUp();
            EXPECT_FALSE(settings.isMinimized());
        }
        EXPECT_FALSE(tray.blocked);
        settings.portNumber = 1800;
        return int(QDialog::Accepted);
    };
    socket->sent.clear();
    Window().OnCommand(kCommandSettings);
    EXPECT_EQ(socket->openedPorts, (std::vector<int32_t>{1500, 1800}));
    EXPECT_EQ(SentKinds(), "|6 |1 ");
    EXPECT_EQ(Window().TrayTip(), QStringLiteral("Trellin(1800)"));
    EXPECT_EQ(Window().BoardView()->ReloadCount(), 1);
    EXPECT_EQ(StoredPort(), 1800);

    QCloseEvent close;
    QApplication::sendEvent(&Window(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_FALSE(Window().IsShown());
    EXPECT_FALSE(Window().HasExited());

    Window().ShowMainWindow();
    Window().move(40, 30);
    Window().resize(700, 400);
    socket->sent.clear();
    const int numberWidth = Window().BoardView()->GetColumnWidths().number;
    Window().ExitProgram();
    EXPECT_TRUE(Window().HasExited());
    EXPECT_EQ(SentKinds(), "|6 ");
    EXPECT_EQ(app->Peers().Size(), 0u);

    ClientSizeRecord placement;
    ASSERT_EQ(store.ReadClientSize(placement), SettingsStore::kRead);
    EXPECT_EQ(placement.style, WindowPlacement::kShowNormal);
    EXPECT_EQ(placement.right - placement.left, Window().frameGeometry().width());
    ColumnWidths widths;
    ASSERT_EQ(store.ReadColumnWidths(widths), SettingsStore::kRead);
    EXPECT_EQ(widths.number, numberWidth);
}

} // namespace

TEST_F(MainWindowTest, ChangesWhileTheWindowIsAwayAreNotifiedCountedAsUnreadAndTheNotificationSelectsTheMessage)
{
    std::string problem;
    ASSERT_FALSE(PrivateBus::Address(&problem).isEmpty()) << problem;
    FakeNotifications fake;
    QDBusConnection service = PrivateBus::Connect(QStringLiteral("service"));
    ASSERT_TRUE(fake.Register(service));
    MemberNotifications::SetFactory([](QObject* parent) {
        auto* notifier = new DesktopNotifier(PrivateBus::Connect(QStringLiteral("program")), parent);
        notifier->SetReplyTimeout(500);
        return notifier;
    });
    StoreSettings();
    CBoardData writer;
    writer.SetFilePath(board.file("BoardData.xml"));
    const auto add = [&](const char* title) {
        BoardMessage message;
        message.title = title;
        message.name = Cp932Codec::FromUtf8("佐藤");
        message.date = "20241201120000";
        EXPECT_EQ(writer.AddMessage(message), 0);
        return message.number;
    };
    add("old");
    ASSERT_TRUE(Start());
    Window().HideMainWindow();

    const int32_t first = add("first");
    Receive(FromOther(3, std::to_string(first)));
    ASSERT_TRUE(fake.WaitForCalls(1));
    EXPECT_EQ(fake.calls[0].summary, QStringLiteral("掲示板"));
    EXPECT_TRUE(fake.calls[0].body.contains("first") && fake.calls[0].body.contains(QStringLiteral("佐藤")));
    EXPECT_TRUE(Window().TrayTip().endsWith(QStringLiteral("（未読 1）")) && Window().windowTitle().endsWith(QStringLiteral("（未読 1）")))
        << "a message selected while the window is away is not read";

    // A burst: one notification for the reload it folds into, naming the last; a deletion gives none.
    int32_t last = 0;
    for (const char* title : {"b1", "b2", "b3"})
        Receive(FromOther(3, std::to_string(last = add(title))));
    Receive(FromOther(7, "Zuri"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Window().BoardView()->Throttle().Pending(); }, 5000));
    ASSERT_TRUE(fake.WaitForCalls(2));
    QTest::qWait(100);
    EXPECT_EQ(fake.calls.size(), 2u);
    EXPECT_TRUE(fake.calls.back().body.contains("b3"));

    // Clicking the board's notification brings the window up with the message selected.
    fake.Emit(service, "ActionInvoked", fake.calls.back().id, QStringLiteral("default"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Window().IsShown(); }, 5000));
    EXPECT_EQ(Window().BoardView()->SelectedNumber(), last);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
    Receive(FromOther(3, std::to_string(add("seen"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Window().BoardView()->Throttle().Pending(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(fake.calls.size(), 2u) << "none while the window is in front";
    Receive(FromOther(5, "hello"));
    ASSERT_TRUE(fake.WaitForCalls(3));
    EXPECT_TRUE(fake.calls[2].summary == QStringLiteral("メッセージ") && fake.calls[2].body.contains("Zuri"));

    // Turned off, and kept off at the next start.
    Window().OnCommand(kCommandDesktopNotify);
    Restart();
    EXPECT_FALSE(Window().NotificationsOn());
    Window().HideMainWindow();
    Receive(FromOther(3, std::to_string(add("quiet"))));
    Receive(FromOther(5, "hello"));
    QTest::qWait(200);
    EXPECT_EQ(fake.calls.size(), 3u);
    FakeNotifications::Unregister(service);
}
