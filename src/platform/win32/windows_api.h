#pragma once
// The Windows headers as the Win32 layer uses them. Their A/W name macros would rename the
// methods of the platform interfaces (DeleteFile, MessageBox, CreateProcess, ...), so they are
// dropped here: the layer calls the A and W functions by their full names.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// psapi.dll carries the process status calls on every Windows version.
#ifndef PSAPI_VERSION
#define PSAPI_VERSION 1
#endif

#include <windows.h>
#include <psapi.h>

#undef CreateProcess
#undef DeleteFile
#undef GetCurrentDirectory
#undef GetModuleBaseName
#undef MessageBox
#undef SetCurrentDirectory
#undef VerLanguageName
