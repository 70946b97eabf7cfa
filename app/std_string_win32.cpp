// The standard narrow string, instantiated here with the program's own options. The library's
// prebuilt copy was compiled with exceptions: linking it would bring the exception tables, the
// unwinder and the personality routine back into Velmora.exe. Only the members the program
// calls are kept by the linker.
#include <string>

template class std::basic_string<char>;
