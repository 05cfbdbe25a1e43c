#pragma once

#include <QEvent>
#include <QWidget>
#include <QWindow>

// A window standing for the notification area icon, which modal windows must
// leave usable: it records whether one blocked it.
class TrayStandIn : public QWidget
{
public:
    TrayStandIn()
    {
        show();
        windowHandle()->installEventFilter(this);
    }
    bool blocked = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        blocked = blocked || event->type() == QEvent::WindowBlocked;
        return false;
    }
};
