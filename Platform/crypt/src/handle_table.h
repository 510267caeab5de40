#pragma once
// The process's table of CryptoAPI handles. A handle is a number that is never reused, so a stale
// handle or one of another kind is recognised, never followed.
#include <memory>

#include "errhandlingapi.h"
#include "objects.h"
#include "winerror.h"

namespace platform::crypt {

// Takes ownership; returns the new handle, or 0 (last error NTE_NO_MEMORY) when the table cannot grow.
ULONG_PTR AddObject(std::unique_ptr<Object> object);

// The object behind a handle, if it is alive and of that kind. Using an object while another thread
// destroys it is the caller's fault, as it is on Windows.
Object* FindObject(ULONG_PTR handle, Kind kind);
template <class T>
T* Find(ULONG_PTR handle);
template <>
inline Context* Find<Context>(ULONG_PTR h) { return static_cast<Context*>(FindObject(h, Kind::Context)); }
template <>
inline Key* Find<Key>(ULONG_PTR h) { return static_cast<Key*>(FindObject(h, Kind::Key)); }
template <>
inline Hash* Find<Hash>(ULONG_PTR h) { return static_cast<Hash*>(FindObject(h, Kind::Hash)); }

// Takes the object out of the table; null when the handle is not alive or of another kind.
std::unique_ptr<Object> RemoveObject(ULONG_PTR handle, Kind kind);

// Every failure of the slice ends here: sets the last error and gives FALSE.
inline BOOL FailWith(HRESULT code) {
    SetLastError(static_cast<DWORD>(code));
    return FALSE;
}
inline BOOL FailWith(DWORD error) {
    SetLastError(error);
    return FALSE;
}

}  // namespace platform::crypt
