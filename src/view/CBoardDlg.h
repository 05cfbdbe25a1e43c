#pragma once

#include "net/Datagram.h"
#include "settings/SettingsRecords.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <string>

class BoardRefreshThrottle;
class BoardViewContext;
class CAttachFileList;
class CBoardTitle;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QShortcut;
class ReadMarks;
struct BoardWriteContext;

// The board as the member sees it: a borderless child covering the main
// window's client area with the title list, the selected message's text and
// attachments, and the buttons for new, modify, delete, print and message.
class CBoardDlg : public QWidget
{
    Q_OBJECT

public:
    CBoardDlg(BoardViewContext& context, QWidget* parent);
    ~CBoardDlg() override;

    // Reloads the title list from the board file at once, selecting the row
    // of that number (0: none, the list takes the focus; -1: none).
    void RefreshTitles(int32_t number);
    // The same for a change another member announced; a burst of notices
    // costs a few reloads, and the last announced number ends selected.
    void RefreshTitlesFromNotice(int32_t number);
    void ApplyFontAndColors(const QFont& font, const PriorityColors& colors);
    ColumnWidths GetColumnWidths() const;

    void ShowMessage(int32_t number);
    int32_t SelectedNumber(int* row = nullptr) const;
    void ClearMessagePane();
    void PostNew();
    void ModifySelected();
    void DeleteSelected();
    void PrintSelected();
    void OpenSendWindow();
    void OpenAttachment();
    void SaveAttachment();

    // Find: the bar above the title list filters its rows while shown.
    void ShowFindBar();
    void HideFindBar();
    // "次の未読": selects the next unread message in list order.
    bool SelectNextUnread();
    // Brings the message into view selected, as a click on its row would;
    // a find that hides it is ended first.
    bool SelectMessage(int32_t number);
    int UnreadCount() const;

    BoardRefreshThrottle& Throttle() const { return *throttle_; }
    int ReloadCount() const { return reloadCount_; }

signals:
    // The member has seen the board: the main window stops its alert.
    void stopFlash();
    // A command of the view menu, for the main window to handle.
    void viewCommand(int command);
    // The number of unread messages changed.
    void unreadChanged(int count);
    // The list was reloaded for notices of other members' changes, selecting
    // the number announced last.
    void noticeReloaded(int32_t number);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnInitDialog();
    void Layout();
    void OnTitleSelected(int row);
    void ShowViewMenu(const QPoint& globalPoint);
    void ShowAttachMenu(const QPoint& point);
    BoardWriteContext WriteContext() const;
    void Announce(DatagramKind kind, const std::string& text);
    int ReloadTitles(int32_t number, const char* cause);
    void CreateShortcuts();
    void CreateFindBar();
    void SettleReadMarks();
    void MarkRead(int32_t number);
    void MarkUnseenRead();

    BoardViewContext& context_;
    std::string attachmentFolder_;
    QPoint pressPoint_;
    QPoint windowOrigin_;
    bool dragging_ = false;
    bool quietSelection_ = false;
    int reloadCount_ = 0;
    QPushButton* newButton_;
    QPushButton* modifyButton_;
    QPushButton* deleteButton_;
    QPushButton* messageButton_;
    QPlainTextEdit* contentsPane_;
    CBoardTitle* titleList_;
    CAttachFileList* attachList_;
    QPushButton* printButton_;
    BoardRefreshThrottle* throttle_;
    ReadMarks* readMarks_;
    QWidget* findBar_;
    QLineEdit* findEdit_;
    QShortcut* findEscape_ = nullptr;
    // A message shown while the window was not in front: read once it is.
    int32_t unseenShown_ = -1;
};
