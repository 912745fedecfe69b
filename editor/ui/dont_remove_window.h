// The notice shown while a card operation runs: "don't remove the card" over
// picture 140, its text cycling through a ring of colours. It floats above the
// main window without ever taking the focus from it.
#pragma once

#include "core/dont_remove_notice.h"

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>

namespace brisken {

class DontRemoveWindow : public QWidget, public DontRemoveNotice {
    Q_OBJECT
public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 40;
    static constexpr int kColourPeriodMs = 500;
    static const std::array<QColor, 15> kRing;

    // The window is centred over `anchor` on every show. It floats on the
    // desktop: no parent, so whoever creates it owns it.
    explicit DontRemoveWindow(QWidget* anchor);

    // Places the window over the anchor, shows it without activating it and
    // lets the colours run on from where they stopped.
    void Show() override;
    void Hide() override;

    QColor TextColor() const { return kRing[ringPosition_]; }
    int RingPosition() const { return static_cast<int>(ringPosition_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NextColour();

    QPointer<QWidget> anchor_;
    QTimer timer_;
    std::size_t ringPosition_ = 0;
};

} // namespace brisken
