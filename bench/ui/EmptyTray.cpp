// The smallest Qt tray program, measured beside the monitor: a tray icon and the event
// loop, nothing else.
#include <QApplication>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QSystemTrayIcon tray(QIcon(":/lindrel/icon.png"));
    tray.show();
    return QApplication::exec();
}
