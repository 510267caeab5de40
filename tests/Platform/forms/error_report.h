#pragma once
// The COM error information that a refused value leaves on the thread, taken (and so cleared) at once.
#include <optional>
#include <string>

#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/utf.h"

namespace formstest {

struct ErrorReport {
    std::u16string description;
    std::u16string source;
    bool operator==(const ErrorReport&) const = default;
};

inline std::optional<ErrorReport> TakeErrorReport() {
    platform::com::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.GetAddressOf()) != S_OK || !info) return std::nullopt;
    platform::com::UniqueBstr description;
    platform::com::UniqueBstr source;
    info->GetDescription(description.Put());
    info->GetSource(source.Put());
    return ErrorReport{std::u16string(description.Get() ? description.Get() : u""),
                       std::u16string(source.Get() ? source.Get() : u"")};
}

inline void PrintTo(const ErrorReport& r, std::ostream* os) {
    *os << "{" << platform::Utf16ToUtf8(r.description).value_or("?") << " / "
        << platform::Utf16ToUtf8(r.source).value_or("?") << "}";
}

}  // namespace formstest
