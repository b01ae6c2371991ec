// A DLL that carries the statically linked C++ runtime and nothing else, so
// that what the runtime itself leaves behind at unload can be told apart from
// the plugin's own memory.

#include <windows.h>

#include <stdexcept>
#include <string>

namespace {
std::string kept_text;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == 0xFFFF) throw std::runtime_error(kept_text);
    return TRUE;
}
