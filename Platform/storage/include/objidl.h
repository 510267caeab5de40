#pragma once
// Structured storage basics shared by its interfaces: the commit flags.
#include "coml2api.h"
#include "unknwn.h"
#include "wtypes.h"

typedef enum tagSTGC {
    STGC_DEFAULT = 0,
    STGC_OVERWRITE = 1,
    STGC_ONLYIFCURRENT = 2,
    STGC_DANGEROUSLYCOMMITMERELYTODISKCACHE = 4,
    STGC_CONSOLIDATE = 8
} STGC;
