// brisken-cli: card backup, restore and export from a terminal, on the
// editor's display-free core.
#include "cli/chosen_reader.h"
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "core/language.h"
#include "core/messages.h"
#include "core/nimbrel_binding.h"
#include "core/startup.h"
#include "resources/embedded_library.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <memory>

#include <dlfcn.h>

namespace {

using namespace brisken;
using namespace brisken::cli;

// The card library goes where the editor puts its own, in a folder of the
// command's: the private per-user run directory.
QString DeployLibrary(QString& reason) {
    const QString runDirectory = RunDirectoryPath();
    if (!EnsurePrivateDirectory(runDirectory, &reason)) {
        return {};
    }
    const QString directory = runDirectory + QStringLiteral("/cli");
    if (!EnsurePrivateDirectory(directory, &reason)) {
        return {};
    }
    const QString path = directory + u'/' + QLatin1String(kLibraryFileName);
    const QByteArrayView image = EmbeddedLibrary();
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == image.size() &&
        existing.readAll() == image) {
        return path;
    }
    if (!WriteFileAtomically(path, image, QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                             &reason)) {
        return {};
    }
    return path;
}

// Quarn_GetIMSI is not among the functions the editor binds; it is looked
// up in the same loaded library, so the connection handle is the same.
ImsiReader ImsiReaderFor(const QString& libraryPath) {
    return [libraryPath](QuarnConnection connection) -> std::optional<std::string> {
        void* handle = ::dlopen(QFile::encodeName(libraryPath).constData(), RTLD_NOW | RTLD_NOLOAD);
        if (handle == nullptr) {
            return std::nullopt;
        }
        using GetImsi = QuarnResult (*)(QuarnConnection, char*);
        auto function = reinterpret_cast<GetImsi>(::dlsym(handle, "Quarn_GetIMSI"));
        std::optional<std::string> imsi;
        char digits[32] = {};
        if (function != nullptr && function(connection, digits) == QUARN_OK) {
            digits[sizeof digits - 1] = '\0';
            if (digits[0] != '\0') {
                imsi = std::string(digits);
            }
        }
        ::dlclose(handle);
        return imsi;
    };
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const ParseResult parsed = ParseCommandLine(app.arguments().mid(1));
    if (!parsed.options) {
        std::fprintf(stderr, "brisken-cli: %s\n", parsed.error.toUtf8().constData());
        return kExitUsage;
    }
    const Options& options = *parsed.options;
    if (options.command == Command::Help) {
        std::fputs(HelpText().toUtf8().constData(), stdout);
        return kExitDone;
    }

    // Output meant for scripts reads the same on every machine.
    SetInterfaceLanguage(kLangEnglish);
    Console console(options.json);
    SetMessageHandler([&console](const MessageRequest& request) {
        console.Say(request.text.simplified());
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    });

    QString reason;
    const QString libraryPath = DeployLibrary(reason);
    if (libraryPath.isEmpty()) {
        console.Say(QStringLiteral("the card library could not be put in place: %1").arg(reason));
        return kExitCard;
    }
    NimbrelBinding binding(libraryPath);
    NimbrelCardLibrary nimbrel(binding);
    std::unique_ptr<ChosenReaderLibrary> chosen;
    CardLibrary* library = &nimbrel;
    if (!options.reader.isEmpty()) {
        chosen = std::make_unique<ChosenReaderLibrary>(nimbrel, options.reader.toStdString());
        library = chosen.get();
    }

    CodePrompt prompt(options.pinFd);
    PinRunner pins;
    Context context{*library, options, console, prompt, pins, ImsiReaderFor(libraryPath)};
    return RunCommand(context);
}
