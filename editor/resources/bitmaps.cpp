#include "resources/bitmaps.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace brisken {
namespace {

enum class Glyph { Load, Save, New, Delete, Close, Pin, Unblock, ImportExport, Language, Info };

struct ButtonPicture {
    int id;
    Glyph glyph;
    bool lit; // the first image of a pair: shown while hovered or pressed
};

constexpr ButtonPicture kButtons[] = {
    {130, Glyph::Load, true},         {131, Glyph::Load, false},
    {132, Glyph::Save, true},         {133, Glyph::Save, false},
    {134, Glyph::New, true},          {135, Glyph::New, false},
    {136, Glyph::Delete, true},       {137, Glyph::Delete, false},
    {138, Glyph::Close, true},        {139, Glyph::Close, false},
    {142, Glyph::Pin, true},          {143, Glyph::Pin, false},
    {144, Glyph::Unblock, true},      {145, Glyph::Unblock, false},
    {148, Glyph::ImportExport, true}, {149, Glyph::ImportExport, false},
    {152, Glyph::Language, true},     {153, Glyph::Language, false},
    {155, Glyph::Info, true},         {154, Glyph::Info, false},
};

QColor TileColor(Glyph glyph) {
    switch (glyph) {
    case Glyph::Load:
        return QColor(38, 110, 196);
    case Glyph::Save:
        return QColor(36, 146, 84);
    case Glyph::New:
        return QColor(24, 150, 150);
    case Glyph::Delete:
        return QColor(196, 52, 44);
    case Glyph::Close:
        return QColor(110, 110, 120);
    case Glyph::Pin:
        return QColor(214, 128, 24);
    case Glyph::Unblock:
        return QColor(136, 72, 176);
    case Glyph::ImportExport:
        return QColor(150, 104, 48);
    case Glyph::Language:
        return QColor(30, 140, 200);
    case Glyph::Info:
        return QColor(40, 70, 150);
    }
    return Qt::gray;
}

// A small SIM card outline with its cut corner and chip.
void SimCard(QPainter& p, QRectF r) {
    QPainterPath card;
    const qreal cut = r.width() * 0.3;
    card.moveTo(r.left(), r.top());
    card.lineTo(r.right() - cut, r.top());
    card.lineTo(r.right(), r.top() + cut);
    card.lineTo(r.right(), r.bottom());
    card.lineTo(r.left(), r.bottom());
    card.closeSubpath();
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawPath(card);
    p.setBrush(QColor(222, 178, 60));
    p.drawRoundedRect(QRectF(r.left() + r.width() * 0.22, r.top() + r.height() * 0.4,
                             r.width() * 0.56, r.height() * 0.38),
                      1.5, 1.5);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color, qreal width) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal length = std::hypot(d.x(), d.y());
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    const qreal head = 5.0;
    p.drawLine(to, to - u * head + n * head);
    p.drawLine(to, to - u * head - n * head);
}

void Padlock(QPainter& p, bool open) {
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF shackle(11.5, 7, 13, 14);
    if (open) {
        p.drawArc(shackle.translated(5, -2), 0, 180 * 16);
        p.drawLine(QPointF(29.5, 12), QPointF(29.5, 17));
    } else {
        p.drawArc(shackle, 0, 180 * 16);
        p.drawLine(QPointF(11.5, 14), QPointF(11.5, 18));
        p.drawLine(QPointF(24.5, 14), QPointF(24.5, 18));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(8, 17, 20, 13), 2, 2);
    p.setBrush(TileColor(open ? Glyph::Unblock : Glyph::Pin).darker(130));
    p.drawEllipse(QPointF(18, 22.5), 2.2, 2.2);
    p.drawRect(QRectF(17.2, 23, 1.6, 4));
}

