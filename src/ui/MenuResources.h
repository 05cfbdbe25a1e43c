#pragma once

#include <QString>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The program's menus, defined once: menu 130 holds the pop-ups "POPUP" (the
// tray's) and "ATTACH" (the attachment list's); menu 131 is the main
// window's menu bar.
class MenuResources
{
public:
    static constexpr int kPopupMenus = 130;
    static constexpr int kMainMenu = 131;
    static constexpr int kPopupPosition = 0;
    static constexpr int kAttachPosition = 1;

    struct Item
    {
        const char* text; // UTF-8; nullptr for a separator
        int command;
        char accessKey = 0;
        bool checkable = false;
    };
    struct SubMenu
    {
        const char* title;
        char accessKey; // 0: none, as in pop-ups
        std::vector<Item> items;
    };
    using CommandHandler = std::function<void(int command)>;

    static const std::vector<SubMenu>& Menu(int menuId);
    // The sub-menu at position, built as a pop-up owned by parent.
    static QMenu* BuildPopup(int menuId, int position, QWidget* parent, const CommandHandler& handler);
    static void BuildMenuBar(int menuId, QMenuBar* bar, const CommandHandler& handler);
    // "ファイル(&F)": the text followed by its access key, as Japanese menus
    // show it.
    static QString WithAccessKey(const char* text, char key);
    // The action of command in menu or in its sub-menus; nullptr for none.
    static QAction* FindAction(QWidget* menu, int command);
    // The About entry's text: the product title followed by "について(&A)...".
    static QString AboutText();
};
