// brisken-cli through the real stack: the built program against pcscd, vpcd
// and a virtual card served by this process in the first known reader.
// What reaches the card is read from the card's own files afterwards.
#include "core/data_files.h"
#include "pcscd_card_support.h"

#include "profile.h"
#include "virtual_card.h"
#include "vpcd_link.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>
#include <winscard.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>
#include <thread>

namespace brisken {
namespace {

using testing::Bytes;
using testing::EditedProfile;
using testing::Profile;
using testing::RuimProfile;
using Path = std::vector<std::uint16_t>;

const Path kAdn = {0x7F10, 0x6F3A};
const Path kLnd = {0x7F10, 0x6F44};
const Path kSms = {0x7F10, 0x6F3C};

// A card in the sandbox's first "Generic MultiCard reader 1.0" slot. With
// `leaveAfterUpdates` set it is pulled out when that many records have been
// written: the next UPDATE RECORD finds no card.
class ServedCard {
public:
    explicit ServedCard(const std::string& profilePath, int leaveAfterUpdates = -1)
        : card_(simcard::LoadProfile(profilePath)), leaveAfter_(leaveAfterUpdates) {
        const char* portText = std::getenv("SANDBOX_PORT");
        const int port = (portText ? std::atoi(portText) : 35990) + 2;
        fd_ = simcard::ConnectToReader("127.0.0.1", static_cast<std::uint16_t>(port));
        if (fd_ < 0) {
            throw std::runtime_error("no vpcd reader on port " + std::to_string(port));
        }
        server_ = std::thread([this] { Serve(); });
        WaitForReader(true);
    }
    ~ServedCard() { Remove(); }
    ServedCard(const ServedCard&) = delete;
    ServedCard& operator=(const ServedCard&) = delete;

    void Remove() {
        if (fd_ < 0) {
            return;
        }
        shutdown(fd_, SHUT_RDWR);
        server_.join();
        close(fd_);
        fd_ = -1;
        WaitForReader(false);
    }
    // After Remove: the files as the card keeps them.
    const Bytes& File(const Path& path) const { return card_.Contents(path); }
    int Updates() const { return updates_.load(); }

private:
    void Serve() {
        while (std::optional<Bytes> message = simcard::ReadMessage(fd_)) {
            const bool update = message->size() > 4 && (*message)[1] == 0xDC;
            if (update && leaveAfter_ >= 0 && updates_.load() >= leaveAfter_) {
                shutdown(fd_, SHUT_RDWR); // the card leaves the slot
                return;
            }
            std::optional<Bytes> answer = simcard::Answer(card_, *message);
            if (update) {
                ++updates_;
            }
            if (answer && !simcard::WriteMessage(fd_, *answer)) {
                return;
            }
        }
    }

    static void WaitForReader(bool wantCard) {
        SCARDCONTEXT context = 0;
        if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) !=
            SCARD_S_SUCCESS) {
            throw std::runtime_error("no PC/SC service");
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            bool present = !wantCard;
            char names[2048];
            DWORD length = sizeof names;
            if (SCardListReaders(context, nullptr, names, &length) == SCARD_S_SUCCESS) {
                for (const char* name = names; *name; name += std::strlen(name) + 1) {
                    if (std::strncmp(name, "Generic MultiCard reader 1.0", 28) == 0) {
                        SCARD_READERSTATE state{};
                        state.szReader = name;
                        state.dwCurrentState = SCARD_STATE_UNAWARE;
                        if (SCardGetStatusChange(context, 0, &state, 1) == SCARD_S_SUCCESS) {
                            present = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
                        }
                        break;
                    }
                }
            }
            if (present == wantCard || std::chrono::steady_clock::now() > deadline) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        SCardReleaseContext(context);
    }

