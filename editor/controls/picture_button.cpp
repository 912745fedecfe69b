#include "controls/picture_button.h"

#include "controls/menu_command.h"
#include "core/language.h"
#include "resources/bitmaps.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace brisken {
namespace {

constexpr int kImageMargin = 3;

int Index(CPictureButton::ColorState state) {
    return static_cast<int>(state);
}

void Edge(QPainter& p, QRect r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

CPictureButton::CPictureButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setAttribute(Qt::WA_Hover);
    ResetColors();
    connect(this, &QAbstractButton::clicked, this, &CPictureButton::OnClicked);
}

CPictureButton::~CPictureButton() = default;

void CPictureButton::ResetColors() {
    const QPalette pal = QApplication::palette();
    for (int i = 0; i < 3; ++i) {
        background_[i] = pal.color(QPalette::Button);
        text_[i] = pal.color(QPalette::ButtonText);
    }
}

QPixmap CPictureButton::Masked(const QImage& image, QRgb transparent) {
    if (image.isNull()) {
        return QPixmap();
    }
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & 0xFFFFFF;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == key) {
                line[x] = 0;
            }
        }
    }
    return QPixmap::fromImage(argb);
}

QImage CPictureButton::GreyImage(const QImage& source, QRgb transparent) {
    QImage out = source.convertToFormat(QImage::Format_RGB32);
    const QRgb key = transparent & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == key) {
                continue;
            }
            const double level =
                0.299 * qRed(line[x]) + 0.587 * qGreen(line[x]) + 0.114 * qBlue(line[x]);
            const int grey = static_cast<int>(level) > 255 ? 255 : static_cast<int>(level);
            line[x] = qRgb(grey, grey, grey);
        }
    }
    return out;
}

QImage CPictureButton::DarkenedImage(const QImage& source, QRgb transparent) {
    QImage out = source.convertToFormat(QImage::Format_RGB32);
    const QRgb key = transparent & 0xFFFFFF;
    const auto darken = [](int c) { return static_cast<int>(c - 0.25 * c); };
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0xFFFFFF) != key) {
                line[x] =
                    qRgb(darken(qRed(line[x])), darken(qGreen(line[x])), darken(qBlue(line[x])));
            }
        }
    }
    return out;
}

bool CPictureButton::SetImages(int firstId, QRgb firstTransparent, int secondId,
                               QRgb secondTransparent) {
    const QImage first = LoadBitmap(firstId);
    if (first.isNull()) {
        return false;
    }
    SetImages(first, firstTransparent, LoadBitmap(secondId), secondTransparent);
    return true;
}

bool CPictureButton::SetImages(int firstId, QRgb transparent, Derived second) {
    const QImage first = LoadBitmap(firstId);
    if (first.isNull()) {
        return false;
    }
    SetImages(first, transparent, second);
    return true;
}

void CPictureButton::SetImages(const QImage& first, QRgb firstTransparent, const QImage& second,
                               QRgb secondTransparent) {
    first_ = Masked(first, firstTransparent);
    second_ = Masked(second, secondTransparent);
    update();
}

void CPictureButton::SetImages(const QImage& first, QRgb transparent, Derived second) {
    SetImages(first, transparent,
              second == Derived::Grey ? GreyImage(first, transparent)
                                      : DarkenedImage(first, transparent),
              transparent);
}

bool CPictureButton::SetImagePlacement(int placement) {
    if (placement < 0 || placement > ImageAlone) {
        return false;
    }
    placement_ = placement;
    update();
    return true;
}

void CPictureButton::SetPressedStyle(int style) {
    pressedStyle_ = style == 1 ? 1 : 0;
}

