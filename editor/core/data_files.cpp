#include "core/data_files.h"

#include "core/book_transfer.h"
#include "core/editing.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstring>

namespace brisken {

// The record images hold UTF-16LE text exactly as the entries lie in memory.
static_assert(std::endian::native == std::endian::little);

namespace {

// --- Fields ----------------------------------------------------------------------

template <std::size_t N> bool Terminated(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

template <std::size_t N> bool Terminated(const char16_t (&field)[N]) {
    return std::find(field, field + N, u'\0') != field + N;
}

template <std::size_t N> QString Latin1Field(const char (&field)[N]) {
    return QString::fromLatin1(field, static_cast<qsizetype>(qstrnlen(field, N)));
}

// `text` into an 8-bit field of `width` characters plus terminator; true when
// it had to be cut.
template <std::size_t N> bool PutNarrow(char (&field)[N], const QString& text, int width) {
    std::memset(field, 0, N);
    const QByteArray bytes = NarrowText(text, width);
    std::memcpy(field, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return text.size() > width;
}

// As above into a UTF-16 field, never keeping half of a surrogate pair.
template <std::size_t N> bool PutWide(char16_t (&field)[N], const QString& text, int width) {
    std::memset(field, 0, sizeof field);
    qsizetype length = std::min<qsizetype>(text.size(), width);
    if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate()) {
        --length;
    }
    std::memcpy(field, text.utf16(), static_cast<std::size_t>(length) * sizeof(char16_t));
    return length < text.size();
}

bool HasNonAscii(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 128; });
}

// A name or message goes into the 8-bit field when it is plain ASCII, and
// only into the wide field otherwise; true when cut.
template <std::size_t N, std::size_t W>
bool PutText(char (&narrow)[N], char16_t (&wide)[W], const QString& text, int width) {
    if (HasNonAscii(text)) {
        std::memset(narrow, 0, N);
        return PutWide(wide, text, width);
    }
    std::memset(wide, 0, sizeof wide);
    return PutNarrow(narrow, text, width);
}

// --- Lines -------------------------------------------------------------------------

struct Line {
    QByteArrayView text; // without its line end
};

// Splits at LF (a CR before it goes too) and cuts lines longer than
// `maxBytes`, backing off so that a UTF-8 sequence is not split.
std::vector<Line> SplitLines(QByteArrayView data, int maxBytes) {
    if (data.startsWith("\xEF\xBB\xBF")) {
        data = data.sliced(3);
    }
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        const bool ended = end >= 0;
        if (!ended) {
            end = data.size();
        }
        qsizetype textEnd = end;
        if (ended && textEnd > start && data[textEnd - 1] == '\r') {
            --textEnd;
        }
        qsizetype piece = start;
        while (textEnd - piece > maxBytes) {
            qsizetype cut = piece + maxBytes;
            for (int back = 0; back < 3 && cut > piece + 1 &&
                               (static_cast<unsigned char>(data[cut]) & 0xC0) == 0x80;
                 ++back) {
                --cut;
            }
            if ((static_cast<unsigned char>(data[cut]) & 0xC0) == 0x80) {
                cut = piece + maxBytes; // not UTF-8 after all: cut where it falls
            }
            lines.push_back({data.sliced(piece, cut - piece)});
            piece = cut;
        }
        lines.push_back({data.sliced(piece, textEnd - piece)});
        start = end + 1;
    }
    return lines;
}

// The comma-separated fields of a line; no quoting, no escaping.
QStringList Fields(const QString& line, int wanted) {
    QStringList fields = line.split(QLatin1Char(','));
    while (fields.size() < wanted) {
        fields.append(QString());
    }
    return fields;
}

template <typename Entry>
void Add(FileEntries<Entry>& out, const Entry& entry, QStringList cells, bool cut) {
    out.entries.push_back(entry);
    out.cells.push_back(std::move(cells));
    out.shortened.push_back(cut);
    out.invalidBefore.push_back(out.invalid);
}

// A phone entry from a name and a number read as text.
void AddPhoneText(PhoneFileEntries& out, const QString& name, const QString& number) {
    PhoneEntry entry{};
    bool cut = PutText(entry.narrowName, entry.wideName, name, kFileNameWidth);
    cut = PutNarrow(entry.number, number, kFileNumberWidth) || cut;
    Add(out, entry, {EntryName(entry), Latin1Field(entry.number)}, cut);
}

