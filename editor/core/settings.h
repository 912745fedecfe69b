// The one-key settings file "Brisken.ini" beside the running copy.
#pragma once

#include <QString>

namespace brisken {

// "<directory of the running executable>/Brisken.ini".
QString SettingsFilePath();

// The stored language index, 0 when the file, the section or the key is
// missing or the value is not a number. Values beyond int are clamped.
int ReadLanguageIndex(const QString& path);

// Writes "LanguageSelected" in section "Brisken", keeping the rest of the
// file, through a temporary file and a rename. False when it could not.
bool WriteLanguageIndex(const QString& path, int index);

// Reads the index and sets the interface language from it. Returns the index.
int LoadINISetting(const QString& path);

// The end of the Select Language dialog: a result of 0 or more sets the
// interface language and writes the file; -1 changes and writes nothing.
// True when the language was applied (the caller then re-applies the texts).
bool ApplyLanguageChoice(int result, const QString& path);

} // namespace brisken
