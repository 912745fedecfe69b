#include "ui/dont_remove_window.h"

#include "core/catalogue.h"
#include "core/language.h"
#include "resources/bitmaps.h"

#include <QFontMetrics>
#include <QPainter>

namespace brisken {

const std::array<QColor, 15> DontRemoveWindow::kRing = {{
    {0, 0, 0},
    {127, 0, 0},
    {0, 127, 0},
    {0, 0, 127},
    {127, 127, 0},
    {127, 0, 127},
    {0, 127, 127},
    {127, 127, 127},
    {255, 0, 0},
    {0, 255, 0},
    {0, 0, 255},
    {255, 255, 0},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

DontRemoveWindow::DontRemoveWindow(QWidget* anchor)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      anchor_(anchor) {
    setObjectName(QStringLiteral("dontRemoveWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kWidth, kHeight);
    timer_.setInterval(kColourPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &DontRemoveWindow::NextColour);
}

void DontRemoveWindow::Show() {
    if (anchor_ != nullptr) {
        const QRect frame = anchor_->frameGeometry();
        move(frame.left() + (frame.width() - kWidth) / 2,
             frame.top() + (frame.height() - kHeight) / 2);
    }
    show();
    raise();
    timer_.start();
}

void DontRemoveWindow::Hide() {
    timer_.stop();
    hide();
}

void DontRemoveWindow::NextColour() {
    ringPosition_ = (ringPosition_ + 1) % kRing.size();
    update();
}

void DontRemoveWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage picture = LoadBitmap(140);
    p.drawImage((width() - picture.width()) / 2, (height() - picture.height()) / 2, picture);

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(24);
    font.setWeight(QFont::Bold);
    const QString text = Text(kMsgDontRemoveCard);
    // The text keeps clear of the banner's striped ends; a translation wider
    // than that gets a smaller size rather than losing its ends.
    constexpr int kStripedEnds = 2 * (18 + 4);
    const int room = width() - kStripedEnds;
    while (font.pixelSize() > 12 && QFontMetrics(font).horizontalAdvance(text) > room) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    p.setFont(font);
    p.setPen(TextColor());
    p.drawText(rect(), Qt::AlignCenter, text);
}

} // namespace brisken