template <typename Entry> FileEntries<Entry> ReadRecords(QByteArrayView data) {
    FileEntries<Entry> out;
    constexpr qsizetype kSize = sizeof(Entry);
    for (qsizetype offset = 0; offset < data.size(); offset += kSize) {
        Entry entry{};
        const qsizetype length = std::min(kSize, data.size() - offset);
        std::memcpy(static_cast<void*>(&entry), data.data() + offset,
                    static_cast<std::size_t>(length));
        out.entries.push_back(entry);
    }
    return out;
}

// --- vCard ---------------------------------------------------------------------------

// The value with vCard's backslash escapes resolved.
QString Unescape(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out.append(c);
            continue;
        }
        const QChar next = value[++i];
        out.append(next == QLatin1Char('n') || next == QLatin1Char('N') ? QChar(u'\n') : next);
    }
    return out;
}

// Splits a structured value at its unescaped semicolons.
QStringList Components(QStringView value) {
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\')) {
            ++i;
        } else if (value[i] == QLatin1Char(';')) {
            parts.append(Unescape(value.sliced(start, i - start)));
            start = i + 1;
        }
    }
    parts.append(Unescape(value.sliced(start)));
    return parts;
}

// A telephone value as a dial string: without a "tel:" scheme and without the
// blanks, dashes, dots and brackets people write to group digits.
QString DialString(QString value) {
    if (value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) {
        value = value.mid(4);
    }
    QString dial;
    for (QChar c : value) {
        if (!c.isSpace() && !QStringView(u"-.()/").contains(c)) {
            dial.append(c);
        }
    }
    return dial;
}

struct VCardLine {
    QString name; // upper case, group removed
    QString value;
};

// "group.NAME;PARAM=x:value"; the colon in a quoted parameter does not count.
bool ParseContentLine(const QString& line, VCardLine& out) {
    bool quoted = false;
    qsizetype colon = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (line[i] == QLatin1Char(':') && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0) {
        return false;
    }
    QString name = line.left(colon);
    const qsizetype semicolon = name.indexOf(QLatin1Char(';'));
    if (semicolon >= 0) {
        name.truncate(semicolon);
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    out.name = name.mid(dot + 1).trimmed().toUpper();
    out.value = line.mid(colon + 1);
    return true;
}

// Escapes a text value and appends the content line folded at 75 octets,
// never inside a UTF-8 sequence.
void AppendFolded(QByteArray& out, const QByteArray& line) {
    constexpr qsizetype kOctets = 75;
    qsizetype start = 0;
    qsizetype room = kOctets;
    while (line.size() - start > room) {
        qsizetype cut = start + room;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.append(line.constData() + start, cut - start);
        out.append("\r\n ");
        start = cut;
        room = kOctets - 1; // the leading blank counts
    }
    out.append(line.constData() + start, line.size() - start);
    out.append("\r\n");
}

QString EscapeText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';')) {
            out.append(QLatin1Char('\\')).append(c);
        } else if (c == QLatin1Char('\r')) {
            out.append(QLatin1String("\\n"));
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
        } else if (c == QLatin1Char('\n')) {
            out.append(QLatin1String("\\n"));
        } else {
            out.append(c);
        }
    }
    return out;
}

// --- CSV ---------------------------------------------------------------------------------

void AppendCsvField(QByteArray& out, const QString& field) {
    const bool quote = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                       field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'));
    if (!quote) {
        out.append(field.toUtf8());
        return;
    }
    QString doubled = field;
    doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
    out.append('"').append(doubled.toUtf8()).append('"');
}

void AppendCsvLine(QByteArray& out, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out.append(',');
        }
        AppendCsvField(out, fields[i]);
    }
    out.append("\r\n");
}

template <typename Entry>
QByteArray WriteRecords(const Store<Entry>& store, std::span<const int> slotOrder) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(slotOrder.size() * sizeof(Entry)));
    for (int slot : slotOrder) {
        if (slot >= 0 && slot < kStoreSlots) {
            out.append(reinterpret_cast<const char*>(&store[static_cast<std::size_t>(slot)]),
                       sizeof(Entry));
        }
    }
    return out;
}

} // namespace

QString DecodeLine(QByteArrayView line) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(line);
    if (decoder.hasError()) {
        return QString::fromLatin1(line.data(), line.size());
    }
    return text;
}

ImportFormat ImportFormatForPath(const QString& path, bool phoneView) {
    if (path.endsWith(QLatin1String(".usv"), Qt::CaseInsensitive)) {
        return ImportFormat::Usv;
    }
    if (phoneView && path.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive)) {
        return ImportFormat::VCard;
    }
    return ImportFormat::Text;
}

