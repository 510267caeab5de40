#pragma once
// The property-bag file: a JSON object of named, typed values, in the order the control wrote them.
//
//   {
//     "UsernameValue": {"type": "string", "value": "a@b.c"},
//     "NotBeforeValue": {"type": "date", "value": "2008-07-18T00:00:00"},
//     "Mode": {"type": "i4", "value": 1}
//   }
//
//   type     VARIANT    value in the file
//   string   VT_BSTR    a JSON string
//   i2       VT_I2      an integer from -32768 to 32767
//   i4       VT_I4      an integer from -2147483648 to 2147483647
//   bool     VT_BOOL    true or false
//   date     VT_DATE    ISO 8601 text, "2008-07-18" or "2008-07-18T13:45:00", years 100 to 9999
//   r8       VT_R8      a JSON number
//   null     VT_NULL    null (or no "value" at all)
//
// Reading is strict: anything else (no object at the top, a name given twice, a member other than
// "type" and "value", a value that does not fit its type) is refused with a sentence naming the key.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/variant.h"

namespace qlmhost {

struct NamedValue {
    std::u16string name;
    platform::com::UniqueVariant value;
};

// Named values, kept in the order they were first set. Names compare exactly (a file's
// "rememberMeValue" is not the control's "RememberMeValue").
class BagValues {
public:
    const VARIANT* Find(std::u16string_view name) const;
    // Stores a copy of `value` (read through a VT_BYREF): a known name keeps its place.
    HRESULT Set(std::u16string_view name, const VARIANT& value);
    const std::vector<NamedValue>& Items() const { return items_; }
    std::size_t Size() const { return items_.size(); }

private:
    std::vector<NamedValue> items_;
};

// The types a bag file holds; DISP_E_BADVARTYPE for a VARIANT of any other type.
HRESULT CheckBagType(const VARIANT& value);

// Failures carry HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for text that is no bag, DISP_E_BADVARTYPE for a
// value of a type the file cannot hold, and `why` says what is wrong, naming the key.
HRESULT ParseBagText(std::string_view text, BagValues& values, std::string& why);
HRESULT FormatBagText(const BagValues& values, std::string& text, std::string& why);

HRESULT ReadBagFile(const std::filesystem::path& file, BagValues& values, std::string& why);
// Atomic: the old file stays whole until the new one is complete on the disk.
HRESULT WriteBagFile(const std::filesystem::path& file, const BagValues& values, std::string& why);

// ISO 8601 text of an automation date ("2008-07-18T13:45:00", rounded to the second), and back. The
// parse takes "YYYY-MM-DD" with an optional "THH:MM:SS" or "THH:MM"; it fails with DISP_E_OVERFLOW for
// a year outside 100 to 9999 and DISP_E_TYPEMISMATCH for anything else that names no moment.
HRESULT FormatIsoDate(DATE date, std::string& text);
HRESULT ParseIsoDate(std::string_view text, DATE& date);

}  // namespace qlmhost
