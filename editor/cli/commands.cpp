#include "cli/commands.h"

#include "cli/record_images.h"

#include "core/card_flow.h"
#include "core/catalogue.h"
#include "core/data_files.h"
#include "core/editing.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

namespace brisken::cli {
namespace {

constexpr int kManifestVersion = 1;
constexpr const char* kManifestName = "manifest.json";

// The longest SMS record the card library reads and writes.
int ImageRoom(bool cdma) {
    return cdma ? static_cast<int>(sizeof _CDMA_SMS_ITEM{}.record)
                : static_cast<int>(sizeof _SMS_ITEM{}.record);
}

void PutData(QByteArrayView data) {
    std::fwrite(data.data(), 1, static_cast<std::size_t>(data.size()), stdout);
    std::fflush(stdout);
}

void PutLine(const QString& line) {
    PutData((line + u'\n').toUtf8());
}

void PutJson(const QJsonObject& object) {
    PutData(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

// Messages of identification and the PIN runner, for flows without a view
// of their own.
class ConsoleFlowView final : public CardFlowView {
public:
    explicit ConsoleFlowView(Console& console) : console_(console) {}
    void Message(int messageId, const QString& argument) override {
        console_.Message(messageId, argument);
    }
    void SetProgress(int) override {}
    void StopTimer() override {}

private:
    Console& console_;
};

int Capacity(const Books& books, BookKind kind) {
    switch (kind) {
    case BookKind::Phone:
        return std::min(BookCapacity(books.phone.values, books.phoneBookTotal), kStoreSlots);
    case BookKind::LastDialled:
        return std::min(BookCapacity(books.lastDialled.values, 0), kStoreSlots);
    case BookKind::Sms:
        break;
    }
    return std::min(BookCapacity(books.sms.values, 0), kStoreSlots);
}

// Entries compared by what goes to the card, not by their state bits.
template <typename Entry> bool SameContent(const Entry& a, const Entry& b) {
    Entry left = a;
    Entry right = b;
    left.state = right.state = 0;
    return std::memcmp(&left, &right, sizeof(Entry)) == 0;
}

QJsonObject Describe(const PhoneEntry& entry) {
    return {{QStringLiteral("name"), EntryName(entry)},
            {QStringLiteral("number"), EntryNumber(entry)}};
}

QJsonObject Describe(const SmsEntry& entry) {
    return {{QStringLiteral("number"), EntryNumber(entry)},
            {QStringLiteral("time"), TimeStampDisplay(entry.timeStamp, sizeof entry.timeStamp)},
            {QStringLiteral("message"), MessageDisplay(entry)}};
}

QString DescribeText(const QJsonObject& fields) {
    QStringList parts;
    for (const char* key : {"name", "number", "time", "message"}) {
        const QJsonValue value = fields.value(QLatin1String(key));
        if (!value.toString().isEmpty()) {
            parts += value.toString();
        }
    }
    return parts.join(QStringLiteral(" | "));
}

// The records a write of `book` is about to change: state 3 is written,
// ENTRY_DELETED is cleared (as the core's Save decides).
struct Planned {
    std::vector<int> writes;
    std::vector<int> clears;
};

template <typename Entry> Planned PlanOf(const Book<Entry>& book) {
    Planned plan;
    for (int slot = 0; slot < kStoreSlots; ++slot) {
        const std::uint8_t state = book.store[static_cast<std::size_t>(slot)].state;
        if ((state & ENTRY_DELETED) != 0) {
            plan.clears.push_back(slot);
        } else if (state == (ENTRY_OCCUPIED | ENTRY_CHANGED)) {
            plan.writes.push_back(slot);
        }
    }
    return plan;
}

// What a write did, for the terminal or as JSON. Positions are 1-based
// places in the book (for a USIM, across its files).
template <typename Entry>
QJsonObject WriteSummary(BookKind kind, const Book<Entry>& book, const Planned& plan,
                         const std::bitset<kStoreSlots>* failed) {
    QJsonArray written;
    QJsonArray cleared;
    QJsonArray notWritten;
    const auto place = [&](int slot, bool clear) {
        QJsonObject item =
            clear ? QJsonObject{} : Describe(book.store[static_cast<std::size_t>(slot)]);
        // Last-dialled entries are appended oldest first: the one written
        // last becomes record 1.
        const int record =
            kind == BookKind::LastDialled ? static_cast<int>(plan.writes.size()) - slot : slot + 1;
        item.insert(QStringLiteral("record"), record);
        if (failed != nullptr && failed->test(static_cast<std::size_t>(slot))) {
            item.insert(QStringLiteral("action"),
                        clear ? QStringLiteral("clear") : QStringLiteral("write"));
            notWritten.append(item);
        } else {
            (clear ? cleared : written).append(item);
        }
    };
    for (int slot : plan.writes) {
        place(slot, false);
    }
    for (int slot : plan.clears) {
        place(slot, true);
    }
    return {{QStringLiteral("book"), BookName(kind)},
            {QStringLiteral("written"), written},
            {QStringLiteral("cleared"), cleared},
            {QStringLiteral("notWritten"), notWritten}};
}

void PrintSummary(const QJsonObject& summary, bool dryRun) {
    const QString book = summary.value(QStringLiteral("book")).toString();
    const auto lines = [&](const char* key, const QString& verb) {
        for (const QJsonValue& value : summary.value(QLatin1String(key)).toArray()) {
            const QJsonObject item = value.toObject();
            QString line = QStringLiteral("%1 %2 record %3")
                               .arg(verb, book)
                               .arg(item.value(QStringLiteral("record")).toInt());
            const QString fields = DescribeText(item);
            if (!fields.isEmpty()) {
                line += QStringLiteral(": ") + fields;
            }
            PutLine(line);
        }
    };
    lines("written", dryRun ? QStringLiteral("would write") : QStringLiteral("wrote"));
    lines("cleared", dryRun ? QStringLiteral("would clear") : QStringLiteral("cleared"));
    lines("notWritten", QStringLiteral("NOT written"));
}

std::unique_ptr<Books> NewBooks() {
    auto books = std::make_unique<Books>();
    books->Reset();
    return books;
}

template <typename Entry> Book<Entry>& BookOf(Books& books, BookKind kind);
template <> Book<PhoneEntry>& BookOf<PhoneEntry>(Books& books, BookKind kind) {
    return kind == BookKind::LastDialled ? books.lastDialled : books.phone;
}
template <> Book<SmsEntry>& BookOf<SmsEntry>(Books& books, BookKind) {
    return books.sms;
}

QByteArray ExportBytes(const Books& books, BookKind kind, FileFormat format, int& count) {
    const int capacity = Capacity(books, kind);
    if (kind == BookKind::Sms) {
        const std::vector<int> places = ExportSlots(books.sms, capacity, {});
        count = static_cast<int>(places.size());
        return format == FileFormat::Usv ? WriteUsv(books.sms.store, places)
                                         : WriteSmsCsv(books.sms.store, places);
    }
    const Book<PhoneEntry>& book = kind == BookKind::Phone ? books.phone : books.lastDialled;
    const std::vector<int> places = ExportSlots(book, capacity, {});
    count = static_cast<int>(places.size());
    switch (format) {
    case FileFormat::Usv:
        return WriteUsv(book.store, places);
    case FileFormat::VCard:
        return WriteVCard(book.store, places);
    case FileFormat::Csv:
        break;
    }
    return WritePhoneCsv(book.store, places);
}

bool WriteFile(Console& console, const QString& path, QByteArrayView data) {
    if (WriteFileReplacing(path, data) != FileResult::Ok) {
        console.Say(QStringLiteral("%1 could not be written").arg(path));
        return false;
    }
    return true;
}

// The file's entries placed into the loaded book, as Import in the window
// places them; --replace first marks every entry of the book deleted, so
// that the file's entries take those records and the rest are cleared.
template <typename Entry>
int PlaceImport(Book<Entry>& book, const FileEntries<Entry>& read, ImportMode mode, int capacity,
                int& notPlaced) {
    int rows = static_cast<int>(BuildRows(book).size());
    if (mode == ImportMode::Replace) {
        for (int slot = 0; slot < kStoreSlots; ++slot) {
            if (IsLiveSlot(book, slot)) {
                DeleteEntry(book, slot, 0, 0);
            }
        }
        rows = 0;
    }
    const ImportPlacement placement = PlaceEntries<Entry>(book, read.entries, rows, capacity);
    notPlaced = static_cast<int>(read.entries.size() - placement.placed.size());
    return static_cast<int>(placement.placed.size());
}

template <typename Entry>
// `unreadable`: records the card read could not see; they are never
// reused, but the book on the card was not seen whole.
int ImportInto(Context& context, Books& books, const FileEntries<Entry>& read, int unreadable) {
    const Options& options = context.options;
    Console& console = context.console;
    Book<Entry>& book = BookOf<Entry>(books, options.book);
    int notPlaced = 0;
    PlaceImport(book, read, options.mode, Capacity(books, options.book), notPlaced);
    const ImportNotes notes =
        NotesFor(read, read.entries.size() - static_cast<std::size_t>(notPlaced));
    if (read.invalid > 0) {
        console.Say(QStringLiteral("%1 record(s) of the file are damaged and were not read")
                        .arg(read.invalid));
    }
    if (notes.cut > 0) {
        console.Message(kMsgEntriesCut, QString::number(notes.cut));
    }
    if (notPlaced > 0) {
        console.Say(QStringLiteral("%1 entr%2 of the file did not fit on the card")
                        .arg(notPlaced)
                        .arg(notPlaced == 1 ? "y" : "ies"));
    }
    const Planned plan = PlanOf(book);
    QJsonObject summary;
    int notWritten = 0;
    if (options.dryRun) {
        summary = WriteSummary(options.book, book, plan, nullptr);
    } else {
        const BookWrite write =
            SaveBook(context.library, options.book, books, context.pins, context.prompt, console);
        if (!write.started) {
            return write.exitCode;
        }
        notWritten = write.outcome.notWritten;
        summary = WriteSummary(options.book, book, plan, &write.outcome.failed);
    }
    summary.insert(QStringLiteral("dryRun"), options.dryRun);
    summary.insert(QStringLiteral("notImported"), notPlaced);
    summary.insert(QStringLiteral("damagedInFile"), read.invalid);
    summary.insert(QStringLiteral("shortened"), notes.cut);
    if (options.json) {
        PutJson(summary);
    } else {
        PrintSummary(summary, options.dryRun);
    }
    if (notWritten > 0) {
        console.Say(QStringLiteral("%1 record(s) not written").arg(notWritten));
    }
    return notWritten + notPlaced + read.invalid + unreadable > 0 ? kExitIncomplete : kExitDone;
}

// The card has no file for this book: its Open failed, nothing else did.
bool BookAbsent(BookKind kind, const BookRead& read) {
    return (kind == BookKind::LastDialled && read.failedMessage == kMsgReadLastDialedFailed) ||
           (kind == BookKind::Sms && read.failedMessage == kMsgReadSmsBookFailed);
}

QString BookFileName(BookKind kind) {
    return BookName(kind) + QStringLiteral(".usv");
}

// The backup's entries put back at the records they came from. Records the
// backup had free are cleared; a record that already holds the same entry
// is left alone (`same(slot, i)`: the record in `slot` already holds entry i;
// by default their contents agree). The last-dialled file is cyclic: its
// entries are appended oldest first, so the newest ends up first again.
template <typename Entry, typename Same>
int PlaceRestore(Book<Entry>& book, BookKind kind, const std::vector<Entry>& entries,
                 const std::vector<int>& places, int capacity, Same same) {
    int lost = 0;
    if (kind == BookKind::LastDialled) {
        const int count = static_cast<int>(entries.size());
        // Appending what the card already shows would only turn the file.
        std::vector<const Entry*> shown;
        for (int slot = 0; slot < kStoreSlots; ++slot) {
            if (IsLiveSlot(book, slot)) {
                shown.push_back(&book.store[static_cast<std::size_t>(slot)]);
            }
        }
        if (std::equal(shown.begin(), shown.end(), entries.begin(), entries.end(),
                       [](const Entry* a, const Entry& b) { return SameContent(*a, b); })) {
            return 0;
        }
        for (int i = 0; i < count; ++i) {
            const int slot = count - 1 - i;
            if (slot >= kStoreSlots) {
                ++lost;
                continue;
            }
            Entry& stored = book.store[static_cast<std::size_t>(slot)];
            stored = entries[static_cast<std::size_t>(i)];
            stored.state = ENTRY_OCCUPIED | ENTRY_CHANGED;
        }
        book.values.changed = count > 0;
        return lost;
    }
    std::set<int> taken;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int slot = places[i];
        if (slot >= capacity) {
            ++lost; // the card has fewer records than the backed-up one
            continue;
        }
        taken.insert(slot);
        Entry& stored = book.store[static_cast<std::size_t>(slot)];
        if (IsLiveSlot(book, slot) && same(slot, i)) {
            continue;
        }
        stored = entries[i];
        stored.state = ENTRY_OCCUPIED | ENTRY_CHANGED;
        book.values.changed = true;
    }
    for (int slot = 0; slot < capacity; ++slot) {
        if (IsLiveSlot(book, slot) && !taken.contains(slot)) {
            DeleteEntry(book, slot, 0, 0);
        }
    }
    return lost;
}

template <typename Entry>
int PlaceRestore(Book<Entry>& book, BookKind kind, const std::vector<Entry>& entries,
                 const std::vector<int>& places, int capacity) {
    return PlaceRestore(book, kind, entries, places, capacity, [&](int slot, std::size_t i) {
        return SameContent(book.store[static_cast<std::size_t>(slot)], entries[i]);
    });
}

// The backup's SMS records marked to go back to the card as they were read,
// when the card keeps records of their form; otherwise its messages are
// written as messages to be sent, as from a backup without images. Returns
// the number of records that lie beyond the card's.
int PlaceSmsRestore(Console& console, Books& books, const std::vector<SmsEntry>& entries,
                    const std::vector<int>& places, int capacity, const ManifestImages& form,
                    const std::vector<RecordImage>& images, bool& exact) {
    SmsRecordImages& card = books.smsImages;
    exact = form.cdma == card.cdma;
    if (!exact) {
        console.Say(QStringLiteral("sms: the backup holds %1 records and the card keeps %2 ones; "
                                   "its messages are written as messages to be sent")
                        .arg(form.cdma ? QStringLiteral("R-UIM") : QStringLiteral("GSM"),
                             card.cdma ? QStringLiteral("R-UIM") : QStringLiteral("GSM")));
        return PlaceRestore(books.sms, BookKind::Sms, entries, places, capacity);
    }
    std::vector<std::optional<RecordImage>> fitted;
    int tooLong = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        fitted.push_back(FitSmsImage(images[i], card.cdma, card.recordLength));
        tooLong += !fitted.back() && places[i] < capacity ? 1 : 0;
    }
    const int lost = PlaceRestore(
        books.sms, BookKind::Sms, entries, places, capacity, [&](int slot, std::size_t i) {
            return fitted[i] && *fitted[i] == card.images[static_cast<std::size_t>(slot)];
        });
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (places[i] < capacity) {
            const auto slot = static_cast<std::size_t>(places[i]);
            card.images[slot] = images[i];
            card.writeAsRead.set(slot);
        }
    }
    if (tooLong > 0) {
        // The write refuses them and counts them as not written.
        console.Say(QStringLiteral("sms: %1 message(s) do not fit the card's %2-byte records")
                        .arg(tooLong)
                        .arg(card.recordLength));
    }
    return lost;
}

// The names of `plan` that go to the card in UCS2. The card library writes
// them in its own form (the plain one when the name fits it, a compact one
// only when it does not); what it reads gives neither the record's bytes nor
// the form a name came in, so a record that held a compact form may get
// other bytes for the same name.
int Ucs2Names(const Book<PhoneEntry>& book, const Planned& plan) {
    int count = 0;
    for (int slot : plan.writes) {
        _PHONEBOOK_ITEM item{};
        if (PhoneItemFor(book.store[static_cast<std::size_t>(slot)], item) &&
            (item.nameUcs2[0] != 0 || item.nameUcs2[1] != 0)) {
            ++count;
        }
    }
    return count;
}

// A backup's SMS record images, checked against the manifest and against
// the messages of sms.usv; false, with the reason said, when they are not
// the ones the backup wrote.
bool ReadImages(Console& console, const QString& path, const ManifestImages& form,
                const std::vector<SmsEntry>& entries, std::vector<RecordImage>& images) {
    QByteArray text;
    if (ReadWholeFile(path, text) != FileResult::Ok) {
        console.Say(QStringLiteral("%1 could not be read").arg(path));
        return false;
    }
    if (Sha256Hex(text) != form.sha256) {
        console.Say(QStringLiteral("%1 is damaged: its checksum is not the manifest's").arg(path));
        return false;
    }
    QString error;
    std::optional<std::vector<RecordImage>> parsed =
        ParseRecordImages(text, static_cast<int>(entries.size()), form.recordLength, error);
    if (!parsed) {
        console.Say(QStringLiteral("%1 is damaged: %2").arg(path, error));
        return false;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint8_t status = (*parsed)[i].front();
        if (status == 0 || status != entries[i].smsStatus) {
            console.Say(QStringLiteral("%1 is damaged: record %2 is not the message of sms.usv")
                            .arg(path)
                            .arg(i + 1));
            return false;
        }
    }
    images = std::move(*parsed);
    return true;
}

// The SMS records as the card held them, written beside sms.usv and noted
// in `book`. A book without an image of every message keeps none, and its
// restore writes messages to be sent, as from an older backup. false when
// the file could not be written.
bool KeepImages(Console& console, const QDir& dir, const SmsRecordImages& kept,
                ManifestBook& book) {
    if (kept.recordLength < 1 || kept.recordLength > ImageRoom(kept.cdma)) {
        return true; // no record was read
    }
    std::vector<RecordImage> images;
    images.reserve(book.places.size());
    for (int slot : book.places) {
        const RecordImage& image = kept.images[static_cast<std::size_t>(slot)];
        if (static_cast<int>(image.size()) != kept.recordLength) {
            console.Say(QStringLiteral("sms: the card's records were not all kept as read; a "
                                       "restore writes these messages as ones to be sent"));
            return true;
        }
        images.push_back(image);
    }
    const QByteArray text = RecordImagesText(images);
    if (!WriteFile(console, dir.filePath(QLatin1String(kSmsImagesName)), text)) {
        return false;
    }
    book.images = ManifestImages{QLatin1String(kSmsImagesName), kept.cdma, kept.recordLength,
                                 Sha256Hex(text)};
    return true;
}

} // namespace

