// A report-style list whose cells carry their own text and background
// colours, whose rows carry one integer of data, laid out from a column
// description and sorted by clicking a column title.
#pragma once

#include "core/list_rules.h"

#include <QTreeWidget>

#include <optional>

namespace brisken {

class CColorListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CColorListCtrl(QWidget* parent = nullptr);

    // Replaces all rows and columns by those the description gives.
    void SetColumns(const QString& description);
    void SetColumnTitle(int column, const QString& text);

    // Inserts at index (at the end when beyond it); returns the row index, -1 on failure.
    int InsertRow(int index, const QString& text);
    bool DeleteRow(int row);
    void DeleteAllRows();
    int RowCount() const;

    bool SetCellText(int row, int column, const QString& text);
    bool SetCellNumber(int row, int column, int value);
    QString CellText(int row, int column) const;

    bool SetRowData(int row, qint32 data);
    qint32 RowData(int row) const; // 0 for a row that does not exist

    // Row -1 means every row, column -1 every column; no colour means the
    // system's window-text (or window) colour.
    void SetTextColor(int row, int column, std::optional<QColor> color, bool redraw = true);
    void SetBackgroundColor(int row, int column, std::optional<QColor> color, bool redraw = true);
    // The colour a cell is drawn with.
    QColor TextColor(int row, int column) const;
    QColor BackgroundColor(int row, int column) const;

    // Sorts by one column; the rows keep their texts, data and colours.
    void SortByColumn(int column, bool ascending);
    // The header click: ascending unless this column was last sorted ascending.
    void OnHeaderClicked(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }

    // Selects one row (and makes it current); -1 clears.
    void SelectRow(int row);
    int SelectedRow() const;

    // The date formats used by sorting; the user's own by default.
    void SetDateFormats(DateFormats formats) { dates_ = std::move(formats); }

private:
    template <typename Apply> void ForCells(int row, int column, Apply apply);

    DateFormats dates_;
    QList<Qt::Alignment> alignments_;
    int sortColumn_ = -1;
    bool sortAscending_ = false;
};

} // namespace brisken
