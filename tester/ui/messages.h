// Every message box of the tester goes through ShowMessage, so that tests
// can answer them and see what was asked.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace orrick::ui {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    QString caption;
    QString text; // exact, line breaks as "\r\n"
    MessageButtons buttons = MessageButtons::Ok;
};

using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;

// Replaces the handler (empty: real message boxes); returns the old one.
MessageHandler SetMessageHandler(MessageHandler handler);
MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request);

} // namespace orrick::ui
