#pragma once
// Base structures shared by several API sets (as <minwinbase.h> holds them on Windows).
#include "windef.h"

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;  // 0 is Sunday
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;
static_assert(sizeof(SYSTEMTIME) == 16);
