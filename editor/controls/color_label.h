// A label with its own text and background colours; transparent by default,
// so that the window's background shows through.
#pragma once

#include <QColor>
#include <QLabel>

namespace brisken {

class CColorLabel : public QLabel {
    Q_OBJECT
public:
    explicit CColorLabel(QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    void SetBackgroundColor(const QColor& color);
    void SetTransparent(bool transparent);
    void SetLabelFont(const QFont& font);

    QColor TextColor() const { return textColor_; }
    QColor BackgroundColor() const { return background_; }
    bool IsTransparent() const { return transparent_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor textColor_;
    QColor background_;
    bool transparent_ = true;
};

} // namespace brisken
