// A label drawn in its own text colour, weight and height, all of which the
// window changes while a run goes on.
#pragma once

#include <QColor>
#include <QLabel>

namespace orrick::ui {

class ColourLabel : public QLabel {
public:
    // pixelHeight 0 keeps the window's font height.
    explicit ColourLabel(const QString& objectName, QWidget* parent = nullptr);

    void SetLook(const QColor& colour, bool bold, int pixelHeight = 0);
    void SetTextColour(const QColor& colour);

    QColor TextColour() const { return colour_; }
    bool IsBold() const { return font().bold(); }

private:
    QColor colour_;
};

} // namespace orrick::ui
