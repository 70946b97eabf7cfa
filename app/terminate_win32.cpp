// The program's terminate handler. The run-time's default one prints the demangled type of an
// uncaught exception to the console; a GUI program has no console, and leaving it out keeps
// the demangler (a quarter of the executable) out of Velmora.exe.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
