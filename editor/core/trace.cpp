#include "core/trace.h"

namespace brisken {

Q_LOGGING_CATEGORY(lcTrace, "brisken.trace", QtWarningMsg)

void Trace(const char* operation, const char* step) {
    qCDebug(lcTrace).noquote().nospace() << operation << ' ' << step;
}

void Trace(const char* operation, int step) {
    qCDebug(lcTrace).noquote().nospace() << operation << ' ' << step;
}

} // namespace brisken
