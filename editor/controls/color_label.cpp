#include "controls/color_label.h"

#include <QApplication>
#include <QPainter>

namespace brisken {

CColorLabel::CColorLabel(QWidget* parent) : QLabel(parent) {
    const QPalette pal = QApplication::palette();
    textColor_ = pal.color(QPalette::WindowText);
    background_ = pal.color(QPalette::Window);
}

void CColorLabel::SetTextColor(const QColor& color) {
    textColor_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
    update();
}

void CColorLabel::SetBackgroundColor(const QColor& color) {
    background_ = color;
    update();
}

void CColorLabel::SetTransparent(bool transparent) {
    transparent_ = transparent;
    update();
}

void CColorLabel::SetLabelFont(const QFont& font) {
    setFont(font);
    update();
}

void CColorLabel::paintEvent(QPaintEvent* event) {
    if (!transparent_) {
        QPainter p(this);
        p.fillRect(rect(), background_);
    }
    QLabel::paintEvent(event);
}

} // namespace brisken
