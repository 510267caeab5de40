#pragma once
// Everything of the Win32 slice that this platform implements, as <windows.h> gives it on Windows.
// Each part lives with its library; this header only gathers what is built.
#include "windef.h"
#include "winerror.h"
#include "errhandlingapi.h"
#include "winnls.h"
#include "winbase.h"
#include "minwinbase.h"
#if __has_include("fileapi.h")
#include "fileapi.h"
#endif
#if __has_include("synchapi.h")
#include "synchapi.h"
#endif
#if __has_include("handleapi.h")
#include "handleapi.h"
#endif
#if __has_include("winbase_kernel.h")
#include "winbase_kernel.h"
#endif
#if __has_include("processthreadsapi.h")
#include "processthreadsapi.h"
#endif
#if __has_include("libloaderapi.h")
#include "libloaderapi.h"
#endif
#if __has_include("sysinfoapi.h")
#include "sysinfoapi.h"
#endif
#if __has_include("winuser.h")
#include "winuser.h"
#endif
#if __has_include("wincrypt.h")
#include "wincrypt.h"
#endif
#if __has_include("objbase.h")
#include "objbase.h"
#endif
#if __has_include("oleauto.h")
#include "oleauto.h"
#endif
