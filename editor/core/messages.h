// Every message box of the editor goes through ShowMessage. The window
// installs a handler that shows a real box; tests install one that records
// the request and answers it.
#pragma once

#include <QString>

#include <functional>

namespace brisken {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };
// Exclamation for messages and questions; About for the about box.
enum class MessageKind { Exclamation, About };

struct MessageRequest {
    QString caption;
    QString text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageKind kind = MessageKind::Exclamation;
};

using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;

// Installs a handler and returns the one it replaces.
MessageHandler SetMessageHandler(MessageHandler handler);

// Without a handler the request is logged and answered Ok, or No for a
// question, so that nothing irreversible follows from an unseen question.
MessageAnswer ShowMessage(const MessageRequest& request);

// A catalogue message in the interface language, captioned with the window
// title (string 126). Extra arguments fill %1, %2, ...
MessageAnswer ShowCatalogueMessage(int id, MessageButtons buttons = MessageButtons::Ok);
MessageAnswer ShowCatalogueMessage(int id, const QString& argument);

} // namespace brisken
