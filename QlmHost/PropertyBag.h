#pragma once
// The host's side of the control's persistence: an IPropertyBag over named values (what a bag file
// holds), and an IErrorLog that keeps what the control reports while it loads.
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "BagFile.h"
#include "ocidl.h"
#include "platform/com_object.h"

namespace qlmhost {

// Read hands out a copy of the named value: of its own type when the control asks for VT_EMPTY, else
// converted to the type asked for. A name the bag does not hold gives E_INVALIDARG (the control then
// keeps its default); a value that cannot be converted gives E_FAIL and is reported to the error log.
// Write keeps a copy of a value of a type the bag file can hold (else DISP_E_BADVARTYPE).
// The bag remembers which names were asked for and why it refused a value, so that the host can name
// the key a load or save stopped at.
class HostPropertyBag final : public platform::com::Implements<HostPropertyBag, IPropertyBag> {
public:
    HostPropertyBag() = default;
    explicit HostPropertyBag(BagValues values) : values_(std::move(values)) {}

    STDMETHODIMP Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) override;
    STDMETHODIMP Write(LPCOLESTR pszPropName, VARIANT* pVar) override;

    const BagValues& Values() const { return values_; }
    // The names of the bag that the control never asked for.
    std::vector<std::u16string> NamesNotRead() const;
    // The last name read or written, and the bag's own reason for refusing it (empty if it did not).
    const std::u16string& LastName() const { return lastName_; }
    const std::string& Refusal() const { return refusal_; }

private:
    BagValues values_;
    std::set<std::u16string> namesSeen_;
    std::u16string lastName_;
    std::string refusal_;
};

struct LoggedError {
    std::u16string name;
    HRESULT hr = S_OK;
    std::u16string description;
};

class HostErrorLog final : public platform::com::Implements<HostErrorLog, IErrorLog> {
public:
    STDMETHODIMP AddError(LPCOLESTR pszPropName, EXCEPINFO* pExcepInfo) override;
    const std::vector<LoggedError>& Errors() const { return errors_; }

private:
    std::vector<LoggedError> errors_;
};

// The status an EXCEPINFO stands for: its scode, or the automation error of its wCode.
HRESULT StatusOfException(const EXCEPINFO& info);

}  // namespace qlmhost
