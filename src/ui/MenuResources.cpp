#include "ui/MenuResources.h"

#include "ui/MenuCommand.h"
#include "ui/MessageBoxService.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

const std::vector<MenuResources::SubMenu> kPopupDefinition = {
    {"POPUP",
     {{"環境設定", kCommandSettings},
      {"フォントの変更", kCommandFont},
      {nullptr, kCommandSeparator},
      {"開く", kCommandToggleWindow},
      {"元のサイズに戻す", kCommandRestoreSize},
      {"終了", kCommandExit}}},
    {"ATTACH", {{"開く", kCommandOpenAttachment}, {"保存", kCommandSaveAttachment}}},
};

const std::vector<MenuResources::SubMenu> kMainDefinition = {
    {"ファイル", {{"閉じる", kCommandToggleWindow}, {"終了", kCommandExit}}},
    {"オプション", {{"環境設定", kCommandSettings}, {"フォントの変更", kCommandFont}}},
};

const std::vector<MenuResources::SubMenu> kNoMenu;

void AddItems(QMenu* menu, const MenuResources::SubMenu& subMenu, const MenuResources::CommandHandler& handler)
{
    for (const MenuResources::Item& item : subMenu.items) {
        if (item.text == nullptr) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setData(item.command);
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
        AddItems(bar->addMenu(QString::fromUtf8(subMenu.title)), subMenu, handler);
}

QString MenuResources::AboutText()
{
    return MessageBoxService::ApplicationName() + QStringLiteral("について(&A)...");
}
