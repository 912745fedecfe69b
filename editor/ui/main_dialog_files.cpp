// Import and Export in the main window: the file dialogs and the list rows.
// Reading, writing and placing entries live in core/data_files.
#include "controls/color_list_ctrl.h"
#include "core/catalogue.h"
#include "core/data_files.h"
#include "core/editing.h"
#include "core/language.h"
#include "core/messages.h"
#include "ui/main_dialog.h"

#include <QFileDialog>

namespace brisken {
namespace {

using namespace ctl;

const QColor kImportedRow(255, 0, 0);

const QString kUsvFilter = QStringLiteral("USIM Style Values(*.usv)");
const QString kTextFilter = QStringLiteral("Text Files (*.txt)");
const QString kCsvImportFilter = QStringLiteral("Comma Separated Values(*.csv)");
const QString kCsvFilter = QStringLiteral("Comma Separated Values (*.csv)");
const QString kVCardFilter = QStringLiteral("vCard (*.vcf)");

// Rows for the entries placed, in red; the list is redrawn once at the end.
template <typename Entry>
int InsertImportedRows(CColorListCtrl* list, const FileEntries<Entry>& read,
                       const ImportPlacement& placement) {
    int lastRow = -1;
    list->setUpdatesEnabled(false);
    for (std::size_t i = 0; i < placement.placed.size(); ++i) {
        const PlacedEntry& placed = placement.placed[i];
        const int row = list->InsertRow(placed.row, QString::number(placed.number));
        const QStringList& cells = read.cells[i];
        for (int column = 0; column < cells.size(); ++column) {
            list->SetCellText(row, column + 1, cells[column]);
        }
        list->SetRowData(row, placed.slot);
        list->SetTextColor(row, -1, kImportedRow, false);
        lastRow = row;
    }
    list->setUpdatesEnabled(true);
    return lastRow;
}

// What the user is told after an import, in this order.
void ReportImport(ImportStop stop, int cardFullMessage, ImportNotes notes) {
    if (stop == ImportStop::CardFull) {
        ShowCatalogueMessage(cardFullMessage);
    } else if (stop == ImportStop::StoreFull) {
        ShowCatalogueMessage(kMsgBookFullImportStopped);
    }
    if (notes.invalid > 0) {
        ShowCatalogueMessage(kMsgFileInvalid, QString::number(notes.invalid));
    }
    if (notes.cut > 0) {
        ShowCatalogueMessage(kMsgEntriesCut, QString::number(notes.cut));
    }
}

// The dialog's title: the menu item that opened it, in the interface language.
QString DialogTitle(int command) {
    for (const MenuItemText& item : MenuItems(kMenuImportExport)) {
        if (item.command == command && item.text != nullptr) {
            return QString::fromUtf8(item.text);
        }
    }
    return {};
}

std::vector<int> RowSlots(const CColorListCtrl* list) {
    std::vector<int> rowSlots;
    rowSlots.reserve(static_cast<std::size_t>(list->RowCount()));
    for (int row = 0; row < list->RowCount(); ++row) {
        rowSlots.push_back(list->RowData(row));
    }
    return rowSlots;
}

} // namespace

MainDialog::FileChoice MainDialog::RunFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(this);
    dialog.setObjectName(request.save ? QStringLiteral("exportFileDialog")
                                      : QStringLiteral("importFileDialog"));
    // The toolkit's own dialog everywhere, so that tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(DialogTitle(request.save ? kCmdExport : kCmdImport));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return {dialog.selectedFiles().constFirst(),
            static_cast<int>(request.filters.indexOf(dialog.selectedNameFilter()))};
}

MainDialog::FileChoice MainDialog::ChooseFile(const FileDialogRequest& request) {
    return fileChooser_ ? fileChooser_(request) : RunFileDialog(request);
}