void DrawGlyph(QPainter& p, Glyph glyph) {
    const QColor white(Qt::white);
    switch (glyph) {
    case Glyph::Load:
        SimCard(p, QRectF(6, 6, 15, 21));
        Arrow(p, QPointF(26, 8), QPointF(26, 28), white, 3);
        break;
    case Glyph::Save:
        SimCard(p, QRectF(6, 9, 15, 21));
        Arrow(p, QPointF(26, 28), QPointF(26, 8), white, 3);
        break;
    case Glyph::New: {
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawRect(QRectF(9, 6, 15, 22));
        p.setPen(QPen(TileColor(glyph).darker(120), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16.5, 12), QPointF(16.5, 22));
        p.drawLine(QPointF(11.5, 17), QPointF(21.5, 17));
        p.setPen(QPen(white, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(27, 24), QPointF(27, 31));
        p.drawLine(QPointF(23.5, 27.5), QPointF(30.5, 27.5));
        break;
    }
    case Glyph::Delete:
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawRect(QRectF(8, 8, 20, 3));
        p.drawRect(QRectF(15, 5, 6, 3));
        p.drawPolygon(
            QPolygonF({QPointF(10, 13), QPointF(26, 13), QPointF(24.5, 31), QPointF(11.5, 31)}));
        p.setPen(QPen(TileColor(glyph), 1.6));
        p.drawLine(QPointF(15, 16), QPointF(15.5, 28));
        p.drawLine(QPointF(21, 16), QPointF(20.5, 28));
        break;
    case Glyph::Close:
        p.setPen(QPen(white, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(8, 9, 20, 20), 120 * 16, 300 * 16);
        p.drawLine(QPointF(18, 6), QPointF(18, 18));
        break;
    case Glyph::Pin:
        Padlock(p, false);
        break;
    case Glyph::Unblock:
        Padlock(p, true);
        break;
    case Glyph::ImportExport:
        Arrow(p, QPointF(7, 12), QPointF(28, 12), white, 3);
        Arrow(p, QPointF(29, 24), QPointF(8, 24), white, 3);
        break;
    case Glyph::Language:
        p.setPen(QPen(white, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(7, 7, 22, 22));
        p.drawEllipse(QRectF(13, 7, 10, 22));
        p.drawLine(QPointF(7, 18), QPointF(29, 18));
        p.drawLine(QPointF(9, 12.5), QPointF(27, 12.5));
        p.drawLine(QPointF(9, 23.5), QPointF(27, 23.5));
        break;
    case Glyph::Info: {
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawEllipse(QPointF(18, 10), 2.8, 2.8);
        p.drawRoundedRect(QRectF(15.5, 15, 5, 14), 1.5, 1.5);
        p.drawRect(QRectF(13, 15, 5, 2.5));
        p.drawRect(QRectF(13, 26.5, 10, 2.5));
        break;
    }
    }
}

// Drawn with smooth edges on a clear image, then put on magenta: pixels more
// than half covered become opaque, the rest the transparent colour. So no
// pink fringe remains once the transparent colour is masked out.
QImage KeyedOnMagenta(const QImage& drawn) {
    QImage out(drawn.size(), QImage::Format_RGB32);
    for (int y = 0; y < drawn.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < drawn.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            if (alpha < 128) {
                line[x] = 0xFF000000 | kTransparentColor;
            } else {
                line[x] = qRgb(qRed(in[x]) * 255 / alpha, qGreen(in[x]) * 255 / alpha,
                               qBlue(in[x]) * 255 / alpha);
            }
        }
    }
    return out;
}

QImage ButtonImage(Glyph glyph, bool lit) {
    QImage drawn(kButtonImageSize, kButtonImageSize, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter p(&drawn);
    p.setRenderHint(QPainter::Antialiasing);
    QColor tile = TileColor(glyph);
    if (lit) {
        tile = tile.lighter(125);
    }
    QLinearGradient shade(0, 0, 0, kButtonImageSize);
    shade.setColorAt(0, tile.lighter(lit ? 130 : 115));
    shade.setColorAt(1, tile.darker(lit ? 105 : 120));
    p.setPen(QPen(tile.darker(150), 1));
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(1.5, 1.5, kButtonImageSize - 3, kButtonImageSize - 3), 7, 7);
    DrawGlyph(p, glyph);
    p.end();
    return KeyedOnMagenta(drawn);
}

QImage CardPicture(int size) {
    QImage drawn(size, size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter p(&drawn);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 36.0, size / 36.0);
    p.setPen(QPen(QColor(20, 80, 40), 1));
    p.setBrush(QColor(46, 160, 90));
    p.drawRoundedRect(QRectF(1.5, 1.5, 33, 33), 7, 7);
    SimCard(p, QRectF(9, 5, 18, 26));
    p.end();
    return drawn;
}

// The band behind the "don't remove the card" notice: a pale field between
// two hazard-striped ends, with room for the text in the middle. Its colours
// stay clear of the extremes so that every colour of the text ring reads on it.
QImage NoticeBanner() {
    constexpr int kWidth = 460;
    constexpr int kHeight = 40;
    constexpr int kStripes = 18;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, 0, kHeight);
    shade.setColorAt(0, QColor(206, 214, 226));
    shade.setColorAt(1, QColor(168, 180, 198));
    p.fillRect(image.rect(), shade);
    for (int end : {0, kWidth - kStripes}) {
        p.save();
        p.setClipRect(end, 0, kStripes, kHeight);
        p.fillRect(end, 0, kStripes, kHeight, QColor(230, 170, 30));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 60, 60));
        for (int x = end - kHeight; x < end + kStripes; x += 12) {
            const QPointF band[] = {{double(x), double(kHeight)},
                                    {x + 6.0, double(kHeight)},
                                    {x + 6.0 + kHeight, 0},
                                    {double(x + kHeight), 0}};
            p.drawPolygon(band, 4);
        }
        p.restore();
    }
    p.setPen(QPen(QColor(90, 100, 120), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, kWidth - 1, kHeight - 1));
    return image;
}

} // namespace

QImage LoadBitmap(int id) {
    for (const ButtonPicture& picture : kButtons) {
        if (picture.id == id) {
            return ButtonImage(picture.glyph, picture.lit);
        }
    }
    if (id == 129) {
        return KeyedOnMagenta(CardPicture(36));
    }
    if (id == 140) {
        return NoticeBanner();
    }
    return QImage();
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(CardPicture(size)));
    }
    return icon;
}

} // namespace brisken
