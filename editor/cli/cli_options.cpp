#include "cli/cli_options.h"

namespace brisken::cli {
namespace {

std::optional<BookKind> BookFromName(const QString& name) {
    if (name == QLatin1String("phonebook")) {
        return BookKind::Phone;
    }
    if (name == QLatin1String("lastdialled")) {
        return BookKind::LastDialled;
    }
    if (name == QLatin1String("sms")) {
        return BookKind::Sms;
    }
    return std::nullopt;
}

std::optional<FileFormat> FormatFromName(const QString& name) {
    if (name == QLatin1String("usv")) {
        return FileFormat::Usv;
    }
    if (name == QLatin1String("vcf")) {
        return FileFormat::VCard;
    }
    if (name == QLatin1String("csv")) {
        return FileFormat::Csv;
    }
    return std::nullopt;
}

ParseResult Fail(const QString& error) {
    return ParseResult{std::nullopt, error};
}

// Checks the words after the command and fills what they name.
QString TakeOperands(Options& options, const QStringList& words, bool formatGiven, bool modeGiven) {
    const QString command = words.front();
    const QStringList operands = words.mid(1);
    const auto expect = [&](qsizetype count, const char* form) -> QString {
        if (operands.size() != count) {
            return QStringLiteral("usage: brisken-cli %1").arg(QLatin1String(form));
        }
        return {};
    };
    if (command == QLatin1String("help")) {
        options.command = Command::Help;
        return {};
    }
    if (command == QLatin1String("info")) {
        options.command = Command::Info;
        return expect(0, "info [--sizes] [--json]");
    }
    if (command == QLatin1String("export")) {
        options.command = Command::Export;
        if (QString e =
                expect(1, "export phonebook|lastdialled|sms --format usv|vcf|csv [-o FILE]");
            !e.isEmpty()) {
            return e;
        }
        const auto book = BookFromName(operands[0]);
        if (!book) {
            return QStringLiteral("unknown book \"%1\"").arg(operands[0]);
        }
        options.book = *book;
        if (!formatGiven) {
            return QStringLiteral("export needs --format usv, vcf or csv");
        }
        if (options.format == FileFormat::VCard && options.book == BookKind::Sms) {
            return QStringLiteral("the SMS book has no vCard form; use csv or usv");
        }
        if (options.format == FileFormat::Usv && options.output.isEmpty()) {
            return QStringLiteral("a .usv export is binary and needs -o FILE");
        }
        return {};
    }
    if (command == QLatin1String("import")) {
        options.command = Command::Import;
        if (QString e = expect(2, "import phonebook|sms FILE [--replace|--append] [--dry-run]");
            !e.isEmpty()) {
            return e;
        }
        const auto book = BookFromName(operands[0]);
        if (!book || *book == BookKind::LastDialled) {
            return QStringLiteral("import takes phonebook or sms, not \"%1\"").arg(operands[0]);
        }
        options.book = *book;
        options.path = operands[1];
        return {};
    }
    if (command == QLatin1String("backup") || command == QLatin1String("restore")) {
        const bool backup = command == QLatin1String("backup");
        options.command = backup ? Command::Backup : Command::Restore;
        if (modeGiven || formatGiven) {
            return QStringLiteral("%1 takes no --format, --replace or --append").arg(command);
        }
        if (QString e = expect(1, backup ? "backup DIR" : "restore DIR [--force] [--dry-run]");
            !e.isEmpty()) {
            return e;
        }
        options.path = operands[0];
        return {};
    }
    if (command == QLatin1String("pin")) {
        options.command = Command::Pin;
        if (QString e = expect(1, "pin verify|enable|disable|change|unblock [--pin-fd N]");
            !e.isEmpty()) {
            return e;
        }
        const QString& action = operands[0];
        if (action == QLatin1String("verify")) {
            options.pinVerify = true;
        } else if (action == QLatin1String("enable")) {
            options.pinAction = PinAction::Enable;
        } else if (action == QLatin1String("disable")) {
            options.pinAction = PinAction::Disable;
        } else if (action == QLatin1String("change")) {
            options.pinAction = PinAction::Change;
        } else if (action == QLatin1String("unblock")) {
            options.pinAction = PinAction::Unblock;
        } else {
            return QStringLiteral("unknown PIN action \"%1\"").arg(action);
        }
        return {};
    }
    return QStringLiteral("unknown command \"%1\"").arg(command);
}

} // namespace

ParseResult ParseCommandLine(const QStringList& arguments) {
    Options options;
    QStringList words;
    bool formatGiven = false;
    bool modeGiven = false;
    bool help = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        // Options that take a value accept "--name VALUE" and "--name=VALUE".
        QString name = argument;
        std::optional<QString> value;
        if (argument.startsWith(QLatin1String("--")) && argument.contains(u'=')) {
            name = argument.section(u'=', 0, 0);
            value = argument.section(u'=', 1);
        }
        const auto takeValue = [&]() -> std::optional<QString> {
            if (value) {
                return value;
            }
            if (i + 1 >= arguments.size()) {
                return std::nullopt;
            }
            return arguments[++i];
        };
        if (name == QLatin1String("--reader") || name == QLatin1String("--format") ||
            name == QLatin1String("-o") || name == QLatin1String("--output") ||
            name == QLatin1String("--pin-fd")) {
            const std::optional<QString> given = takeValue();
            if (!given || given->isEmpty()) {
                return Fail(QStringLiteral("%1 needs a value").arg(name));
            }
            if (name == QLatin1String("--reader")) {
                options.reader = *given;
            } else if (name == QLatin1String("--format")) {
                const auto format = FormatFromName(*given);
                if (!format) {
                    return Fail(QStringLiteral("unknown format \"%1\"").arg(*given));
                }
                options.format = *format;
                formatGiven = true;
            } else if (name == QLatin1String("--pin-fd")) {
                bool number = false;
                const int fd = given->toInt(&number);
                if (!number || fd < 0) {
                    return Fail(QStringLiteral("--pin-fd needs a descriptor number"));
                }
                options.pinFd = fd;
            } else {
                options.output = *given;
            }
        } else if (value) {
            return Fail(QStringLiteral("%1 takes no value").arg(name));
        } else if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--sizes")) {
            options.sizes = true;
        } else if (argument == QLatin1String("--replace") ||
                   argument == QLatin1String("--append")) {
            const ImportMode mode =
                argument == QLatin1String("--replace") ? ImportMode::Replace : ImportMode::Append;
            if (modeGiven && mode != options.mode) {
                return Fail(QStringLiteral("--replace and --append exclude each other"));
            }
            options.mode = mode;
            modeGiven = true;
        } else if (argument == QLatin1String("--dry-run")) {
            options.dryRun = true;
        } else if (argument == QLatin1String("--force")) {
            options.force = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            help = true;
        } else if (argument == QLatin1String("--")) {
            words += arguments.mid(i + 1);
            break;
        } else if (argument.startsWith(u'-') && argument.size() > 1) {
            return Fail(QStringLiteral("unknown option %1").arg(argument));
        } else {
            words += argument;
        }
    }
    if (help) {
        options.command = Command::Help;
        return ParseResult{options, {}};
    }
    if (words.isEmpty()) {
        return Fail(QStringLiteral("no command given (brisken-cli --help lists them)"));
    }
    if (QString error = TakeOperands(options, words, formatGiven, modeGiven); !error.isEmpty()) {
        return Fail(error);
    }
    // An option that the command would ignore is more likely a mistake.
    const Command c = options.command;
    if (options.sizes && c != Command::Info) {
        return Fail(QStringLiteral("--sizes belongs to info"));
    }
    if ((formatGiven || !options.output.isEmpty()) && c != Command::Export) {
        return Fail(QStringLiteral("--format and -o belong to export"));
    }
    if (modeGiven && c != Command::Import) {
        return Fail(QStringLiteral("--replace and --append belong to import"));
    }
    if (options.dryRun && c != Command::Import && c != Command::Restore) {
        return Fail(QStringLiteral("--dry-run belongs to import and restore"));
    }
    if (options.force && c != Command::Restore) {
        return Fail(QStringLiteral("--force belongs to restore"));
    }
    return ParseResult{options, {}};
}