int RunInfo(Context& context) {
    CardLibrary& library = context.library;
    Console& console = context.console;
    if (!library.Require({NimbrelFunction::Connect, NimbrelFunction::ConnectAssignReader,
                          NimbrelFunction::DisConnect, NimbrelFunction::GetUSIMCardInfo,
                          NimbrelFunction::GetSIMCardInfo, NimbrelFunction::IsCDMA_RUIM,
                          NimbrelFunction::VerifySIMCHV})) {
        return kExitCard;
    }
    CardSession session(library);
    if (session.Connect() != QUARN_OK) {
        console.Message(kMsgConnectFailed);
        return kExitCard;
    }
    ConsoleFlowView view(console);
    if (!IdentifyCard(session, view)) {
        return kExitCard;
    }
    const _CARD_INFO info = session.Info();
    const CardFamily family = session.Family();
    const QString iccid = QString::fromLatin1(session.Iccid());
    // The IMSI file is guarded by the PIN: asked for only when a code was
    // handed over, so that info never stops to ask nor spends a try unasked.
    bool verified = info.pinEnabled == 0;
    if (!verified && context.options.pinFd >= 0 && info.pinBlocked == 0) {
        verified = context.pins.Run(PinOperation::Verify, session, context.prompt,
                                    [&console](int id) { console.Message(id); });
        if (!verified) {
            return FailureExit(context.prompt);
        }
    }
    std::optional<std::string> imsi;
    if (verified && context.readImsi) {
        imsi = context.readImsi(session.Connection());
    }
    session.Disconnect();

    CardSizes sizes;
    if (context.options.sizes) {
        sizes = MeasureCard(library, console);
        if (!sizes.measured) {
            return kExitCard;
        }
    }

    const QString pinState = info.pinBlocked != 0   ? QStringLiteral("blocked")
                             : info.pinEnabled != 0 ? QStringLiteral("enabled")
                                                    : QStringLiteral("disabled");
    if (context.options.json) {
        QJsonObject pin{{QStringLiteral("state"), pinState},
                        {QStringLiteral("triesLeft"), info.pinRetries},
                        {QStringLiteral("pukTriesLeft"), info.pukRetries}};
        QJsonObject bookSizes{{QStringLiteral("phonebook"), std::max(info.phoneBookSize, 0)},
                              {QStringLiteral("lastdialled"), std::max(info.lastDialledSize, 0)},
                              {QStringLiteral("sms"), std::max(info.smsSize, 0)}};
        QJsonObject out{{QStringLiteral("cardType"), FamilyName(family)},
                        {QStringLiteral("iccid"), iccid},
                        {QStringLiteral("imsi"), imsi ? QJsonValue(QString::fromStdString(*imsi))
                                                      : QJsonValue(QJsonValue::Null)},
                        {QStringLiteral("pin"), pin},
                        {QStringLiteral("bookBytes"), bookSizes}};
        if (sizes.measured) {
            out.insert(QStringLiteral("allFilesBytes"), static_cast<qint64>(sizes.totalBytes));
        }
        PutJson(out);
        return kExitDone;
    }
    PutLine(QStringLiteral("card type:    %1").arg(FamilyName(family)));
    PutLine(QStringLiteral("ICCID:        %1").arg(iccid));
    PutLine(QStringLiteral("IMSI:         %1")
                .arg(imsi       ? QString::fromStdString(*imsi)
                     : verified ? QStringLiteral("(not readable)")
                                : QStringLiteral("(guarded by the PIN; give it with --pin-fd)")));
    PutLine(QStringLiteral("PIN:          %1, %2 tries left; PUK %3 tries left")
                .arg(pinState)
                .arg(info.pinRetries)
                .arg(info.pukRetries));
    PutLine(QStringLiteral("phone book:   %1 bytes").arg(std::max(info.phoneBookSize, 0)));
    PutLine(QStringLiteral("last dialled: %1 bytes").arg(std::max(info.lastDialledSize, 0)));
    PutLine(QStringLiteral("SMS:          %1 bytes").arg(std::max(info.smsSize, 0)));
    if (sizes.measured) {
        PutLine(QStringLiteral("all files:    %1 bytes").arg(sizes.totalBytes));
    }
    return kExitDone;
}

