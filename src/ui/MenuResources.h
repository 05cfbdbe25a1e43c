#pragma once

#include <QString>

#include <functional>
#include <vector>

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
    };
    struct SubMenu
    {
        const char* title;
        std::vector<Item> items;
    };
    using CommandHandler = std::function<void(int command)>;

    static const std::vector<SubMenu>& Menu(int menuId);
    // The sub-menu at position, built as a pop-up owned by parent.
    static QMenu* BuildPopup(int menuId, int position, QWidget* parent, const CommandHandler& handler);
    static void BuildMenuBar(int menuId, QMenuBar* bar, const CommandHandler& handler);
    // The About entry's text: the product title followed by "について(&A)...".
    static QString AboutText();
};
