// brisken-list-bench: the list rebuild at the end of Load for a full book
// (1024 rows): the rows built by the core and the fill of the list control.
// Prints figures; run with QT_QPA_PLATFORM=offscreen where there is no display:
//
//   QT_QPA_PLATFORM=offscreen build/editor/brisken-list-bench [ROUNDS]
#include "controls/color_list_ctrl.h"
#include "core/book_transfer.h"
#include "ui/main_dialog.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace brisken;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    auto book = std::make_unique<Book<PhoneEntry>>();
    for (int slot = 0; slot < kStoreSlots; ++slot) {
        PhoneEntry& entry = book->store[static_cast<std::size_t>(slot)];
        std::snprintf(entry.narrowName, sizeof entry.narrowName, "Contact %04d", slot);
        std::snprintf(entry.number, sizeof entry.number, "+49301234%04d", slot);
        entry.state = slot % 7 == 0 ? ENTRY_OCCUPIED | ENTRY_CHANGED : ENTRY_OCCUPIED;
    }
    CColorListCtrl list;
    list.SetColumns(QStringLiteral("No, 50; Name, 100; Phone No, 183"));
    list.resize(340, 400);
    list.show();
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<BookRow> rows = BuildRows(*book);
        MainDialog::FillList(&list, rows);
        list.SortByColumn(0, true);
        list.SelectRow(0);
        QApplication::processEvents();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    std::printf("list rebuild of %d rows (rows, fill, sort, select; median of %d): %.3f ms "
                "(goal below 50 ms)\n",
                list.RowCount(), rounds, times[times.size() / 2]);
    return 0;
}
