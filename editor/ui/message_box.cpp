#include "ui/message_box.h"

#include "resources/bitmaps.h"

#include <QApplication>
#include <QMessageBox>

namespace brisken {

MessageAnswer ShowMessageBox(const MessageRequest& request) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    if (request.kind == MessageKind::About) {
        box.setIconPixmap(ApplicationIcon().pixmap(48, 48));
    } else {
        box.setIcon(QMessageBox::Warning);
    }
    if (request.buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

void InstallMessageBoxes() {
    SetMessageHandler(ShowMessageBox);
}

} // namespace brisken
