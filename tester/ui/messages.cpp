#include "messages.h"

#include <QMessageBox>

namespace orrick::ui {
namespace {

MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

} // namespace

MessageHandler SetMessageHandler(MessageHandler handler) {
    MessageHandler old = std::move(Handler());
    Handler() = std::move(handler);
    return old;
}

MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request) {
    if (Handler())
        return Handler()(request);
    QMessageBox box(parent);
    box.setObjectName("messageBox");
    box.setWindowTitle(request.caption);
    QString text = request.text;
    box.setText(text.replace("\r\n", "\n"));
    if (request.buttons == MessageButtons::YesNo) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setIcon(QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

} // namespace orrick::ui
