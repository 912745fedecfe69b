// The program's start: the launcher and worker roles.
#pragma once

namespace brisken {

// Decides the role by the current directory. The launcher copies the program
// into the run directory as "Tolvane" and starts it there; the worker writes
// the card library beside itself and runs the main window. Always false: the
// process ends when it returns.
bool InitInstance();

} // namespace brisken
