#pragma once
// COM base services, as <objbase.h> gathers them on Windows.
#include "combaseapi.h"
#include "unknwn.h"
#include "wtypes.h"
