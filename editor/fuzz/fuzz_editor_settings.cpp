// The editor's setting file from the fuzz input.
//
// Invariants: reading never crashes; writing a language index over the file
// reads back that index and keeps every other plain key the file held; a
// damaged file may be tidied, but it never grows from one write to the next.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <strings.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <tuple>

namespace {

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            __builtin_trap();                                                                      \
    } while (0)

// Memory-backed when there is one: every run writes and replaces the file.
QString TempBase() {
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

void WriteFile(const QString& path, const uint8_t* data, size_t size) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) ==
               static_cast<qint64>(size));
}

// Printable text without the characters that shape an INI line.
bool Plain(const char* text) {
    for (; *text != 0; ++text)
        if (*text < 0x20 || *text > 0x7E || std::strchr("[]=;#", *text) != nullptr)
            return false;
    return true;
}

bool Parse(const QString& path, CSimpleIniA& ini) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return ini.LoadData(bytes.constData(), static_cast<size_t>(bytes.size())) >= 0;
}

// The file's bytes other than line ends.
qsizetype TextBytes(const QString& path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    return bytes.size() - bytes.count('\n') - bytes.count('\r');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A folder of its own for each input, removed when the input is done.
    const QTemporaryDir dir(TempBase() + QStringLiteral("/fuzz_editor_settings.XXXXXX"));
    FUZZ_CHECK(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Brisken.ini"));
    WriteFile(path, data, size);
    (void)brisken::ReadLanguageIndex(path);

    CSimpleIniA before;
    const bool parsed = Parse(path, before);
    const int index = size > 0 ? data[0] % 13 : 0;
    FUZZ_CHECK(brisken::WriteLanguageIndex(path, index));
    FUZZ_CHECK(brisken::ReadLanguageIndex(path) == index);

    // A damaged file may be tidied and blank lines come and go, but its text
    // must not grow on every write.
    FUZZ_CHECK(brisken::WriteLanguageIndex(path, index));
    const qsizetype second = TextBytes(path);
    FUZZ_CHECK(brisken::WriteLanguageIndex(path, index));
    FUZZ_CHECK(TextBytes(path) <= second);
    if (!parsed)
        return 0;

    CSimpleIniA after;
    FUZZ_CHECK(Parse(path, after));
    CSimpleIniA::TNamesDepend sections;
    before.GetAllSections(sections);
    for (const auto& section : sections) {
        CSimpleIniA::TNamesDepend keys;
        before.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys) {
            if (strcasecmp(section.pItem, "Brisken") == 0 &&
                strcasecmp(key.pItem, "LanguageSelected") == 0)
                continue;
            const char* was = before.GetValue(section.pItem, key.pItem, nullptr);
            if (!Plain(section.pItem) || !Plain(key.pItem) || !Plain(was))
                continue;
            const char* now = after.GetValue(section.pItem, key.pItem, nullptr);
            FUZZ_CHECK(was != nullptr && now != nullptr && std::string(was) == now);
        }
    }
    return 0;
}
