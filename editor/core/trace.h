// Progress lines of the editor's main operations ("InitInstance 3",
// "LoadINISetting 2"). They go to the logging category "brisken.trace", which
// is off by default; enable it with QT_LOGGING_RULES="brisken.trace=true".
#pragma once

#include <QLoggingCategory>

namespace brisken {

Q_DECLARE_LOGGING_CATEGORY(lcTrace)

// Writes "<operation> <step>". The lines carry no data.
void Trace(const char* operation, const char* step);
void Trace(const char* operation, int step);

} // namespace brisken
