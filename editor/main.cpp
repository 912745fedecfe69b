// Brisken, the card editor.
#include "ui/init_instance.h"
#include "ui/message_box.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisken"));
    brisken::InstallMessageBoxes();
    brisken::InitInstance();
    return 0;
}