    simcard::VirtualCard card_;
    int leaveAfter_;
    std::atomic<int> updates_{0};
    int fd_ = -1;
    std::thread server_;
};

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

class CliThroughPcscd : public ::testing::Test {
protected:
    CliRun Cli(const QStringList& arguments, const QByteArray& input = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache_.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(BRISKEN_CLI), arguments);
        EXPECT_TRUE(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(120000));
        CliRun run;
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = QString::fromUtf8(process.readAllStandardError());
        if (run.exitCode != 0) {
            std::fprintf(stderr, "  brisken-cli %s -> %d\n%s", qPrintable(arguments.join(u' ')),
                         run.exitCode, qPrintable(run.err));
        }
        return run;
    }
    QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    QTemporaryDir cache_;
    QTemporaryDir dir_;
};

// The book SIM with another ICCID and empty books.
std::string EmptyOtherCard() {
    return EditedProfile("book_gsm_sim.json", [](nlohmann::json& profile) {
        for (auto& child : profile["mf"]["children"]) {
            if (child["id"] == "2FE2") {
                child["content"] = "98 94 00 10 32 54 76 99 99 F9";
            }
            if (child["id"] == "7F10") {
                for (auto& file : child["children"]) {
                    file["records"] = nlohmann::json::array();
                }
            }
        }
    });
}

std::vector<Bytes> Records(const Bytes& file, std::size_t length, std::size_t count) {
    std::vector<Bytes> records;
    for (std::size_t i = 0; i < count && (i + 1) * length <= file.size(); ++i) {
        records.emplace_back(file.begin() + static_cast<long>(i * length),
                             file.begin() + static_cast<long>((i + 1) * length));
    }
    return records;
}

TEST_F(CliThroughPcscd, BackupRestoresOntoASecondCardOnlyWithForce) {
    const QString backup = Path("backup");
    Bytes adn;
    Bytes lnd;
    QByteArray smsCsv;
    QByteArray phoneCsv;
    {
        ServedCard card(Profile("book_gsm_sim.json"));
        ASSERT_EQ(Cli({"backup", backup}).exitCode, 0);
        const CliRun sms = Cli({"export", "sms", "--format", "csv"});
        ASSERT_EQ(sms.exitCode, 0);
        smsCsv = sms.out;
        const CliRun phone = Cli({"export", "phonebook", "--format", "csv"});
        ASSERT_EQ(phone.exitCode, 0);
        phoneCsv = phone.out;
        card.Remove();
        adn = card.File(kAdn);
        lnd = card.File(kLnd);
    }

    ServedCard other(EmptyOtherCard());
    const CliRun refused = Cli({"restore", backup});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QLatin1String("--force"))) << qPrintable(refused.err);
    EXPECT_EQ(other.Updates(), 0);

    const CliRun restored = Cli({"restore", backup, "--force", "--json"});
    ASSERT_EQ(restored.exitCode, 0);
    const QJsonObject summary = QJsonDocument::fromJson(restored.out).object();
    EXPECT_EQ(summary.value(QStringLiteral("notWritten")).toInt(-1), 0);
    // Names the library writes in its own UCS2 form are counted.
    EXPECT_GT(summary.value("books").toArray()[0].toObject().value("ucs2Names").toInt(), 0);
    EXPECT_TRUE(restored.err.contains(QLatin1String("in UCS2 in the card library's own form")))
        << qPrintable(restored.err);
    // Every message comes back as it was: status, number, time and text.
    EXPECT_EQ(Cli({"export", "sms", "--format", "csv"}).out, smsCsv);
    EXPECT_EQ(Cli({"export", "phonebook", "--format", "csv"}).out, phoneCsv);
    // A second restore finds nothing to change.
    const CliRun again = Cli({"restore", backup, "--force", "--json"});
    ASSERT_EQ(again.exitCode, 0);
    const QJsonArray books =
        QJsonDocument::fromJson(again.out).object().value(QStringLiteral("books")).toArray();
    ASSERT_EQ(books.size(), 3);
    EXPECT_TRUE(books[0].toObject().value(QStringLiteral("written")).toArray().isEmpty());
    EXPECT_TRUE(books[1].toObject().value(QStringLiteral("written")).toArray().isEmpty());
    other.Remove();

    const std::vector<Bytes> restoredAdn = Records(other.File(kAdn), 28, 250);
    const std::vector<Bytes> originalAdn = Records(adn, 28, 250);
    ASSERT_EQ(restoredAdn.size(), originalAdn.size());
    // Byte for byte, except that the library writes a UCS2 name in the plain
    // 80 form where the first card held one of the compact 81 and 82 forms:
    // the same name (the exports above and below agree), other bytes.
    for (std::size_t i = 0; i < originalAdn.size(); ++i) {
        const Bytes& from = originalAdn[i];
        const Bytes& to = restoredAdn[i];
        if (from[0] == 0x81 || from[0] == 0x82) {
            EXPECT_EQ(to[0], 0x80) << "record " << i + 1;
            EXPECT_TRUE(std::equal(from.end() - 14, from.end(), to.end() - 14)) << i + 1;
        } else {
            EXPECT_EQ(to, from) << "record " << i + 1;
        }
    }
    // The cyclic last-dialled file holds the same numbers, newest first.
    QByteArray manifest;
    ASSERT_EQ(ReadWholeFile(backup + "/manifest.json", manifest), FileResult::Ok);
    const QJsonObject backedUp =
        QJsonDocument::fromJson(manifest).object().value("books").toObject();
    const auto lndRecords =
        static_cast<std::size_t>(backedUp.value("lastdialled").toObject().value("records").toInt());
    EXPECT_GT(lndRecords, 0u);
    EXPECT_EQ(Records(other.File(kLnd), 28, lndRecords), Records(lnd, 28, lndRecords));
}

