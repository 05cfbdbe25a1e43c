#pragma once

// Command codes shared by the main window's menu and the tray's pop-up menu.
enum MenuCommand : int {
    kCommandSeparator = 0,
    kCommandToggleWindow = 32771, // "開く" / "閉じる"
    kCommandExit = 32772,
    kCommandSettings = 32773,
    kCommandFont = 32774,
    kCommandRestoreSize = 32775,
    kCommandOpenAttachment = 32776,
    kCommandSaveAttachment = 32777,
    kCommandDesktopNotify = 32778,
    kCommandTargets = 32779,
    kCommandAutostart = 32780,
    kCommandAbout = 0x0010,
};
