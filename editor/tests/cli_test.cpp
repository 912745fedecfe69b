// brisken-cli without a card: its command line, the codes it reads and the
// backup manifest it trusts before writing to a card.
#include "cli/cli_options.h"
#include "cli/code_prompt.h"
#include "cli/commands.h"
#include "cli/record_images.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace brisken::cli {
namespace {

std::optional<Options> Parse(std::initializer_list<const char*> words) {
    QStringList arguments;
    for (const char* word : words) {
        arguments += QString::fromUtf8(word);
    }
    return ParseCommandLine(arguments).options;
}

TEST(CliCommandLine, CommandsTakeTheirOptionsAnywhere) {
    auto options = Parse({"--reader", "Acme Card Terminal", "export", "sms", "--format=csv", "-o",
                          "out.csv", "--json"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->command, Command::Export);
    EXPECT_EQ(options->book, BookKind::Sms);
    EXPECT_EQ(options->format, FileFormat::Csv);
    EXPECT_EQ(options->output, QStringLiteral("out.csv"));
    EXPECT_EQ(options->reader, QStringLiteral("Acme Card Terminal"));
    EXPECT_TRUE(options->json);

    options = Parse({"import", "phonebook", "--replace", "-", "--dry-run", "--pin-fd", "5"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->command, Command::Import);
    EXPECT_EQ(options->path, QStringLiteral("-"));
    EXPECT_EQ(options->mode, ImportMode::Replace);
    EXPECT_TRUE(options->dryRun);
    EXPECT_EQ(options->pinFd, 5);

    options = Parse({"pin", "unblock"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->pinAction, PinAction::Unblock);
    EXPECT_FALSE(options->pinVerify);
    options = Parse({"restore", "--force", "dir"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->force);
    // --help shows the text instead of running the command; a mistake
    // beside it is still reported.
    options = Parse({"export", "--bogus", "--help"});
    EXPECT_FALSE(options);
    options = Parse({"info", "--help"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->command, Command::Help);
}

TEST(CliCommandLine, MistakesAreRefusedBeforeAnythingRuns) {
    const std::vector<std::vector<const char*>> refused = {
        {},
        {"frobnicate"},
        {"info", "extra"},
        {"export", "phonebook"},                    // no format
        {"export", "sms", "--format", "vcf"},       // SMS has no vCard form
        {"export", "phonebook", "--format", "usv"}, // binary to a terminal
        {"export", "contacts", "--format", "csv"},
        {"export", "phonebook", "--format", "xml"},
        {"import", "lastdialled", "f.csv"},
        {"import", "phonebook"},
        {"import", "phonebook", "f.csv", "--replace", "--append"},
        {"backup", "dir", "--format", "csv"},
        {"restore"},
        {"pin", "reset"},
        {"pin", "verify", "1234"}, // codes never come from the command line
        {"pin", "verify", "--pin-fd", "-1"},
        {"pin", "verify", "--pin-fd", "three"},
        {"info", "--reader"},
        {"info", "--force"},
        {"export", "sms", "--format", "csv", "--sizes"},
        {"info", "--json=yes"},
    };
    for (const auto& words : refused) {
        QStringList arguments;
        for (const char* word : words) {
            arguments += QString::fromUtf8(word);
        }
        const ParseResult result = ParseCommandLine(arguments);
        EXPECT_FALSE(result.options) << qPrintable(arguments.join(u' '));
        EXPECT_FALSE(result.error.isEmpty()) << qPrintable(arguments.join(u' '));
    }
}

TEST(CliCommandLine, HelpNamesEveryOption) {
    const QString help = HelpText();
    for (const char* option : {"--reader", "--json", "--pin-fd", "--sizes", "--format", "-o",
                               "--append", "--replace", "--dry-run", "--force", "--help"}) {
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
    }
}

// A pipe holding `bytes`, closed for writing.
int PipeWith(const std::string& bytes) {
    int ends[2];
    if (pipe(ends) != 0) {
        return -1;
    }
    EXPECT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(ends[1]);
    return ends[0];
}

TEST(CliCodes, LinesAreTakenOneAtATimeAndNeverCut) {
    const int fd = PipeWith("1234\r\n12345678\n123456789\n\nlast");
    SecretText code;
    ASSERT_EQ(ReadSecretLine(fd, code), LineResult::Ok);
    EXPECT_EQ(std::u16string(code.data(), code.size()), u"1234");
    ASSERT_EQ(ReadSecretLine(fd, code), LineResult::Ok);
    EXPECT_EQ(code.size(), 8u);
    // Nine characters would be sent as another code: refused, and the next
    // line is still the next line.
    EXPECT_EQ(ReadSecretLine(fd, code), LineResult::TooLong);
    EXPECT_EQ(code.size(), 0u);
    ASSERT_EQ(ReadSecretLine(fd, code), LineResult::Ok);
    EXPECT_EQ(code.size(), 0u);
    ASSERT_EQ(ReadSecretLine(fd, code), LineResult::Ok);
    EXPECT_EQ(std::u16string(code.data(), code.size()), u"last");
    EXPECT_EQ(ReadSecretLine(fd, code), LineResult::End);
    close(fd);
    EXPECT_EQ(ReadSecretLine(fd, code), LineResult::Failed);
}

TEST(CliCodes, ScriptGivesCodeThenNewPin) {
    const int fd = PipeWith("0000\n4321\n");
    CodePrompt prompt(fd);
    SecretText puk, newPin, confirmed;
    ASSERT_TRUE(prompt.AskCode(true, 10, puk));
    ASSERT_TRUE(prompt.AskNewPin(true, newPin, confirmed));
    EXPECT_TRUE(newPin == confirmed);
    EXPECT_EQ(std::u16string(newPin.data(), newPin.size()), u"4321");
    // Nothing more to read: no code, and the prompt says why.
    EXPECT_FALSE(prompt.AskCode(false, 3, puk));
    EXPECT_STRNE(prompt.Problem(), "");
    close(fd);
}

Manifest TwoBooks() {
    Manifest manifest;
    manifest.iccid = QStringLiteral("8949022017300012345");
    manifest.cardType = QStringLiteral("GSM SIM");
    manifest.date = QStringLiteral("2026-12-08T12:00:00Z");
    manifest.books = {
        {BookKind::Phone, 3, {0, 1, 9}, std::nullopt},
        {BookKind::Sms,
         1,
         {4},
         ManifestImages{QStringLiteral("sms-records.hex"), false, 176, QString(64, u'a')}}};
    return manifest;
}

TEST(CliManifest, RoundTrip) {
    QString error;
    const auto parsed = ParseManifest(ManifestJson(TwoBooks()), error);
    ASSERT_TRUE(parsed) << qPrintable(error);
    EXPECT_EQ(parsed->iccid, QStringLiteral("8949022017300012345"));
    ASSERT_EQ(parsed->books.size(), 2u);
    EXPECT_EQ(parsed->books[0].places, (std::vector<int>{0, 1, 9}));
    EXPECT_EQ(parsed->books[1].kind, BookKind::Sms);
    ASSERT_TRUE(parsed->books[1].images);
    EXPECT_EQ(parsed->books[1].images->recordLength, 176);
    EXPECT_FALSE(parsed->books[1].images->cdma);
    EXPECT_EQ(parsed->books[1].images->sha256, QString(64, u'a'));
    // A backup made before images were kept.
    Manifest old = TwoBooks();
    old.books[1].images.reset();
    const auto parsedOld = ParseManifest(ManifestJson(old), error);
    ASSERT_TRUE(parsedOld) << qPrintable(error);
    EXPECT_FALSE(parsedOld->books[1].images);
}

TEST(CliManifest, DamageIsFoundBeforeTheCardIsWritten) {
    const auto refuses = [](const QByteArray& json) {
        QString error;
        const bool parsed = ParseManifest(json, error).has_value();
        EXPECT_TRUE(parsed || !error.isEmpty());
        return !parsed;
    };
    const QByteArray good = ManifestJson(TwoBooks());
    EXPECT_TRUE(refuses("not json"));
    EXPECT_TRUE(refuses(QByteArray(good).replace("\"version\": 1", "\"version\": 7")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("8949022017300012345", "")));
    // Places out of the store, repeated, or not matching the count.
    EXPECT_TRUE(refuses(QByteArray(good).replace("9\n", "1024\n")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("9\n", "1\n")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("\"records\": 3", "\"records\": 2")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("9\n", "\"9\"\n")));
    // The record images: a plain file of the folder, a known form, a length
    // the card library writes, a checksum; and only for the SMS book.
    EXPECT_TRUE(refuses(QByteArray(good).replace("\"sms-records.hex", "\"../sms-records.hex")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("\"sms-records.hex", "\"/tmp/x")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("\"gsm\"", "\"phs\"")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("176", "177")));
    EXPECT_TRUE(refuses(QByteArray(good).replace("aaaa", "aaaA")));
    Manifest onPhoneBook = TwoBooks();
    std::swap(onPhoneBook.books[0].images, onPhoneBook.books[1].images);
    EXPECT_TRUE(refuses(ManifestJson(onPhoneBook)));
    Manifest ruim = TwoBooks();
    ruim.books[1].images->cdma = true;
    ruim.books[1].images->recordLength = 255;
    EXPECT_FALSE(refuses(ManifestJson(ruim)));
    EXPECT_TRUE(refuses(R"({"version": 1, "iccid": "1", "books": {}})"));
    EXPECT_FALSE(refuses(good));
}

TEST(CliRecordImages, ReadBackOnlyAsWritten) {
    const std::vector<RecordImage> images = {{0x01, 0x00, 0xAB}, {0x03, 0xFF, 0x0F}};
    const QByteArray text = RecordImagesText(images);
    EXPECT_EQ(text, QByteArray("0100AB\n03FF0F\n"));
    QString error;
    EXPECT_EQ(ParseRecordImages(text, 2, 3, error), images);
    EXPECT_EQ(ParseRecordImages(text.toLower(), 2, 3, error), images);
    EXPECT_EQ(ParseRecordImages({}, 0, 176, error), std::vector<RecordImage>{});
    const auto refused = [&](const QByteArray& damaged, int records, int length) {
        error.clear();
        const bool parsed = ParseRecordImages(damaged, records, length, error).has_value();
        return !parsed && !error.isEmpty();
    };
    EXPECT_TRUE(refused(text, 3, 3));                                 // a record missing
    EXPECT_TRUE(refused(text, 2, 4));                                 // other record length
    EXPECT_TRUE(refused(text.chopped(1), 2, 3));                      // cut short
    EXPECT_TRUE(refused(QByteArray(text).replace("AB", "AG"), 2, 3)); // not hex
    EXPECT_TRUE(refused(QByteArray(text).replace("\n0", "\r\n0"), 2, 3));
    EXPECT_TRUE(refused(text + "\n", 2, 3));
    // The checksum the manifest keeps changes with any digit.
    EXPECT_EQ(Sha256Hex(text).size(), 64);
    EXPECT_NE(Sha256Hex(text), Sha256Hex(QByteArray(text).replace("AB", "AC")));
}

} // namespace
} // namespace brisken::cli
