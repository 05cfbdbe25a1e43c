#include "ui/MenuResources.h"

#include "ui/MenuCommand.h"
#include "ui/MessageBoxService.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

const std::vector<MenuResources::SubMenu> kPopupDefinition = {
    {"POPUP",
     0,
     {{"環境設定", kCommandSettings, 'S'},
      {"フォントの変更", kCommandFont, 'F'},
      {nullptr, kCommandSeparator},
      {"開く", kCommandToggleWindow, 'O'},
      {"元のサイズに戻す", kCommandRestoreSize, 'R'},
      {"終了", kCommandExit, 'X'}}},
    {"ATTACH", 0, {{"開く", kCommandOpenAttachment, 'O'}, {"保存", kCommandSaveAttachment, 'S'}}},
};

const std::vector<MenuResources::SubMenu> kMainDefinition = {
    {"ファイル", 'F', {{"閉じる", kCommandToggleWindow, 'C'}, {"終了", kCommandExit, 'X'}}},
    {"オプション",
     'O',
     {{"環境設定", kCommandSettings, 'S'},
      {"フォントの変更", kCommandFont, 'F'},
      {"デスクトップ通知", kCommandDesktopNotify, 'N', true},
      {"送信先の追加...", kCommandTargets, 'T'},
      {"ログイン時に起動", kCommandAutostart, 'L', true}}},
};

const std::vector<MenuResources::SubMenu> kNoMenu;

void AddItems(QMenu* menu, const MenuResources::SubMenu& subMenu, const MenuResources::CommandHandler& handler)
{
    for (const MenuResources::Item& item : subMenu.items) {
        if (item.text == nullptr) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(MenuResources::WithAccessKey(item.text, item.accessKey));
        action->setData(item.command);
        action->setCheckable(item.checkable);
        int command = item.command;
        QObject::connect(action, &QAction::triggered, menu, [handler, command] { handler(command); });
    }
}

} // namespace

const std::vector<MenuResources::SubMenu>& MenuResources::Menu(int menuId)
{
    switch (menuId) {
    case kPopupMenus:
        return kPopupDefinition;
    case kMainMenu:
        return kMainDefinition;
    default:
        return kNoMenu;
    }
}

QMenu* MenuResources::BuildPopup(int menuId, int position, QWidget* parent, const CommandHandler& handler)
{
    const SubMenu& subMenu = Menu(menuId).at(static_cast<size_t>(position));
    auto* menu = new QMenu(QString::fromUtf8(subMenu.title), parent);
    AddItems(menu, subMenu, handler);
    return menu;
}

void MenuResources::BuildMenuBar(int menuId, QMenuBar* bar, const CommandHandler& handler)
{
    for (const SubMenu& subMenu : Menu(menuId))
        AddItems(bar->addMenu(WithAccessKey(subMenu.title, subMenu.accessKey)), subMenu, handler);
}

QString MenuResources::WithAccessKey(const char* text, char key)
{
    QString label = QString::fromUtf8(text);
    if (key == 0)
        return label;
    // "送信先の追加(&T)...": the key goes before the dots of an item that opens a window.
    const QString dots = QStringLiteral("...");
    const bool opensWindow = label.endsWith(dots);
    if (opensWindow)
        label.chop(dots.size());
    return label + QStringLiteral("(&") + QChar::fromLatin1(key) + QLatin1Char(')') + (opensWindow ? dots : QString());
}

QAction* MenuResources::FindAction(QWidget* menu, int command)
{
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == command)
            return action;
        if (action->menu() != nullptr)
            if (QAction* found = FindAction(action->menu(), command))
                return found;
    }
    return nullptr;
}

QString MenuResources::AboutText()
{
    return MessageBoxService::ApplicationName() + QStringLiteral("について(&A)...");
}