int RunExport(Context& context) {
    const Options& options = context.options;
    auto books = NewBooks();
    const BookRead read = LoadBook(context.library, options.book, *books, context.pins,
                                   context.prompt, context.console);
    if (!read.loaded) {
        return read.exitCode;
    }
    int count = 0;
    const QByteArray data = ExportBytes(*books, options.book, options.format, count);
    if (options.output.isEmpty()) {
        PutData(data);
    } else if (!WriteFile(context.console, options.output, data)) {
        return kExitUsage;
    }
    context.console.Say(QStringLiteral("exported %1 entr%2 of %3")
                            .arg(count)
                            .arg(count == 1 ? "y" : "ies")
                            .arg(BookName(options.book)));
    return read.unreadable > 0 ? kExitIncomplete : kExitDone;
}

int RunImport(Context& context) {
    const Options& options = context.options;
    Console& console = context.console;
    QByteArray data;
    switch (ReadWholeFile(options.path, data)) {
    case FileResult::Ok:
        break;
    case FileResult::TooLarge:
        console.Say(QStringLiteral("%1 is too large to import").arg(options.path));
        return kExitUsage;
    default:
        console.Say(QStringLiteral("%1 could not be read").arg(options.path));
        return kExitUsage;
    }
    auto books = NewBooks();
    const BookRead loaded =
        LoadBook(context.library, options.book, *books, context.pins, context.prompt, console);
    if (!loaded.loaded) {
        return loaded.exitCode;
    }
    const bool phone = options.book == BookKind::Phone;
    const ImportFormat format = ImportFormatForPath(options.path, phone);
    if (phone) {
        const PhoneFileEntries read = format == ImportFormat::Usv     ? ReadPhoneUsv(data)
                                      : format == ImportFormat::VCard ? ReadVCard(data)
                                                                      : ReadPhoneText(data);
        return ImportInto(context, *books, read, loaded.unreadable);
    }
    const SmsFileEntries read = format == ImportFormat::Usv ? ReadSmsUsv(data) : ReadSmsText(data);
    return ImportInto(context, *books, read, loaded.unreadable);
}

