// Exits with 0 once Qt on this display sees a notification area, as the
// program's own start-up check does. A notification area's window can be
// there before it owns the tray selection; the tray tests wait with this.
#include <QApplication>
#include <QSystemTrayIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    return QSystemTrayIcon::isSystemTrayAvailable() ? 0 : 1;
}