QString CPictureButton::WrapTooltip(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) {
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

void CPictureButton::SetTooltipText(const QString& text) {
    // Tooltips are held to kTooltipWidth pixels: longer texts break between words.
    setToolTip(WrapTooltip(text, QFontMetrics(QToolTip::font()), kTooltipWidth));
}

void CPictureButton::SetBalloonTooltip(bool balloon) {
    balloon_ = balloon;
}

void CPictureButton::SetMenu(int menuId, QObject* owner) {
    delete menu_;
    menu_ = nullptr;
    menuId_ = 0;
    menuOwner_ = owner;
    if (menuId == 0) {
        return;
    }
    menuId_ = menuId;
    menu_ = new QMenu(this);
    for (const MenuItemText& item : MenuItems(menuId)) {
        if (item.command == 0 || item.text == nullptr) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(QString::fromUtf8(item.text));
        action->setData(item.command);
        action->setObjectName(QStringLiteral("cmd%1").arg(item.command));
    }
}

void CPictureButton::SetMenuItemEnabled(int command, bool enabled) {
    if (menu_ == nullptr) {
        return;
    }
    for (QAction* action : menu_->actions()) {
        if (action->data().toInt() == command) {
            action->setEnabled(enabled);
        }
    }
}

void CPictureButton::SizeToContent() {
    if (!first_.isNull()) {
        setFixedSize(first_.deviceIndependentSize().toSize());
    }
}

void CPictureButton::SetColors(ColorState state, const QColor& background, const QColor& text) {
    background_[Index(state)] = background;
    text_[Index(state)] = text;
    customColors_ = true;
    update();
}

void CPictureButton::SetDrawBorder(bool border) {
    border_ = border;
    update();
}

void CPictureButton::SetCheckMode(bool checkMode) {
    setCheckable(checkMode);
}

void CPictureButton::SetTransparent(bool transparent) {
    transparent_ = transparent;
    update();
}

int CPictureButton::CurrentImageIndex() const {
    const bool lit = hovering_ || isDown() || menuShowing_ || (isCheckable() && isChecked());
    return lit || second_.isNull() ? 0 : 1;
}

void CPictureButton::OnClicked() {
    if (isCheckable() || menu_ == nullptr) {
        return; // check mode flips by itself; a plain button's click goes to its connections
    }
    menuShowing_ = true;
    setDown(true);
    QAction* chosen = menu_->exec(mapToGlobal(rect().bottomLeft()));
    menuShowing_ = false;
    setDown(false);
    EndHover();
    if (chosen != nullptr && menuOwner_ != nullptr) {
        QCoreApplication::postEvent(menuOwner_, new MenuCommandEvent(chosen->data().toInt()));
    }
}

void CPictureButton::EndHover() {
    if (hovering_) {
        hovering_ = false;
    }
    update();
}

void CPictureButton::enterEvent(QEnterEvent* event) {
    if (!(QApplication::mouseButtons() & Qt::LeftButton)) {
        hovering_ = true;
        update();
    }
    QPushButton::enterEvent(event);
}

void CPictureButton::leaveEvent(QEvent* event) {
    EndHover();
    QPushButton::leaveEvent(event);
}

void CPictureButton::focusInEvent(QFocusEvent* event) {
    // As the desktop hides focus cues until the keyboard is used, a button
    // focused by a click shows no focus rectangle over its picture.
    keyboardFocus_ = event->reason() == Qt::TabFocusReason ||
                     event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
    QPushButton::focusInEvent(event);
}

void CPictureButton::focusOutEvent(QFocusEvent* event) {
    EndHover();
    QPushButton::focusOutEvent(event);
}

void CPictureButton::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::ActivationChange:
        if (!isActiveWindow()) {
            EndHover();
        }
        break;
    case QEvent::PaletteChange:
        if (!customColors_) {
            ResetColors();
        }
        break;
    case QEvent::EnabledChange:
        if (!isEnabled() && hasFocus()) {
            QWidget* dialog = window();
            if (!focusNextChild() && dialog != nullptr) {
                dialog->setFocus();
            }
        }
        break;
    default:
        break;
    }
    QPushButton::changeEvent(event);
}

QSize CPictureButton::sizeHint() const {
    return first_.isNull() ? QPushButton::sizeHint() : first_.deviceIndependentSize().toSize();
}

void CPictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool pressed = isDown() || menuShowing_ || (isCheckable() && isChecked());
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();
    const QPalette& pal = palette();
    QRect r = rect();

    const int state = hovering_ || pressed
                          ? Index(ColorState::Hover)
                          : (focused ? Index(ColorState::Focused) : Index(ColorState::Normal));
    if (!transparent_) {
        p.fillRect(r, background_[state]);
    }

    if (!isFlat() && (focused || isDefault())) {
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    const QRect edge = r.adjusted(0, 0, -1, -1);
    if (pressed) {
        if (!isFlat()) {
            p.setPen(pal.color(QPalette::Dark));
            p.drawRect(edge);
        } else if (border_) {
            Edge(p, edge, pal.color(QPalette::Dark), pal.color(QPalette::Light));
        }
    } else if (!isFlat()) {
        Edge(p, edge, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
        Edge(p, edge.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight),
             pal.color(QPalette::Dark));
    } else if (hovering_ && border_) {
        Edge(p, edge, pal.color(QPalette::Light), pal.color(QPalette::Dark));
    }

    QPoint offset;
    if (pressed) {
        offset = pressedStyle_ == 1 ? QPoint(0, 2) : QPoint(1, 1);
    }
    const QPixmap& image = CurrentImageIndex() == 0 ? first_ : second_;
    QRect textRect = r.adjusted(kImageMargin, kImageMargin, -kImageMargin, -kImageMargin);
    if (!image.isNull()) {
        const QSize size = image.deviceIndependentSize().toSize();
        QPoint at;
        switch (placement_) {
        case ImageLeft:
            at = QPoint(r.left() + kImageMargin, r.center().y() - size.height() / 2);
            textRect.setLeft(at.x() + size.width() + kImageMargin);
            break;
        case ImageTop:
            at = QPoint(r.center().x() - size.width() / 2, r.top() + kImageMargin);
            textRect.setTop(at.y() + size.height() + kImageMargin);
            break;
        case ImageRight:
            at =
                QPoint(r.right() - kImageMargin - size.width(), r.center().y() - size.height() / 2);
            textRect.setRight(at.x() - kImageMargin);
            break;
        default:
            at = QPoint(0, 0);
            break;
        }
        if (disabled) {
            QStyleOption option;
            option.initFrom(this);
            p.drawPixmap(at + offset,
                         style()->generatedIconPixmap(QIcon::Disabled, image, &option));
        } else {
            p.drawPixmap(at + offset, image);
        }
    }

    if (!text().isEmpty() && placement_ != ImageAlone) {
        const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        const QRect at = textRect.translated(offset);
        if (disabled) {
            p.setPen(pal.color(QPalette::Light));
            p.drawText(at.translated(1, 1), flags, text());
            p.setPen(pal.color(QPalette::Dark));
        } else {
            p.setPen(text_[state]);
        }
        p.drawText(at, flags, text());
    }

    if (focused && keyboardFocus_) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

} // namespace brisken