void MainDialog::OnImport() {
    // The last-dialled list takes no import; its menu item is greyed.
    if (busy_ || view_.lastDialled) {
        return;
    }
    const bool sms = view_.view == View::Sms;
    FileDialogRequest request;
    request.initialName = sms ? QStringLiteral("sms.usv") : QStringLiteral("phone.usv");
    request.filters = {kUsvFilter, kTextFilter, kCsvImportFilter};
    if (!sms) {
        request.filters.append(kVCardFilter);
    }
    const FileChoice choice = ChooseFile(request);
    if (choice.path.isEmpty()) {
        return;
    }
    QByteArray data;
    if (ReadWholeFile(choice.path, data) != FileResult::Ok) {
        ShowCatalogueMessage(kMsgOpenFileFailed);
        return;
    }
    const ImportFormat format = ImportFormatForPath(choice.path, !sms);
    CColorListCtrl* list = ListOf(view_);
    if (sms) {
        const SmsFileEntries read =
            format == ImportFormat::Usv ? ReadSmsUsv(data) : ReadSmsText(data);
        Book<SmsEntry>& book = books_->sms;
        const ImportPlacement placement = PlaceEntries<SmsEntry>(
            book, read.entries, list->RowCount(), book.values.cardRecordCount);
        if (InsertImportedRows(list, read, placement) >= 0) {
            list->SelectRow(book.selection.row);
            FillSmsFields(book.store[static_cast<std::size_t>(book.selection.slot)], false);
        }
        ReportImport(placement.stop, kMsgSmsBookFull, NotesFor(read, placement.placed.size()));
        return;
    }
    const PhoneFileEntries read = format == ImportFormat::Usv     ? ReadPhoneUsv(data)
                                  : format == ImportFormat::VCard ? ReadVCard(data)
                                                                  : ReadPhoneText(data);
    Book<PhoneEntry>& book = books_->phone;
    const ImportPlacement placement = PlaceEntries<PhoneEntry>(
        book, read.entries, list->RowCount(), BookCapacity(book.values, books_->phoneBookTotal));
    if (InsertImportedRows(list, read, placement) >= 0) {
        list->SelectRow(book.selection.row);
        FillPhoneFields(book.store[static_cast<std::size_t>(book.selection.slot)], true);
    }
    ReportImport(placement.stop, kMsgPhoneBookFull, NotesFor(read, placement.placed.size()));
}

void MainDialog::OnExport() {
    if (busy_) {
        return;
    }
    const bool sms = view_.view == View::Sms;
    FileDialogRequest request;
    request.save = true;
    request.initialName = sms ? QStringLiteral("sms.usv") : QStringLiteral("phone.usv");
    std::vector<ExportFormat> formats = {ExportFormat::Usv};
    request.filters = {kUsvFilter};
    if (!sms) {
        request.filters.append(kVCardFilter);
        formats.push_back(ExportFormat::VCard);
    }
    request.filters.append(kCsvFilter);
    formats.push_back(ExportFormat::Csv);

    const FileChoice choice = ChooseFile(request);
    if (choice.path.isEmpty()) {
        return;
    }
    const ExportFormat chosen = choice.filter >= 0 && choice.filter < int(formats.size())
                                    ? formats[static_cast<std::size_t>(choice.filter)]
                                    : ExportFormat::Usv;
    ExportFormat format = ExportFormatForPath(choice.path, chosen);
    if (sms && format == ExportFormat::VCard) {
        format = chosen; // messages have no vCard form
    }
    const std::vector<int> rowSlots = RowSlots(ListOf(view_));
    QByteArray data;
    if (sms) {
        const Book<SmsEntry>& book = books_->sms;
        const std::vector<int> order =
            ExportSlots(book, book.values.cardRecordCount, std::span<const int>(rowSlots));
        data = format == ExportFormat::Csv ? WriteSmsCsv(book.store, order)
                                           : WriteUsv(book.store, order);
    } else {
        const Book<PhoneEntry>& book = view_.lastDialled ? books_->lastDialled : books_->phone;
        const int capacity = view_.lastDialled ? book.values.cardRecordCount
                                               : BookCapacity(book.values, books_->phoneBookTotal);
        const std::vector<int> order = ExportSlots(book, capacity, std::span<const int>(rowSlots));
        data = format == ExportFormat::Csv     ? WritePhoneCsv(book.store, order)
               : format == ExportFormat::VCard ? WriteVCard(book.store, order)
                                               : WriteUsv(book.store, order);
    }
    switch (WriteFileReplacing(choice.path, data)) {
    case FileResult::Ok:
        break;
    case FileResult::OpenFailed:
        ShowCatalogueMessage(kMsgOpenFileFailed);
        break;
    case FileResult::WriteFailed:
    case FileResult::TooLarge:
        ShowCatalogueMessage(kMsgFileWriteFailed);
        break;
    }
}

} // namespace brisken
