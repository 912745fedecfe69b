#include "controls/dial_number_edit.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <cstring>

namespace brisken {

bool IsDialCharacter(QChar c) {
    return c.unicode() < 128 && c.unicode() != 0 &&
           std::strchr(kDialCharacters, static_cast<char>(c.unicode())) != nullptr;
}

CDialNumberEdit::CDialNumberEdit(QWidget* parent) : QLineEdit(parent) {
    // Pasted text is held to the same characters as typed text.
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9+#*]*")), this));
}

void CDialNumberEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    if (!command && text.size() == 1 && text[0].isPrint() && !IsDialCharacter(text[0])) {
        event->accept(); // dropped without a sound
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace brisken
