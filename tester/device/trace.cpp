#include "trace.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOrrickTrace, "orrick.trace", QtWarningMsg)

namespace orrick {
void TraceLine(std::string_view line) {
    qCDebug(lcOrrickTrace).noquote()
        << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}
} // namespace orrick
