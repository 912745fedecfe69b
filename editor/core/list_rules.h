// The display-free rules behind CColorListCtrl: the column description text
// and the comparison and ordering of cell texts.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace brisken {

enum class ColumnAlignment { Left, Center, Right };

struct ColumnLayout {
    QString title;
    int width = 100;
    ColumnAlignment alignment = ColumnAlignment::Left;
};

// "title, width, alignment; title, width; ..." Entries are separated by ";",
// pieces by ","; pieces are taken as they stand and empty ones are skipped; a
// missing width is 100; alignment 1 is centred, 2 right, anything else left.
// A width that is not a number, negative or absurdly large becomes 100 or is
// capped, so that a description can never make a column vanish or explode.
std::vector<ColumnLayout> ParseColumnDescription(const QString& description);

// The date formats that count as "the user's format" when comparing cells.
struct DateFormats {
    QStringList formats; // tried in order; a cell is a date when one of them reads it whole
};
DateFormats UserDateFormats();

// Compares two cell texts by the first rule that applies to both: unsigned
// hexadecimal integers (which orders decimal digit strings by value), real
// numbers with an optional trailing "%", dates, else code units
// (case-sensitive). Returns <0, 0 or >0.
int CompareCellTexts(const QString& a, const QString& b, const DateFormats& dates);

// The new order of rows for a sort by one column: result[i] is the old index
// of the row that goes to position i. Stable, and it stays within bounds even
// when the comparison is not a strict order (mixed rules can make it so).
std::vector<int> SortedRowOrder(const QStringList& columnTexts, bool ascending,
                                const DateFormats& dates);

// Ascending when the column differs from the last sorted one or the last sort
// was descending; descending when the same column was last sorted ascending.
bool NextSortAscending(int column, int lastColumn, bool lastAscending);

} // namespace brisken