// A USIM without a reachable last-dialled file takes a GSM SIM's backup
// with --force: its phone book and SMS book, and the rest is counted.
TEST_F(CliThroughPcscd, RestoreOntoACardWithoutABookCountsWhatItCouldNotPlace) {
    const QString backup = Path("backup");
    {
        ServedCard card(Profile("demo_gsm_sim.json"));
        ASSERT_EQ(Cli({"backup", backup}).exitCode, 0);
    }
    ServedCard usim(Profile("demo_usim.json"));
    const CliRun restored = Cli({"restore", backup, "--force"});
    EXPECT_EQ(restored.exitCode, 3);
    EXPECT_TRUE(restored.err.contains(QLatin1String("lastdialled: the card has none; 6 record")))
        << qPrintable(restored.err);
    EXPECT_TRUE(restored.out.contains("wrote phonebook record 1: Mum | +491712345678"));
}

TEST_F(CliThroughPcscd, ExportFormatsParseBack) {
    ServedCard card(Profile("demo_gsm_sim.json"));
    ASSERT_EQ(Cli({"export", "phonebook", "--format", "usv", "-o", Path("book.usv")}).exitCode, 0);
    const CliRun vcf = Cli({"export", "phonebook", "--format", "vcf"});
    const CliRun csv = Cli({"export", "phonebook", "--format", "csv"});
    ASSERT_EQ(vcf.exitCode, 0);
    ASSERT_EQ(csv.exitCode, 0);
    QByteArray usv;
    ASSERT_EQ(ReadWholeFile(Path("book.usv"), usv), FileResult::Ok);
    const PhoneFileEntries fromUsv = ReadPhoneUsv(usv);
    const PhoneFileEntries fromVcf = ReadVCard(vcf.out);
    ASSERT_TRUE(csv.out.startsWith("Name,Number\r\n"));
    const PhoneFileEntries fromCsv = ReadPhoneText(csv.out.mid(13));
    ASSERT_EQ(fromUsv.cells.size(), 60u);
    EXPECT_EQ(fromUsv.invalid + fromVcf.invalid + fromCsv.invalid, 0);
    EXPECT_EQ(fromVcf.cells, fromUsv.cells);
    EXPECT_EQ(fromCsv.cells, fromUsv.cells);

    // The SMS book: the record file whole, the CSV one line per message.
    ASSERT_EQ(Cli({"export", "sms", "--format", "usv", "-o", Path("sms.usv")}).exitCode, 0);
    const CliRun smsCsv = Cli({"export", "sms", "--format", "csv"});
    ASSERT_EQ(smsCsv.exitCode, 0);
    ASSERT_EQ(ReadWholeFile(Path("sms.usv"), usv), FileResult::Ok);
    const SmsFileEntries sms = ReadSmsUsv(usv);
    EXPECT_EQ(sms.cells.size(), 16u);
    EXPECT_EQ(sms.invalid, 0);
    EXPECT_EQ(smsCsv.out.count('\n'), 17);

    // Usage errors say so before the card is touched.
    EXPECT_EQ(Cli({"export", "sms", "--format", "vcf"}).exitCode, 2);
    EXPECT_EQ(Cli({"export", "phonebook", "--format", "usv"}).exitCode, 2);
}

