// Repairs shared by the editor's and the tester's setting files.
#pragma once

#include <SimpleIni.h>

#include <cstring>

namespace suite {

inline bool SpansLines(const char* name) {
    return std::strpbrk(name, "\r\n") != nullptr;
}

// A damaged file can leave a section or key name running over several lines
// (an unclosed "["). Such a name cannot be written back as it was read, and
// every write over the file would add another line to it; it is dropped.
inline void DropNamesSpanningLines(CSimpleIniA& ini) {
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto& section : sections) {
        if (SpansLines(section.pItem)) {
            ini.Delete(section.pItem, nullptr);
            continue;
        }
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys)
            if (SpansLines(key.pItem))
                ini.Delete(section.pItem, key.pItem);
    }
}

} // namespace suite