int RunBackup(Context& context) {
    Console& console = context.console;
    const QDir dir(context.options.path);
    if (!QDir().mkpath(dir.path())) {
        console.Say(QStringLiteral("%1 could not be made").arg(dir.path()));
        return kExitUsage;
    }
    auto books = NewBooks();
    Manifest manifest;
    manifest.date = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    int unreadable = 0;
    QJsonObject counts;
    for (BookKind kind : {BookKind::Phone, BookKind::LastDialled, BookKind::Sms}) {
        const BookRead read =
            LoadBook(context.library, kind, *books, context.pins, context.prompt, console);
        if (!read.loaded) {
            // A card without a last-dialled or SMS file still has a phone
            // book worth keeping.
            if (BookAbsent(kind, read)) {
                console.Say(
                    QStringLiteral("%1: the card has none; not backed up").arg(BookName(kind)));
                continue;
            }
            return read.exitCode;
        }
        if (manifest.iccid.isEmpty()) {
            manifest.iccid = read.iccid;
            manifest.cardType = FamilyName(read.family);
        } else if (manifest.iccid != read.iccid) {
            console.Say(QStringLiteral("the card changed during the backup; nothing was kept"));
            return kExitCard;
        }
        unreadable += read.unreadable;
        ManifestBook entry;
        entry.kind = kind;
        const int capacity = Capacity(*books, kind);
        QByteArray data;
        if (kind == BookKind::Sms) {
            entry.places = ExportSlots(books->sms, capacity, {});
            data = WriteUsv(books->sms.store, entry.places);
            if (!KeepImages(console, dir, books->smsImages, entry)) {
                return kExitUsage;
            }
        } else {
            const Book<PhoneEntry>& book = BookOf<PhoneEntry>(*books, kind);
            entry.places = ExportSlots(book, capacity, {});
            data = WriteUsv(book.store, entry.places);
        }
        entry.records = static_cast<int>(entry.places.size());
        if (!WriteFile(console, dir.filePath(BookFileName(kind)), data)) {
            return kExitUsage;
        }
        counts.insert(BookName(kind), entry.records);
        manifest.books.push_back(std::move(entry));
    }
    // Written last: a folder with a manifest holds a whole backup.
    if (!WriteFile(console, dir.filePath(QLatin1String(kManifestName)), ManifestJson(manifest))) {
        return kExitUsage;
    }
    if (context.options.json) {
        PutJson({{QStringLiteral("iccid"), manifest.iccid},
                 {QStringLiteral("cardType"), manifest.cardType},
                 {QStringLiteral("records"), counts},
                 {QStringLiteral("notRead"), unreadable}});
    } else {
        for (const ManifestBook& book : manifest.books) {
            PutLine(QStringLiteral("backed up %1: %2 record(s) in %3")
                        .arg(BookName(book.kind))
                        .arg(book.records)
                        .arg(dir.filePath(BookFileName(book.kind))));
        }
    }
    if (unreadable > 0) {
        console.Say(QStringLiteral("%1 record(s) could not be read; the backup may be incomplete")
                        .arg(unreadable));
        return kExitIncomplete;
    }
    return kExitDone;
}