PhoneFileEntries ReadPhoneUsv(QByteArrayView data) {
    PhoneFileEntries read = ReadRecords<PhoneEntry>(data);
    PhoneFileEntries out;
    out.entries.reserve(read.entries.size());
    for (PhoneEntry& entry : read.entries) {
        if (!Terminated(entry.narrowName) || !Terminated(entry.wideName) ||
            !Terminated(entry.number)) {
            ++out.invalid;
            continue;
        }
        entry.state = ENTRY_OCCUPIED | ENTRY_CHANGED;
        Add(out, entry, {EntryName(entry), Latin1Field(entry.number)}, false);
    }
    return out;
}

SmsFileEntries ReadSmsUsv(QByteArrayView data) {
    SmsFileEntries read = ReadRecords<SmsEntry>(data);
    SmsFileEntries out;
    out.entries.reserve(read.entries.size());
    for (SmsEntry& entry : read.entries) {
        if (!Terminated(entry.number) || !Terminated(entry.timeStamp) ||
            !Terminated(entry.narrowText) || !Terminated(entry.wideText)) {
            ++out.invalid;
            continue;
        }
        entry.state = ENTRY_OCCUPIED | ENTRY_CHANGED;
        // The list shows the stored time characters, not their display form.
        Add(out, entry,
            {SmsStatusText(entry.smsStatus), Latin1Field(entry.number),
             Latin1Field(entry.timeStamp), MessageDisplay(entry)},
            false);
    }
    return out;
}

PhoneFileEntries ReadPhoneText(QByteArrayView data) {
    PhoneFileEntries out;
    for (const Line& line : SplitLines(data, kPhoneTextLineBytes)) {
        if (line.text.isEmpty()) {
            continue; // a blank line is no contact
        }
        const QStringList fields = Fields(DecodeLine(line.text), 2);
        AddPhoneText(out, fields[0], fields[1]);
    }
    return out;
}

SmsFileEntries ReadSmsText(QByteArrayView data) {
    SmsFileEntries out;
    QString message;
    bool continuing = false;
    for (const Line& line : SplitLines(data, kSmsTextLineBytes)) {
        if (!continuing) {
            message.clear();
        }
        const QStringList fields = Fields(DecodeLine(line.text), 4);
        message += fields[0];
        if (fields[1].isEmpty() && fields[2].isEmpty() && fields[3].isEmpty()) {
            message += QLatin1Char('\n');
            continuing = true;
            continue;
        }
        continuing = false;
        SmsEntry entry{};
        entry.smsStatus = kSmsStatusToBeSent;
        bool cut = PutNarrow(entry.number, fields[1], kFileSmsNumberWidth);
        cut = PutNarrow(entry.timeStamp, fields[2], kFileTimeWidth) || cut;
        cut = PutText(entry.narrowText, entry.wideText, message, kFileMessageWidth) || cut;
        // The status column shows what the file said; the entry is one to send.
        Add(out, entry,
            {fields[3], Latin1Field(entry.number), Latin1Field(entry.timeStamp),
             EntryMessage(entry)},
            cut);
    }
    return out;
}

PhoneFileEntries ReadVCard(QByteArrayView data) {
    // Unfold first, on bytes: a writer may fold inside a UTF-8 sequence.
    QByteArray unfolded;
    unfolded.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] == '\r' && i + 2 < data.size() && data[i + 1] == '\n' &&
            (data[i + 2] == ' ' || data[i + 2] == '\t')) {
            i += 2;
        } else if (data[i] == '\n' && i + 1 < data.size() &&
                   (data[i + 1] == ' ' || data[i + 1] == '\t')) {
            i += 1;
        } else {
            unfolded.append(data[i]);
        }
    }
    PhoneFileEntries out;
    bool inCard = false;
    QString fullName;
    QStringList nameParts;
    QString number;
    bool hasNumber = false;
    for (const Line& line : SplitLines(unfolded, static_cast<int>(unfolded.size() + 1))) {
        VCardLine content;
        if (!ParseContentLine(DecodeLine(line.text), content)) {
            continue;
        }
        const QString value = content.value.trimmed();
        if (content.name == QLatin1String("BEGIN") &&
            value.compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0) {
            inCard = true;
            fullName.clear();
            nameParts.clear();
            number.clear();
            hasNumber = false;
        } else if (!inCard) {
            continue;
        } else if (content.name == QLatin1String("END")) {
            inCard = false;
            QString name = fullName.trimmed();
            if (name.isEmpty()) {
                // Family;Given;Additional;Prefix;Suffix, shown given name first.
                const int order[] = {3, 1, 2, 0, 4};
                QStringList shown;
                for (int index : order) {
                    if (index < nameParts.size() && !nameParts[index].trimmed().isEmpty()) {
                        shown.append(nameParts[index].trimmed());
                    }
                }
                name = shown.join(QLatin1Char(' '));
            }
            if (name.isEmpty() && number.isEmpty()) {
                ++out.invalid;
                continue;
            }
            AddPhoneText(out, name, number);
        } else if (content.name == QLatin1String("FN")) {
            fullName = Unescape(value);
        } else if (content.name == QLatin1String("N")) {
            nameParts = Components(value);
        } else if (content.name == QLatin1String("TEL") && !hasNumber) {
            number = DialString(Unescape(value));
            hasNumber = !number.isEmpty();
        }
    }
    return out;
}

