// A button that shows two images: the first while hovered, pressed or
// checked, the second otherwise. The images carry a transparent colour; the
// second may be derived from the first (grey or darkened). It can carry a
// pop-up menu whose chosen command is posted to an owner object.
#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

class QMenu;

namespace brisken {

class CPictureButton : public QPushButton {
    Q_OBJECT
public:
    enum class Derived { Grey, Darkened };
    enum class ColorState { Hover, Normal, Focused };
    enum Placement { ImageLeft = 0, ImageTop = 1, ImageRight = 2, ImageAlone = 3 };

    explicit CPictureButton(QWidget* parent = nullptr);
    ~CPictureButton() override;

    // Images from the program's bitmaps, by id.
    bool SetImages(int firstId, QRgb firstTransparent, int secondId, QRgb secondTransparent);
    bool SetImages(int firstId, QRgb transparent, Derived second);
    // Images given directly (second may be null: the first is used always).
    void SetImages(const QImage& first, QRgb firstTransparent, const QImage& second,
                   QRgb secondTransparent);
    void SetImages(const QImage& first, QRgb transparent, Derived second);

    // 0 left of the text, 1 above, 2 right, 3 alone at the top-left; above 3 is refused.
    bool SetImagePlacement(int placement);
    // 0 moves image and text by (1, 1) while pressed, 1 by (0, 2).
    void SetPressedStyle(int style);
    void SetTooltipText(const QString& text);
    void SetBalloonTooltip(bool balloon);
    // Loads menu 146 or 150 in the interface language; 0 removes the menu.
    void SetMenu(int menuId, QObject* owner);
    void SetMenuItemEnabled(int command, bool enabled);
    QMenu* PopupMenu() const { return menu_; }
    int MenuId() const { return menuId_; }
    void SizeToContent();
    void SetColors(ColorState state, const QColor& background, const QColor& text);
    void SetDrawBorder(bool border);
    void SetCheckMode(bool checkMode);
    void SetTransparent(bool transparent);

    bool IsHovering() const { return hovering_; }
    // Which image a paint would use now: 0 the first, 1 the second.
    int CurrentImageIndex() const;

    // The derivations, pixel by pixel, leaving the transparent colour alone.
    // Breaks a tooltip between words so that no line is wider than width
    // (a single longer word keeps its own line).
    static QString WrapTooltip(const QString& text, const QFontMetrics& metrics, int width);
    static constexpr int kTooltipWidth = 400;

    static QImage GreyImage(const QImage& source, QRgb transparent);
    static QImage DarkenedImage(const QImage& source, QRgb transparent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    QSize sizeHint() const override;

private:
    void OnClicked();
    void EndHover();
    void ResetColors();
    static QPixmap Masked(const QImage& image, QRgb transparent);

    QPixmap first_;
    QPixmap second_;
    int placement_ = ImageAlone;
    int pressedStyle_ = 0;
    bool border_ = true;
    bool transparent_ = true;
    bool hovering_ = false;
    bool menuShowing_ = false;
    bool balloon_ = false;
    bool keyboardFocus_ = false; // focus cues only after keyboard use
    QColor background_[3];
    QColor text_[3];
    bool customColors_ = false;
    QMenu* menu_ = nullptr;
    int menuId_ = 0;
    QPointer<QObject> menuOwner_;
};

} // namespace brisken
