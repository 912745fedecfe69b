// Brisken, the card editor.
#include "ui/init_instance.h"
#include "ui/message_box.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[]) {
    // The worker keeps the launcher's standard streams; when whoever read
    // them is gone, a trace line must fail quietly instead of ending it.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisken"));
    brisken::InstallMessageBoxes();
    brisken::InitInstance();
    return 0;
}
