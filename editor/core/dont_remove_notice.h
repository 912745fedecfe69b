// The small window asking the user to leave the card in the reader while a
// book is read or written. The main window owns one; the card flows only
// show and hide it.
#pragma once

namespace brisken {

class DontRemoveNotice {
public:
    virtual ~DontRemoveNotice() = default;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

} // namespace brisken
