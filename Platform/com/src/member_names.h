#pragma once
// Names of automation members as hosts look them up: without regard to case, and the lookup that
// IDispatch::GetIDsOfNames and ITypeInfo::GetIDsOfNames share.
#include <span>
#include <string_view>

#include "oleauto.h"

namespace platform::com::detail {

// ASCII letters compare without regard to case, as automation names do.
bool SameName(std::u16string_view a, std::u16string_view b);

// rgszNames[0] names a member, the others its arguments (numbered from 0). Member is any type for
// which NameOf(member), IdOf(member), ArgumentCount(member) and ArgumentName(member, k) exist.
template <class Member>
HRESULT IdsOfNames(std::span<const Member> members, LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId) {
    if (rgszNames == nullptr || rgDispId == nullptr || cNames == 0) return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    const Member* found = nullptr;
    for (const Member& m : members)
        if (rgszNames[0] != nullptr && SameName(NameOf(m), rgszNames[0])) {
            // Of a property's accessors, the one with the most arguments names them all.
            if (found == nullptr || ArgumentCount(m) > ArgumentCount(*found)) found = &m;
        }
    if (found == nullptr) return DISP_E_UNKNOWNNAME;
    rgDispId[0] = IdOf(*found);
    HRESULT hr = S_OK;
    for (UINT i = 1; i < cNames; ++i) {
        for (UINT k = 0; k < ArgumentCount(*found); ++k)
            if (rgszNames[i] != nullptr && SameName(ArgumentName(*found, k), rgszNames[i])) rgDispId[i] = static_cast<DISPID>(k);
        if (rgDispId[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

}  // namespace platform::com::detail