TEST_F(CliThroughPcscd, WrongPinFailsAndSpendsExactlyOneTry) {
    ServedCard card(Profile("demo_gsm_sim_pin.json"));
    const auto triesLeft = [this] {
        const CliRun info = Cli({"info", "--json"});
        const QJsonObject pin = QJsonDocument::fromJson(info.out).object().value("pin").toObject();
        return pin.value(QStringLiteral("triesLeft")).toInt(-1);
    };
    ASSERT_EQ(triesLeft(), 3);
    EXPECT_EQ(Cli({"pin", "verify", "--pin-fd", "0"}, "0000\n").exitCode, 1);
    EXPECT_EQ(triesLeft(), 2);
    // No code at all spends nothing; a code longer than a PIN is refused
    // before it reaches the card.
    EXPECT_EQ(Cli({"pin", "verify", "--pin-fd", "0"}).exitCode, 2);
    EXPECT_EQ(Cli({"pin", "verify", "--pin-fd", "0"}, "123456789\n").exitCode, 2);
    EXPECT_EQ(triesLeft(), 2);
    // The right code opens the books and resets the count.
    const CliRun csv = Cli({"export", "phonebook", "--format", "csv", "--pin-fd", "0"}, "1234\n");
    EXPECT_EQ(csv.exitCode, 0);
    EXPECT_EQ(csv.out.count('\n'), 61);
    EXPECT_EQ(triesLeft(), 3);
}

// The PIN's life through the program: change, disable, enable, then
// blocked by wrong codes and unblocked with the PUK.
TEST_F(CliThroughPcscd, PinActionsFromADescriptor) {
    ServedCard card(Profile("demo_gsm_sim_pin.json"));
    const auto pinState = [this] {
        const CliRun info = Cli({"info", "--json"});
        return QJsonDocument::fromJson(info.out).object().value("pin").toObject();
    };
    EXPECT_EQ(Cli({"pin", "change", "--pin-fd", "0"}, "1234\n4321\n").exitCode, 0);
    EXPECT_EQ(Cli({"pin", "verify", "--pin-fd", "0"}, "4321\n").exitCode, 0);
    EXPECT_EQ(Cli({"pin", "disable", "--pin-fd", "0"}, "4321\n").exitCode, 0);
    EXPECT_EQ(pinState().value("state").toString(), QStringLiteral("disabled"));
    // Disabled: nothing to disable, and the books need no code.
    EXPECT_EQ(Cli({"pin", "disable", "--pin-fd", "0"}, "4321\n").exitCode, 1);
    EXPECT_EQ(Cli({"export", "lastdialled", "--format", "csv"}).exitCode, 0);
    EXPECT_EQ(Cli({"pin", "enable", "--pin-fd", "0"}, "4321\n").exitCode, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Cli({"pin", "verify", "--pin-fd", "0"}, "0000\n").exitCode, 1);
    }
    EXPECT_EQ(pinState().value("state").toString(), QStringLiteral("blocked"));
    EXPECT_EQ(Cli({"pin", "verify", "--pin-fd", "0"}, "4321\n").exitCode, 1);
    EXPECT_EQ(Cli({"pin", "unblock", "--pin-fd", "0"}, "12345678\n5678\n").exitCode, 0);
    const QJsonObject unblocked = pinState();
    EXPECT_EQ(unblocked.value("state").toString(), QStringLiteral("enabled"));
    EXPECT_EQ(unblocked.value("triesLeft").toInt(), 3);
    EXPECT_EQ(Cli({"pin", "verify", "--pin-fd", "0"}, "5678\n").exitCode, 0);
}

