// The command line of brisken-cli: what to do, parsed and checked before
// anything touches the card or a file.
#pragma once

#include "core/book_transfer.h"
#include "core/pin_runner.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace brisken::cli {

// The process's exit status.
enum ExitCode : int {
    kExitDone = 0,
    kExitCard = 1,       // card or reader error, or the card refused
    kExitUsage = 2,      // bad command line or unusable input
    kExitIncomplete = 3, // some records not written or not read
};

enum class Command { Help, Info, Export, Import, Backup, Restore, Pin };
enum class FileFormat { Usv, VCard, Csv };
enum class ImportMode { Append, Replace };

struct Options {
    Command command = Command::Help;
    QString reader; // empty: the first known reader with a card
    bool json = false;
    int pinFd = -1;     // codes come from this descriptor instead of the terminal
    bool sizes = false; // info: walk every file of the card
    BookKind book = BookKind::Phone;
    FileFormat format = FileFormat::Csv;
    QString output; // export: empty for standard output
    QString path;   // import: the file; backup and restore: the folder
    ImportMode mode = ImportMode::Append;
    bool dryRun = false;
    bool force = false;
    PinAction pinAction = PinAction::Change;
    bool pinVerify = false; // "pin verify" has no window action of its own
};

struct ParseResult {
    std::optional<Options> options;
    QString error; // set when options is empty
};

// `arguments` without the program name.
ParseResult ParseCommandLine(const QStringList& arguments);

QString HelpText();

// "phonebook", "lastdialled", "sms": the names used on the command line and
// for the files of a backup.
QString BookName(BookKind kind);

} // namespace brisken::cli