ExportFormat ExportFormatForPath(const QString& path, ExportFormat chosenFilter) {
    if (path.endsWith(QLatin1String(".usv"), Qt::CaseInsensitive)) {
        return ExportFormat::Usv;
    }
    if (path.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive)) {
        return ExportFormat::VCard;
    }
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
        return ExportFormat::Csv;
    }
    return chosenFilter;
}

QByteArray WriteUsv(const Store<PhoneEntry>& store, std::span<const int> slotOrder) {
    return WriteRecords(store, slotOrder);
}

QByteArray WriteUsv(const Store<SmsEntry>& store, std::span<const int> slotOrder) {
    return WriteRecords(store, slotOrder);
}

QByteArray WriteVCard(const Store<PhoneEntry>& store, std::span<const int> slotOrder) {
    QByteArray out;
    for (int slot : slotOrder) {
        if (slot < 0 || slot >= kStoreSlots) {
            continue;
        }
        const PhoneEntry& entry = store[static_cast<std::size_t>(slot)];
        const QString name = EscapeText(EntryName(entry));
        const QString number = EntryNumber(entry);
        if (name.isEmpty() && number.isEmpty()) {
            continue; // a card needs something to show; New leaves entries empty
        }
        out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
        AppendFolded(out, "FN:" + name.toUtf8());
        // N is required in 3.0; the card keeps one name, taken as the family name.
        AppendFolded(out, "N:" + name.toUtf8() + ";;;;");
        if (!number.isEmpty()) {
            AppendFolded(out, "TEL:" + EscapeText(number).toUtf8());
        }
        out.append("END:VCARD\r\n");
    }
    return out;
}

QByteArray WritePhoneCsv(const Store<PhoneEntry>& store, std::span<const int> slotOrder) {
    QByteArray out;
    AppendCsvLine(out, {QStringLiteral("Name"), QStringLiteral("Number")});
    for (int slot : slotOrder) {
        if (slot >= 0 && slot < kStoreSlots) {
            const PhoneEntry& entry = store[static_cast<std::size_t>(slot)];
            AppendCsvLine(out, {EntryName(entry), EntryNumber(entry)});
        }
    }
    return out;
}

QByteArray WriteSmsCsv(const Store<SmsEntry>& store, std::span<const int> slotOrder) {
    QByteArray out;
    AppendCsvLine(out, {QStringLiteral("Status"), QStringLiteral("Number"), QStringLiteral("Time"),
                        QStringLiteral("Message")});
    for (int slot : slotOrder) {
        if (slot >= 0 && slot < kStoreSlots) {
            const SmsEntry& entry = store[static_cast<std::size_t>(slot)];
            AppendCsvLine(out, {SmsStatusText(entry.smsStatus), EntryNumber(entry),
                                TimeStampDisplay(entry.timeStamp, sizeof entry.timeStamp),
                                MessageDisplay(entry)});
        }
    }
    return out;
}

FileResult ReadWholeFile(const QString& path, QByteArray& data) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return FileResult::OpenFailed;
    }
    // Read one byte past the limit to tell a file at the limit from a larger one.
    data = file.read(kMaxImportFileBytes + 1);
    if (data.size() > kMaxImportFileBytes) {
        data.clear();
        return FileResult::TooLarge;
    }
    return file.error() == QFileDevice::NoError ? FileResult::Ok : FileResult::OpenFailed;
}

FileResult WriteFileReplacing(const QString& path, QByteArrayView data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return FileResult::OpenFailed;
    }
    if (file.write(data.data(), data.size()) != data.size()) {
        file.cancelWriting();
        return FileResult::WriteFailed;
    }
    return file.commit() ? FileResult::Ok : FileResult::WriteFailed;
}

} // namespace brisken
