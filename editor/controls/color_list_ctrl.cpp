#include "controls/color_list_ctrl.h"

#include <QHeaderView>

namespace brisken {
namespace {

constexpr int kRowDataRole = Qt::UserRole + 1;

Qt::Alignment ToQt(ColumnAlignment alignment) {
    switch (alignment) {
    case ColumnAlignment::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case ColumnAlignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

CColorListCtrl::CColorListCtrl(QWidget* parent) : QTreeWidget(parent), dates_(UserDateFormats()) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, &CColorListCtrl::OnHeaderClicked);
}

void CColorListCtrl::SetColumns(const QString& description) {
    clear();
    const std::vector<ColumnLayout> columns = ParseColumnDescription(description);
    setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const ColumnLayout& column : columns) {
        titles << column.title;
    }
    setHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
        headerItem()->setTextAlignment(i, ToQt(columns[static_cast<std::size_t>(i)].alignment));
    }
    // Rows inserted later take the alignment of their columns.
    alignments_.clear();
    for (const ColumnLayout& column : columns) {
        alignments_ << ToQt(column.alignment);
    }
    sortColumn_ = -1;
    sortAscending_ = false;
}

void CColorListCtrl::SetColumnTitle(int column, const QString& text) {
    if (column >= 0 && column < columnCount()) {
        headerItem()->setText(column, text);
    }
}

int CColorListCtrl::InsertRow(int index, const QString& text) {
    if (columnCount() == 0) {
        return -1;
    }
    const int count = topLevelItemCount();
    const int at = index < 0 || index > count ? count : index;
    auto* item = new QTreeWidgetItem;
    for (int column = 0; column < columnCount() && column < alignments_.size(); ++column) {
        item->setTextAlignment(column, alignments_[column]);
    }
    item->setText(0, text);
    item->setData(0, kRowDataRole, 0);
    insertTopLevelItem(at, item);
    return at;
}

bool CColorListCtrl::DeleteRow(int row) {
    if (row < 0 || row >= topLevelItemCount()) {
        return false;
    }
    delete takeTopLevelItem(row);
    return true;
}

void CColorListCtrl::DeleteAllRows() {
    clear();
}

int CColorListCtrl::RowCount() const {
    return topLevelItemCount();
}

bool CColorListCtrl::SetCellText(int row, int column, const QString& text) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr || column < 0 || column >= columnCount()) {
        return false;
    }
    item->setText(column, text);
    return true;
}

bool CColorListCtrl::SetCellNumber(int row, int column, int value) {
    return SetCellText(row, column, QString::number(value));
}

QString CColorListCtrl::CellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

bool CColorListCtrl::SetRowData(int row, qint32 data) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        return false;
    }
    item->setData(0, kRowDataRole, data);
    return true;
}

qint32 CColorListCtrl::RowData(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kRowDataRole).toInt() : 0;
}

template <typename Apply> void CColorListCtrl::ForCells(int row, int column, Apply apply) {
    const int firstRow = row < 0 ? 0 : row;
    const int lastRow = row < 0 ? topLevelItemCount() - 1 : row;
    const int firstColumn = column < 0 ? 0 : column;
    const int lastColumn = column < 0 ? columnCount() - 1 : column;
    if (lastColumn >= columnCount()) {
        return;
    }
    for (int r = firstRow; r <= lastRow; ++r) {
        QTreeWidgetItem* item = topLevelItem(r);
        if (item == nullptr) {
            continue;
        }
        for (int c = firstColumn; c <= lastColumn; ++c) {
            apply(item, c);
        }
    }
}

void CColorListCtrl::SetTextColor(int row, int column, std::optional<QColor> color, bool redraw) {
    ForCells(row, column, [&](QTreeWidgetItem* item, int c) {
        item->setForeground(c, color ? QBrush(*color) : QBrush());
    });
    if (redraw) {
        viewport()->update();
    }
}

void CColorListCtrl::SetBackgroundColor(int row, int column, std::optional<QColor> color,
                                        bool redraw) {
    ForCells(row, column, [&](QTreeWidgetItem* item, int c) {
        item->setBackground(c, color ? QBrush(*color) : QBrush());
    });
    if (redraw) {
        viewport()->update();
    }
}

QColor CColorListCtrl::TextColor(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        return QColor();
    }
    const QBrush brush = item->foreground(column);
    return brush.style() == Qt::NoBrush ? palette().color(QPalette::Text) : brush.color();
}

QColor CColorListCtrl::BackgroundColor(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        return QColor();
    }
    const QBrush brush = item->background(column);
    return brush.style() == Qt::NoBrush ? palette().color(QPalette::Base) : brush.color();
}

void CColorListCtrl::SortByColumn(int column, bool ascending) {
    if (column < 0 || column >= columnCount()) {
        return;
    }
    const int count = topLevelItemCount();
    QStringList texts;
    texts.reserve(count);
    for (int row = 0; row < count; ++row) {
        texts << topLevelItem(row)->text(column);
    }
    const std::vector<int> order = SortedRowOrder(texts, ascending, dates_);
    QTreeWidgetItem* current = currentItem();
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QList<QTreeWidgetItem*> items;
    items.reserve(count);
    for (int row = 0; row < count; ++row) {
        items << topLevelItem(row);
    }
    // Taking the items out and putting them back in the new order keeps
    // every item whole: its texts, row data and colours go with it.
    while (topLevelItemCount() > 0) {
        takeTopLevelItem(0);
    }
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(count);
    for (int index : order) {
        sorted << items[index];
    }
    addTopLevelItems(sorted);
    if (current != nullptr) {
        setCurrentItem(current);
    }
    for (QTreeWidgetItem* item : selected) {
        item->setSelected(true);
    }
    sortColumn_ = column;
    sortAscending_ = ascending;
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CColorListCtrl::OnHeaderClicked(int column) {
    SortByColumn(column, NextSortAscending(column, sortColumn_, sortAscending_));
}

void CColorListCtrl::SelectRow(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    clearSelection();
    if (item != nullptr) {
        setCurrentItem(item);
        item->setSelected(true);
    }
}

int CColorListCtrl::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

} // namespace brisken