TEST_F(CliThroughPcscd, CardRemovedMidImportExitsThreeWithTheCount) {
    QByteArray text;
    for (int i = 0; i < 60; ++i) {
        text +=
            QStringLiteral("Imported %1,+4930555%2\n").arg(i).arg(i, 4, 10, QChar(u'0')).toUtf8();
    }
    ASSERT_EQ(WriteFileReplacing(Path("contacts.txt"), text), FileResult::Ok);
    ServedCard card(Profile("book_gsm_sim.json"), 20);
    const CliRun run = Cli({"import", "phonebook", Path("contacts.txt"), "--json"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QLatin1String("40 record(s) not written"))) << qPrintable(run.err);
    const QJsonObject summary = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(summary.value(QStringLiteral("written")).toArray().size(), 20);
    EXPECT_EQ(summary.value(QStringLiteral("notWritten")).toArray().size(), 40);
    EXPECT_EQ(card.Updates(), 20);
}

TEST_F(CliThroughPcscd, ImportDryRunWritesNothingAndReplaceClearsTheRest) {
    ServedCard card(Profile("book_gsm_sim.json"));
    ASSERT_EQ(WriteFileReplacing(Path("two.csv"), "Ann,+4930111\nBen,+4930222\n"), FileResult::Ok);
    const CliRun dry = Cli({"import", "phonebook", Path("two.csv"), "--replace", "--dry-run"});
    ASSERT_EQ(dry.exitCode, 0);
    EXPECT_TRUE(dry.out.contains("would write phonebook record 1: Ann | +4930111"))
        << dry.out.constData();
    EXPECT_TRUE(dry.out.contains("would clear phonebook record"));
    EXPECT_EQ(card.Updates(), 0);

    ASSERT_EQ(Cli({"import", "phonebook", Path("two.csv"), "--replace"}).exitCode, 0);
    const CliRun csv = Cli({"export", "phonebook", "--format", "csv"});
    EXPECT_EQ(csv.out, QByteArray("Name,Number\r\nAnn,+4930111\r\nBen,+4930222\r\n"));
}

// The sandbox keeps a GSM SIM in a reader the library does not know by
// itself and a USIM in the second known slot: --reader reaches the first.
TEST_F(CliThroughPcscd, ReaderByName) {
    const auto cardType = [this](const QStringList& arguments) {
        const CliRun info = Cli(arguments);
        EXPECT_EQ(info.exitCode, 0);
        return QJsonDocument::fromJson(info.out).object().value("cardType").toString();
    };
    EXPECT_EQ(cardType({"info", "--json"}), QStringLiteral("USIM"));
    EXPECT_EQ(cardType({"--reader", "Acme Card Terminal", "info", "--json"}),
              QStringLiteral("GSM SIM"));
}

// A profile of sim/profiles as a second card: another ICCID, and its SMS
// records turned by one, so that every message and free record of the first
// card has to be written or cleared.
std::string SecondCard(const char* name) {
    return EditedProfile(name, [](nlohmann::json& profile) {
        const std::function<void(nlohmann::json&)> edit = [&edit](nlohmann::json& node) {
            for (auto& child : node["children"]) {
                const std::string id = child.value("id", ""); // an ADF may have none
                if (id == "2FE2") {
                    child["content"] = "98 94 00 10 32 54 76 99 99 F9";
                } else if (id == "6F3C") {
                    auto& records = child["records"];
                    std::rotate(records.begin(), records.begin() + 1, records.end());
                }
                if (child.contains("children")) {
                    edit(child);
                }
            }
        };
        edit(profile["mf"]);
    });
}

