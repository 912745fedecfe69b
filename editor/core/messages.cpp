#include "core/messages.h"

#include "core/catalogue.h"
#include "core/language.h"

#include <QDebug>

#include <mutex>

namespace brisken {
namespace {

std::mutex handlerMutex;
MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

} // namespace

MessageHandler SetMessageHandler(MessageHandler handler) {
    std::lock_guard lock(handlerMutex);
    MessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

MessageAnswer ShowMessage(const MessageRequest& request) {
    MessageHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = Handler();
    }
    if (handler) {
        return handler(request);
    }
    qWarning().noquote() << request.caption << ":" << request.text;
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

MessageAnswer ShowCatalogueMessage(int id, MessageButtons buttons) {
    return ShowMessage({Text(kMsgTitle), Text(id), buttons, MessageKind::Exclamation});
}

MessageAnswer ShowCatalogueMessage(int id, const QString& argument) {
    return ShowMessage(
        {Text(kMsgTitle), Text(id).arg(argument), MessageButtons::Ok, MessageKind::Exclamation});
}

} // namespace brisken
