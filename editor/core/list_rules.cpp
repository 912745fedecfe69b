#include "core/list_rules.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <charconv>
#include <optional>
#include <string>

namespace brisken {
namespace {

constexpr int kDefaultWidth = 100;
constexpr int kMaxWidth = 4096;

std::optional<int> ParseWidth(const QString& piece) {
    bool ok = false;
    const int value = piece.trimmed().toInt(&ok);
    if (!ok || value < 0) {
        return std::nullopt;
    }
    return value > kMaxWidth ? kMaxWidth : value;
}

ColumnAlignment ParseAlignment(const QString& piece) {
    bool ok = false;
    const int value = piece.trimmed().toInt(&ok);
    if (ok && value == 1) {
        return ColumnAlignment::Center;
    }
    if (ok && value == 2) {
        return ColumnAlignment::Right;
    }
    return ColumnAlignment::Left;
}

// A hexadecimal integer read whole: optional leading blanks, then hex digits
// only. Kept as its digits without leading zeros so that any length compares
// exactly, with no overflow.
std::optional<QString> HexDigits(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && text[start].isSpace()) {
        ++start;
    }
    if (start == text.size()) {
        return std::nullopt;
    }
    for (qsizetype i = start; i < text.size(); ++i) {
        if (!isxdigit(text[i].unicode() < 128 ? text[i].unicode() : 'g')) {
            return std::nullopt;
        }
    }
    while (start + 1 < text.size() && text[start] == QLatin1Char('0')) {
        ++start;
    }
    return text.mid(start).toUpper();
}

int CompareHex(const QString& a, const QString& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b);
}

// A real number read whole, in the C locale, optionally followed by one "%".
std::optional<double> RealNumber(const QString& text) {
    QString body = text.trimmed();
    if (body.endsWith(QLatin1Char('%'))) {
        body.chop(1);
    }
    if (body.isEmpty()) {
        return std::nullopt;
    }
    const std::string latin = body.toStdString();
    const char* first = latin.data();
    const char* last = first + latin.size();
    if (*first == '+') {
        ++first;
    }
    const char lead = first < last ? (*first == '-' && first + 1 < last ? first[1] : *first) : 0;
    if (!((lead >= '0' && lead <= '9') || lead == '.')) {
        return std::nullopt; // no "inf", "nan" or hex floats
    }
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

std::optional<QDateTime> DateValue(const QString& text, const DateFormats& dates) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    for (const QString& format : dates.formats) {
        QDateTime when = QDateTime::fromString(trimmed, format);
        if (when.isValid()) {
            return when;
        }
        const QDate day = QDate::fromString(trimmed, format);
        if (day.isValid()) {
            return day.startOfDay();
        }
    }
    return std::nullopt;
}

template <typename T> int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

std::vector<ColumnLayout> ParseColumnDescription(const QString& description) {
    std::vector<ColumnLayout> columns;
    for (const QString& entry : description.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList pieces = entry.split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (pieces.isEmpty()) {
            continue;
        }
        ColumnLayout column;
        column.title = pieces[0];
        if (pieces.size() > 1) {
            column.width = ParseWidth(pieces[1]).value_or(kDefaultWidth);
        }
        if (pieces.size() > 2) {
            column.alignment = ParseAlignment(pieces[2]);
        }
        columns.push_back(column);
    }
    return columns;
}

DateFormats UserDateFormats() {
    const QLocale locale = QLocale::system();
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    return {{date + QLatin1Char(' ') + time, date}};
}

int CompareCellTexts(const QString& a, const QString& b, const DateFormats& dates) {
    const auto hexA = HexDigits(a);
    const auto hexB = HexDigits(b);
    if (hexA && hexB) {
        return CompareHex(*hexA, *hexB);
    }
    const auto realA = RealNumber(a);
    const auto realB = RealNumber(b);
    if (realA && realB) {
        return Order(*realA, *realB);
    }
    const auto dateA = DateValue(a, dates);
    const auto dateB = DateValue(b, dates);
    if (dateA && dateB) {
        return Order(*dateA, *dateB);
    }
    return Order(a.compare(b), 0);
}

std::vector<int> SortedRowOrder(const QStringList& columnTexts, bool ascending,
                                const DateFormats& dates) {
    const int count = static_cast<int>(columnTexts.size());
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        order[static_cast<std::size_t>(i)] = i;
    }
    const auto before = [&](int left, int right) {
        const int result = CompareCellTexts(columnTexts[left], columnTexts[right], dates);
        return ascending ? result < 0 : result > 0;
    };
    // Bottom-up merge sort: every index it touches is computed from the
    // run widths, never from the comparison's answers.
    std::vector<int> buffer(order.size());
    for (std::size_t width = 1; width < order.size(); width *= 2) {
        for (std::size_t low = 0; low < order.size(); low += 2 * width) {
            const std::size_t mid = std::min(low + width, order.size());
            const std::size_t high = std::min(low + 2 * width, order.size());
            std::size_t left = low;
            std::size_t right = mid;
            std::size_t out = low;
            while (left < mid && right < high) {
                buffer[out++] = before(order[right], order[left]) ? order[right++] : order[left++];
            }
            while (left < mid) {
                buffer[out++] = order[left++];
            }
            while (right < high) {
                buffer[out++] = order[right++];
            }
        }
        order.swap(buffer);
    }
    return order;
}

bool NextSortAscending(int column, int lastColumn, bool lastAscending) {
    return column != lastColumn || !lastAscending;
}

} // namespace brisken
