// A menu command posted to a window, as the pop-up menus of picture buttons
// deliver their choice.
#pragma once

#include <QEvent>

namespace brisken {

class MenuCommandEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 16);
    explicit MenuCommandEvent(int command) : QEvent(kType), command_(command) {}
    int Command() const { return command_; }

private:
    int command_;
};

} // namespace brisken
