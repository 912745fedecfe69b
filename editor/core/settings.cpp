#include "core/settings.h"

#include "core/language.h"
#include "core/trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>

// Narrow text only: the file holds one decimal key.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include "ini_names.h"

#include <climits>
#include <cstring>
#include <string>

namespace brisken {
namespace {

constexpr const char* kSection = "Brisken";
constexpr const char* kKey = "LanguageSelected";
// The file holds one key; anything far larger is not ours to parse.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

// As the profile functions read an integer: optional blanks, optional sign,
// decimal digits up to the first other character; no digits gives 0.
int ParseProfileInt(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    bool negative = false;
    if (*text == '-' || *text == '+') {
        negative = *text == '-';
        ++text;
    }
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        value = INT_MAX;
    }
    return static_cast<int>(value);
}

bool LoadIni(const QString& path, CSimpleIniA& ini) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSettingsBytes) {
        return false;
    }
    const QByteArray bytes = file.read(kMaxSettingsBytes);
    return ini.LoadData(bytes.constData(), static_cast<size_t>(bytes.size())) >= 0;
}

} // namespace

QString SettingsFilePath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Brisken.ini"));
}

int ReadLanguageIndex(const QString& path) {
    CSimpleIniA ini;
    if (!LoadIni(path, ini)) {
        return 0;
    }
    return ParseProfileInt(ini.GetValue(kSection, kKey, nullptr));
}

bool WriteLanguageIndex(const QString& path, int index) {
    CSimpleIniA ini;
    LoadIni(path, ini); // a missing or unreadable file starts empty
    suite::DropNamesSpanningLines(ini);
    ini.SetValue(kSection, kKey, std::to_string(index).c_str());
    std::string data;
    if (ini.Save(data) < 0) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(data.data(), static_cast<qint64>(data.size()));
    return file.commit();
}

int LoadINISetting(const QString& path) {
    Trace("LoadINISetting", 0);
    Trace("LoadINISetting", 1);
    const int index = ReadLanguageIndex(path);
    if (index >= 0) {
        Trace("LoadINISetting", 2);
    }
    SetInterfaceLanguage(InterfaceLanguageForIndex(index, UserDefaultLanguageId()));
    Trace("LoadINISetting", 3);
    return index;
}

bool ApplyLanguageChoice(int result, const QString& path) {
    if (result < 0) {
        return false;
    }
    SetInterfaceLanguage(InterfaceLanguageForIndex(result, UserDefaultLanguageId()));
    // A failed write goes unreported; the language still changes for this run.
    WriteLanguageIndex(path, result);
    return true;
}

} // namespace brisken