struct SmsCard {
    const char* name;
    const char* profile;
    Path sms;
    std::size_t recordLength;
};

void PrintTo(const SmsCard& card, std::ostream* out) {
    *out << card.name;
}

class CliSmsRecords : public CliThroughPcscd, public ::testing::WithParamInterface<SmsCard> {};

// Received read and unread, sent and time-stamped messages restored onto
// a second card give the first card's SMS file byte for byte.
TEST_P(CliSmsRecords, ComeBackByteForByteOnASecondCard) {
    const QString backup = Path("backup");
    Bytes original;
    {
        ServedCard card(Profile(GetParam().profile));
        ASSERT_EQ(Cli({"backup", backup}).exitCode, 0);
        card.Remove();
        original = card.File(GetParam().sms);
    }
    std::set<std::uint8_t> statuses;
    const std::size_t length = GetParam().recordLength;
    for (const Bytes& record : Records(original, length, original.size() / length)) {
        statuses.insert(record[0]);
    }
    EXPECT_EQ(statuses, (std::set<std::uint8_t>{0x00, 0x01, 0x03, 0x05}));

    ServedCard other(SecondCard(GetParam().profile));
    const CliRun restored = Cli({"restore", backup, "--force", "--json"});
    ASSERT_EQ(restored.exitCode, 0);
    const QJsonArray books =
        QJsonDocument::fromJson(restored.out).object().value("books").toArray();
    ASSERT_FALSE(books.isEmpty());
    EXPECT_TRUE(books.last().toObject().value("asRead").toBool());
    other.Remove();
    EXPECT_EQ(other.File(GetParam().sms), original);
}

INSTANTIATE_TEST_SUITE_P(Cards, CliSmsRecords,
                         ::testing::Values(SmsCard{"GsmSim", "demo_gsm_sim.json", kSms, 176},
                                           SmsCard{"Usim", "demo_usim.json", {0x7FFF, 0x6F3C}, 176},
                                           SmsCard{
                                               "Ruim", "demo_ruim.json", {0x7F25, 0x6F3C}, 255}),
                         [](const auto& info) { return std::string(info.param.name); });

