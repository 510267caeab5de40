#pragma once
// What the automation runtime knows about each VARTYPE: which a VARIANT can hold, how large one value
// is, and how to read a value through a VT_BYREF reference.
#include "oleauto.h"

namespace platform::com::detail {

// Whether a VARIANT can hold vt: a base type, with VT_ARRAY and VT_BYREF where that kind allows them.
// Records are not supported on this platform and count as invalid.
bool IsValidVariantType(VARTYPE vt);

// The size of one value of the base type vt (as a SAFEARRAY element or behind a VT_BYREF pointer);
// 0 for a type that is neither.
ULONG ValueSize(VARTYPE vt);

// A VARIANT that shows the value a VT_BYREF variant refers to, without owning it (never cleared);
// a variant that is no reference is shown as it is. E_INVALIDARG for a VT_BYREF | VT_VARIANT that
// refers to another reference or to nothing.
HRESULT ReadThrough(const VARIANT& source, VARIANT& view);

// Copies the value that `source` owns into `dest`, which owns nothing yet: BSTRs and arrays deeply,
// interfaces with AddRef, everything else (including references) bit for bit. On failure `dest`
// is VT_EMPTY.
HRESULT CopyOwnedValue(VARIANT& dest, const VARIANT& source);

// Clears `dest` and moves `value` (owned) into it. Computing the value first and replacing last lets
// `dest` be the source the value came from. When dest cannot be cleared, value is freed.
HRESULT ReplaceVariant(VARIANT& dest, VARIANT& value);

}  // namespace platform::com::detail