int RunRestore(Context& context) {
    const Options& options = context.options;
    Console& console = context.console;
    const QDir dir(options.path);
    QByteArray manifestBytes;
    if (ReadWholeFile(dir.filePath(QLatin1String(kManifestName)), manifestBytes) !=
        FileResult::Ok) {
        console.Say(QStringLiteral("%1 holds no backup (no %2)").arg(dir.path(), kManifestName));
        return kExitUsage;
    }
    QString error;
    const std::optional<Manifest> manifest = ParseManifest(manifestBytes, error);
    if (!manifest) {
        console.Say(QStringLiteral("the backup's manifest is damaged: %1").arg(error));
        return kExitUsage;
    }
    // Every file is read and checked before the card is touched.
    std::vector<PhoneFileEntries> phoneFiles(manifest->books.size());
    std::vector<SmsFileEntries> smsFiles(manifest->books.size());
    std::vector<std::vector<RecordImage>> smsImages(manifest->books.size());
    for (std::size_t i = 0; i < manifest->books.size(); ++i) {
        const ManifestBook& book = manifest->books[i];
        QByteArray data;
        const QString path = dir.filePath(BookFileName(book.kind));
        if (ReadWholeFile(path, data) != FileResult::Ok) {
            console.Say(QStringLiteral("%1 could not be read").arg(path));
            return kExitUsage;
        }
        int found = 0;
        int invalid = 0;
        if (book.kind == BookKind::Sms) {
            smsFiles[i] = ReadSmsUsv(data);
            found = static_cast<int>(smsFiles[i].entries.size());
            invalid = smsFiles[i].invalid;
        } else {
            phoneFiles[i] = ReadPhoneUsv(data);
            found = static_cast<int>(phoneFiles[i].entries.size());
            invalid = phoneFiles[i].invalid;
        }
        constexpr int kBlockSizes[] = {sizeof(PhoneEntry), sizeof(PhoneEntry), sizeof(SmsEntry)};
        const int blockSize = kBlockSizes[static_cast<int>(book.kind)];
        if (invalid > 0 || found != book.records || data.size() != qsizetype(found) * blockSize) {
            console.Say(QStringLiteral("%1 does not hold the %2 record(s) the manifest lists")
                            .arg(path)
                            .arg(book.records));
            return kExitUsage;
        }
        if (book.images) {
            const QString imagesPath = dir.filePath(book.images->file);
            if (!ReadImages(console, imagesPath, *book.images, smsFiles[i].entries, smsImages[i])) {
                return kExitUsage;
            }
        }
    }

    auto books = NewBooks();
    QJsonArray summaries;
    int incomplete = 0;
    int notRead = 0;
    for (std::size_t i = 0; i < manifest->books.size(); ++i) {
        const ManifestBook& backup = manifest->books[i];
        const BookKind kind = backup.kind;
        const BookRead read =
            LoadBook(context.library, kind, *books, context.pins, context.prompt, console);
        if (!read.loaded) {
            if (!BookAbsent(kind, read) || i == 0) {
                return read.exitCode;
            }
            console.Say(QStringLiteral("%1: the card has none; %2 record(s) not restored")
                            .arg(BookName(kind))
                            .arg(backup.records));
            incomplete += backup.records;
            continue;
        }
        if (read.iccid != manifest->iccid) {
            if (!options.force) {
                console.Say(QStringLiteral("this backup is of the card %1, the card in the reader "
                                           "is %2; nothing was written (--force restores it "
                                           "anyway)")
                                .arg(manifest->iccid, read.iccid));
                return kExitCard;
            }
            if (i == 0) {
                console.Say(QStringLiteral("restoring the backup of the card %1 onto the card %2")
                                .arg(manifest->iccid, read.iccid));
            }
        }
        const int capacity = Capacity(*books, kind);
        int lost = 0;
        Planned plan;
        QJsonObject summary;
        const auto finish = [&](auto& book) -> int {
            plan = PlanOf(book);
            if (options.dryRun || (plan.writes.empty() && plan.clears.empty())) {
                summary = WriteSummary(kind, book, plan, nullptr);
                return kExitDone;
            }
            const BookWrite write =
                SaveBook(context.library, kind, *books, context.pins, context.prompt, console);
            if (!write.started) {
                return write.exitCode;
            }
            incomplete += write.outcome.notWritten;
            summary = WriteSummary(kind, book, plan, &write.outcome.failed);
            return kExitDone;
        };
        int status = kExitDone;
        if (kind == BookKind::Sms) {
            bool exact = false;
            lost =
                backup.images
                    ? PlaceSmsRestore(console, *books, smsFiles[i].entries, backup.places, capacity,
                                      *backup.images, smsImages[i], exact)
                    : PlaceRestore(books->sms, kind, smsFiles[i].entries, backup.places, capacity);
            status = finish(books->sms);
            summary.insert(QStringLiteral("asRead"), exact);
        } else {
            Book<PhoneEntry>& book = BookOf<PhoneEntry>(*books, kind);
            lost = PlaceRestore(book, kind, phoneFiles[i].entries, backup.places, capacity);
            status = finish(book);
            const int ucs2 = Ucs2Names(book, plan);
            if (ucs2 > 0) {
                console.Say(QStringLiteral("%1: %2 name(s) go to the card in UCS2 in the card "
                                           "library's own form: they read back the same, but "
                                           "a record that held a compact UCS2 form may get "
                                           "other bytes")
                                .arg(BookName(kind))
                                .arg(ucs2));
            }
            summary.insert(QStringLiteral("ucs2Names"), ucs2);
        }
        if (status != kExitDone) {
            return status;
        }
        // A record the card did not let us read may still hold what the
        // backup would clear or overwrite.
        notRead += read.unreadable;
        if (lost > 0) {
            console.Say(QStringLiteral("%1: %2 record(s) lie beyond the card's %3 records")
                            .arg(BookName(kind))
                            .arg(lost)
                            .arg(capacity));
            incomplete += lost;
        }
        summary.insert(QStringLiteral("beyondCard"), lost);
        summary.insert(QStringLiteral("dryRun"), options.dryRun);
        if (!options.json) {
            PrintSummary(summary, options.dryRun);
        }
        summaries.append(summary);
    }
    if (options.json) {
        PutJson({{QStringLiteral("iccid"), manifest->iccid},
                 {QStringLiteral("books"), summaries},
                 {QStringLiteral("notWritten"), incomplete},
                 {QStringLiteral("notRead"), notRead}});
    }
    if (incomplete > 0) {
        console.Say(QStringLiteral("%1 record(s) not written").arg(incomplete));
    }
    return incomplete + notRead > 0 ? kExitIncomplete : kExitDone;
}