// A damaged record file is refused before the card is touched; a backup
// without one (made before records were kept) restores as it always did:
// messages to be sent with their numbers and texts.
TEST_F(CliThroughPcscd, DamagedSmsRecordsAreRefusedAndOldBackupsStillRestore) {
    const QString backup = Path("backup");
    QByteArray smsCsv;
    {
        ServedCard card(Profile("demo_gsm_sim.json"));
        ASSERT_EQ(Cli({"backup", backup}).exitCode, 0);
        smsCsv = Cli({"export", "sms", "--format", "csv"}).out;
    }
    const QString imagesPath = backup + "/sms-records.hex";
    const QString manifestPath = backup + "/manifest.json";
    QByteArray images;
    QByteArray manifest;
    ASSERT_EQ(ReadWholeFile(imagesPath, images), FileResult::Ok);
    ASSERT_EQ(ReadWholeFile(manifestPath, manifest), FileResult::Ok);

    ServedCard other(SecondCard("demo_gsm_sim.json"));
    // One digit of a message's text changed.
    QByteArray damaged = images;
    damaged[40] = damaged[40] == '0' ? '1' : '0';
    ASSERT_EQ(WriteFileReplacing(imagesPath, damaged), FileResult::Ok);
    CliRun refused = Cli({"restore", backup, "--force"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(QLatin1String("sms-records.hex is damaged")))
        << qPrintable(refused.err);
    // A status changed and the checksum made to match: the record is no
    // longer the message sms.usv holds.
    damaged = images;
    damaged[1] = damaged[1] == '1' ? '3' : '1';
    ASSERT_EQ(WriteFileReplacing(imagesPath, damaged), FileResult::Ok);
    ASSERT_EQ(WriteFileReplacing(
                  manifestPath,
                  QByteArray(manifest).replace(
                      QCryptographicHash::hash(images, QCryptographicHash::Sha256).toHex(),
                      QCryptographicHash::hash(damaged, QCryptographicHash::Sha256).toHex())),
              FileResult::Ok);
    refused = Cli({"restore", backup, "--force"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(QLatin1String("is not the message of sms.usv")))
        << qPrintable(refused.err);
    EXPECT_EQ(other.Updates(), 0);

    // The backup as an older program wrote it.
    QJsonObject root = QJsonDocument::fromJson(manifest).object();
    QJsonObject books = root.value("books").toObject();
    QJsonObject sms = books.value("sms").toObject();
    sms.remove(QStringLiteral("images"));
    books.insert(QStringLiteral("sms"), sms);
    root.insert(QStringLiteral("books"), books);
    ASSERT_EQ(WriteFileReplacing(manifestPath, QJsonDocument(root).toJson()), FileResult::Ok);
    ASSERT_TRUE(QFile::remove(imagesPath));
    ASSERT_EQ(Cli({"restore", backup, "--force"}).exitCode, 0);
    const QList<QByteArray> after = Cli({"export", "sms", "--format", "csv"}).out.split('\n');
    const QList<QByteArray> before = smsCsv.split('\n');
    ASSERT_EQ(after.size(), before.size());
    for (qsizetype i = 1; i + 1 < before.size(); ++i) {
        const QList<QByteArray> was = before[i].split(',');
        const QList<QByteArray> now = after[i].split(',');
        ASSERT_GE(now.size(), 3) << after[i].constData();
        EXPECT_EQ(now[1], was[1]) << i;       // the number
        EXPECT_EQ(now[2], QByteArray()) << i; // no time stamp on a message to be sent
    }
    other.Remove();
    const Bytes file = other.File(kSms);
    for (const Bytes& record : Records(file, 176, 30)) {
        EXPECT_TRUE(record[0] == 0x00 || record[0] == 0x07) << int(record[0]);
    }
}

struct Family {
    const char* name;
    std::string (*profile)();
};

class CliOnEveryFamily : public CliThroughPcscd, public ::testing::WithParamInterface<Family> {};

// Every command's card side on each kind of card: identification, all
// three books read for a backup, and a restore onto the same card that
// finds every record already in place.
TEST_P(CliOnEveryFamily, InfoBackupAndRestoreInPlace) {
    ServedCard card(GetParam().profile());
    const CliRun info = Cli({"info", "--sizes", "--json"});
    ASSERT_EQ(info.exitCode, 0);
    const QJsonObject shown = QJsonDocument::fromJson(info.out).object();
    EXPECT_EQ(shown.value("cardType").toString(), QLatin1String(GetParam().name));
    EXPECT_GT(shown.value("allFilesBytes").toInteger(), 0);
    EXPECT_EQ(Cli({"export", "sms", "--format", "csv"}).exitCode, 0);
    const CliRun backup = Cli({"backup", Path("backup"), "--json"});
    ASSERT_EQ(backup.exitCode, 0);
    const QJsonObject records =
        QJsonDocument::fromJson(backup.out).object().value("records").toObject();
    EXPECT_GT(records.value("phonebook").toInt() + records.value("sms").toInt(), 0);
    const CliRun restore = Cli({"restore", Path("backup"), "--json"});
    ASSERT_EQ(restore.exitCode, 0);
    for (const QJsonValue& book :
         QJsonDocument::fromJson(restore.out).object().value("books").toArray()) {
        EXPECT_TRUE(book.toObject().value("written").toArray().isEmpty())
            << qPrintable(book.toObject().value("book").toString());
        EXPECT_TRUE(book.toObject().value("cleared").toArray().isEmpty());
    }
    EXPECT_EQ(card.Updates(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cards, CliOnEveryFamily,
    ::testing::Values(Family{"GSM SIM", [] { return Profile("demo_gsm_sim.json"); }},
                      Family{"USIM", [] { return Profile("demo_usim.json"); }},
                      Family{"R-UIM", RuimProfile}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name;
    });

} // namespace
} // namespace brisken

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
