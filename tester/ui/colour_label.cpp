#include "colour_label.h"

namespace orrick::ui {

ColourLabel::ColourLabel(const QString& objectName, QWidget* parent) : QLabel(parent) {
    setObjectName(objectName);
    setAlignment(Qt::AlignCenter);
    SetTextColour(palette().color(QPalette::WindowText));
}

void ColourLabel::SetLook(const QColor& colour, bool bold, int pixelHeight) {
    QFont f = font();
    f.setBold(bold);
    if (pixelHeight > 0)
        f.setPixelSize(pixelHeight);
    setFont(f);
    SetTextColour(colour);
}

void ColourLabel::SetTextColour(const QColor& colour) {
    if (colour == colour_)
        return;
    colour_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

} // namespace orrick::ui