int RunPin(Context& context) {
    Console& console = context.console;
    const auto sink = [&console](int id) { console.Message(id); };
    if (!context.options.pinVerify) {
        int last = 0;
        RunPinAction(context.options.pinAction, context.library, context.pins, context.prompt,
                     [&](int id) {
                         last = id;
                         sink(id);
                     });
        if (last == kMsgChangePinDone || last == kMsgEnablePinDone || last == kMsgDisablePinDone ||
            last == kMsgUnblockDone) {
            return kExitDone;
        }
        if (last == 0 && *context.prompt.Problem() != '\0') {
            console.Say(QString::fromLatin1(context.prompt.Problem()));
            return kExitUsage;
        }
        return kExitCard;
    }
    CardLibrary& library = context.library;
    if (!library.Require({NimbrelFunction::Connect, NimbrelFunction::ConnectAssignReader,
                          NimbrelFunction::DisConnect, NimbrelFunction::GetUSIMCardInfo,
                          NimbrelFunction::GetSIMCardInfo, NimbrelFunction::VerifySIMCHV})) {
        return kExitCard;
    }
    CardSession session(library);
    if (session.Connect() != QUARN_OK) {
        console.Message(kMsgConnectFailed);
        return kExitCard;
    }
    switch (session.Identify(false)) {
    case IdentifyResult::Identified:
        break;
    case IdentifyResult::ConnectFailed:
        console.Message(kMsgConnectFailed);
        return kExitCard;
    case IdentifyResult::InfoFailed:
        console.Message(kMsgReadDataFailed);
        return kExitCard;
    }
    if (session.Info().pinBlocked != 0) {
        console.Message(kMsgCardBlocked);
        return kExitCard;
    }
    if (session.Info().pinEnabled == 0) {
        console.Say(QStringLiteral("the PIN is disabled; the card needs no verification"));
        return kExitDone;
    }
    if (!context.pins.Run(PinOperation::Verify, session, context.prompt, sink)) {
        if (*context.prompt.Problem() != '\0') {
            console.Say(QString::fromLatin1(context.prompt.Problem()));
        }
        return FailureExit(context.prompt);
    }
    console.Say(QStringLiteral("PIN verified"));
    return kExitDone;
}