QString BookName(BookKind kind) {
    switch (kind) {
    case BookKind::Phone:
        return QStringLiteral("phonebook");
    case BookKind::LastDialled:
        return QStringLiteral("lastdialled");
    case BookKind::Sms:
        break;
    }
    return QStringLiteral("sms");
}

QString HelpText() {
    return QStringLiteral(
        "usage: brisken-cli [--reader NAME] [--json] [--pin-fd N] COMMAND ...\n"
        "\n"
        "Card backup, restore and export from a terminal, with the editor's own\n"
        "reads, writes and files.\n"
        "\n"
        "Commands:\n"
        "  info [--sizes]          card type, ICCID, IMSI, PIN state and tries left, book\n"
        "                          sizes; --sizes also walks every file of the card\n"
        "  export BOOK --format usv|vcf|csv [-o FILE]\n"
        "                          BOOK is phonebook, lastdialled or sms; text formats go\n"
        "                          to standard output without -o; vcf is for phone books\n"
        "  import phonebook|sms FILE [--append|--replace] [--dry-run]\n"
        "                          reads .usv, .txt, .csv or .vcf as the editor does and\n"
        "                          writes the records it changes; --append (default) adds\n"
        "                          to the book, --replace clears the book's other entries;\n"
        "                          --dry-run shows the records and writes nothing\n"
        "  backup DIR              every book to DIR/phonebook.usv, lastdialled.usv and\n"
        "                          sms.usv, the SMS records as the card holds them to\n"
        "                          DIR/sms-records.hex, with DIR/manifest.json (ICCID,\n"
        "                          card type, record counts, date, records' checksum)\n"
        "  restore DIR [--force] [--dry-run]\n"
        "                          writes a backup back to its records; a backup of\n"
        "                          another card (ICCID) is refused without --force, a\n"
        "                          damaged one before the card is touched. Each SMS goes\n"
        "                          back as it was read (status, time stamp), padded or\n"
        "                          cut to the card's record length where only padding\n"
        "                          is cut; a message that does not fit is not written.\n"
        "                          A backup without sms-records.hex, or onto the other\n"
        "                          family (GSM and USIM, or R-UIM), writes messages to\n"
        "                          be sent, without time stamps. Phone-book names go in\n"
        "                          the card library's own coding: they read back the\n"
        "                          same, but a record that held a compact UCS2 form\n"
        "                          may get other bytes (the count is printed)\n"
        "  pin verify|enable|disable|change|unblock\n"
        "                          PIN (CHV1) actions; codes are read from the terminal\n"
        "                          without echo, or from --pin-fd, never from arguments\n"
        "  help                    this text\n"
        "\n"
        "Options:\n"
        "  --reader NAME           use the reader NAME (without pcsc-lite's \" XX YY\")\n"
        "                          instead of the first known reader holding a card\n"
        "  --json                  machine-readable output of info and of write summaries\n"
        "  --pin-fd N              read codes from descriptor N, one per line: the PIN\n"
        "                          (or PUK), then for change and unblock the new PIN\n"
        "  --format, -o/--output, --sizes, --append, --replace, --dry-run, --force\n"
        "                          as described with their command\n"
        "  -h, --help              this text\n"
        "\n"
        "A PIN-protected card asks for its PIN before its books are read or written.\n"
        "\n"
        "Exit status: 0 done; 1 card or reader error; 2 usage error; 3 some records\n"
        "not written or not read (the count is printed). Messages go to standard\n"
        "error, data to standard output.\n");
}

} // namespace brisken::cli
