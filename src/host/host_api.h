#pragma once
// The script host's seven functions, as ScriptHookRDR2 exports them.
//
// The real host is built with MSVC and exports plain C++ functions, so its
// export table holds MSVC-decorated names. With MSVC the plain C++
// declarations below produce those names by themselves. mingw-w64 mangles
// differently, so there the functions are declared extern "C" and the import
// library made from cmake/ScriptHookRDR2.def maps each plain name to the
// decorated one. On Linux the same extern "C" declarations are satisfied by
// the stand-in host.

#include <cstdint>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE__*;
using DWORD = std::uint32_t;
using UINT64 = std::uint64_t;
using BOOL = int;
using LPVOID = void*;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define WINAPI
#endif

#if defined(_MSC_VER)
#define BB_HOST_IMPORT __declspec(dllimport)
#define BB_HOST_BEGIN
#define BB_HOST_END
#else
#define BB_HOST_IMPORT
#define BB_HOST_BEGIN extern "C" {
#define BB_HOST_END }
#endif

BB_HOST_BEGIN
BB_HOST_IMPORT void scriptRegister(HMODULE module, void (*script_main)());
BB_HOST_IMPORT void scriptUnregister(HMODULE module);
BB_HOST_IMPORT void scriptWait(DWORD ms);
BB_HOST_IMPORT void nativeInit(UINT64 hash);
BB_HOST_IMPORT void nativePush64(UINT64 value);
BB_HOST_IMPORT UINT64* nativeCall();
BB_HOST_IMPORT int worldGetAllPeds(int* peds, int size);
BB_HOST_END