namespace {

// The manifest's note of the SMS record images; nullopt with `error` set.
std::optional<ManifestImages> ParseImages(const QJsonValue& value, BookKind kind, QString& error) {
    const QJsonObject object = value.toObject();
    ManifestImages images;
    images.file = object.value(QStringLiteral("file")).toString();
    const QString form = object.value(QStringLiteral("form")).toString();
    images.cdma = form == QLatin1String("cdma");
    images.recordLength = object.value(QStringLiteral("recordLength")).toInt(-1);
    images.sha256 = object.value(QStringLiteral("sha256")).toString();
    const bool hexDigest = images.sha256.size() == 64 &&
                           std::all_of(images.sha256.begin(), images.sha256.end(), [](QChar c) {
                               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
                           });
    if (kind != BookKind::Sms || !value.isObject()) {
        error = QStringLiteral("only the SMS book keeps record images");
    } else if (images.file.isEmpty() || images.file.contains(u'/') || images.file.contains(u'\\') ||
               images.file.startsWith(u'.')) {
        error = QStringLiteral("the record images are not a file of the backup folder");
    } else if (form != QLatin1String("gsm") && form != QLatin1String("cdma")) {
        error = QStringLiteral("the record images are of an unknown form");
    } else if (images.recordLength < 1 || images.recordLength > ImageRoom(images.cdma)) {
        error = QStringLiteral("the record images have an impossible length");
    } else if (!hexDigest) {
        error = QStringLiteral("the record images have no checksum");
    } else {
        return images;
    }
    return std::nullopt;
}

} // namespace

