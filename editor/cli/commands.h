// The commands of brisken-cli over the card library. Each returns the
// process's exit code (cli_options.h).
#pragma once

#include "cli/card_runs.h"
#include "cli/cli_options.h"
#include "core/card_library.h"

#include <QJsonObject>

#include <functional>
#include <optional>
#include <string>

namespace brisken::cli {

// The IMSI of the card on `connection`; nullopt when it cannot be read
// (a PIN-guarded file, a card without the GSM directory).
using ImsiReader = std::function<std::optional<std::string>(QuarnConnection)>;

struct Context {
    CardLibrary& library;
    const Options& options;
    Console& console;
    CodePrompt& prompt;
    PinRunner& pins;
    ImsiReader readImsi;
};

int RunInfo(Context& context);
int RunExport(Context& context);
int RunImport(Context& context);
int RunBackup(Context& context);
int RunRestore(Context& context);
int RunPin(Context& context);
// Runs the command of context.options; Help (printed by the caller) is done.
int RunCommand(Context& context);

// The SMS book's record images beside its ".usv" file (record_images.h).
// Backups made before images were kept have none.
struct ManifestImages {
    QString file; // a plain name inside the backup folder
    bool cdma = false;
    int recordLength = 0;
    QString sha256;
};

// What a backup folder's manifest says, checked before anything is written.
struct ManifestBook {
    BookKind kind = BookKind::Phone;
    int records = 0;
    std::vector<int> places; // the card positions of the records, in file order
    std::optional<ManifestImages> images;
};
struct Manifest {
    QString iccid;
    QString cardType;
    QString date;
    std::vector<ManifestBook> books;
};
// nullopt with `error` set when the manifest is not one this program wrote
// or is damaged.
std::optional<Manifest> ParseManifest(const QByteArray& json, QString& error);
QByteArray ManifestJson(const Manifest& manifest);

} // namespace brisken::cli
