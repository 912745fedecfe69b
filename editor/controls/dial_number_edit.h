// An edit field for dialling numbers: it takes only "0123456789+#*" (and
// backspace); other characters are dropped silently, typed or pasted.
#pragma once

#include <QLineEdit>

namespace brisken {

inline constexpr const char* kDialCharacters = "0123456789+#*";

bool IsDialCharacter(QChar c);

class CDialNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CDialNumberEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace brisken