std::optional<Manifest> ParseManifest(const QByteArray& json, QString& error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) {
        error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                             : QStringLiteral("not an object");
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")).toInt() != kManifestVersion) {
        error = QStringLiteral("unknown version");
        return std::nullopt;
    }
    Manifest manifest;
    manifest.iccid = root.value(QStringLiteral("iccid")).toString();
    manifest.cardType = root.value(QStringLiteral("cardType")).toString();
    manifest.date = root.value(QStringLiteral("date")).toString();
    if (manifest.iccid.isEmpty()) {
        error = QStringLiteral("no ICCID");
        return std::nullopt;
    }
    const QJsonObject books = root.value(QStringLiteral("books")).toObject();
    for (BookKind kind : {BookKind::Phone, BookKind::LastDialled, BookKind::Sms}) {
        const QJsonValue value = books.value(BookName(kind));
        if (value.isUndefined()) {
            continue;
        }
        const QJsonObject object = value.toObject();
        ManifestBook book;
        book.kind = kind;
        book.records = object.value(QStringLiteral("records")).toInt(-1);
        const QJsonArray places = object.value(QStringLiteral("places")).toArray();
        if (book.records < 0 || book.records > kStoreSlots || places.size() != book.records) {
            error =
                QStringLiteral("%1: the record count and its places differ").arg(BookName(kind));
            return std::nullopt;
        }
        std::set<int> seen;
        for (const QJsonValue& slotValue : places) {
            const int slot = slotValue.toInt(-1);
            if (!slotValue.isDouble() || slot < 0 || slot >= kStoreSlots ||
                !seen.insert(slot).second) {
                error = QStringLiteral("%1: a record place is out of range or repeated")
                            .arg(BookName(kind));
                return std::nullopt;
            }
            book.places.push_back(slot);
        }
        const QJsonValue images = object.value(QStringLiteral("images"));
        if (!images.isUndefined()) {
            book.images = ParseImages(images, kind, error);
            if (!book.images) {
                error = QStringLiteral("%1: %2").arg(BookName(kind), error);
                return std::nullopt;
            }
        }
        manifest.books.push_back(std::move(book));
    }
    if (manifest.books.empty()) {
        error = QStringLiteral("no books");
        return std::nullopt;
    }
    return manifest;
}

QByteArray ManifestJson(const Manifest& manifest) {
    QJsonObject books;
    for (const ManifestBook& book : manifest.books) {
        QJsonArray places;
        for (int slot : book.places) {
            places.append(slot);
        }
        QJsonObject entry{{QStringLiteral("file"), BookFileName(book.kind)},
                          {QStringLiteral("records"), book.records},
                          {QStringLiteral("places"), places}};
        if (book.images) {
            entry.insert(
                QStringLiteral("images"),
                QJsonObject{{QStringLiteral("file"), book.images->file},
                            {QStringLiteral("form"),
                             book.images->cdma ? QStringLiteral("cdma") : QStringLiteral("gsm")},
                            {QStringLiteral("recordLength"), book.images->recordLength},
                            {QStringLiteral("sha256"), book.images->sha256}});
        }
        books.insert(BookName(book.kind), entry);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), kManifestVersion},
                                     {QStringLiteral("iccid"), manifest.iccid},
                                     {QStringLiteral("cardType"), manifest.cardType},
                                     {QStringLiteral("date"), manifest.date},
                                     {QStringLiteral("books"), books}})
        .toJson(QJsonDocument::Indented);
}

int RunCommand(Context& context) {
    switch (context.options.command) {
    case Command::Info:
        return RunInfo(context);
    case Command::Export:
        return RunExport(context);
    case Command::Import:
        return RunImport(context);
    case Command::Backup:
        return RunBackup(context);
    case Command::Restore:
        return RunRestore(context);
    case Command::Pin:
        return RunPin(context);
    case Command::Help:
        break;
    }
    return kExitDone;
}

} // namespace brisken::cli
