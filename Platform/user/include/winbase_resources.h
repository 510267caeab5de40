#pragma once
// Module handles and resources (libloaderapi on Windows; the kernel's libloaderapi.h has the rest).
// An HINSTANCE/HMODULE is the module's base address, as on Windows; a module's resources are the
// table it registers when it is loaded (platform/resources.h). windows.h brings it in with winuser.h.
#include "windef.h"

DECLARE_HANDLE(HRSRC);

extern "C" {
// nullptr gives the program's own module; a name gives the loaded module with that file name.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);
// Language-neutral lookup: the first entry of that type and name, whatever its language.
HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID WINAPI LockResource(HGLOBAL hResData);
DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);
}
