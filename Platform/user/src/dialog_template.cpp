#include "platform/dialog_template.h"

namespace platform {
namespace {

class Reader {
public:
    explicit Reader(std::span<const BYTE> bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    std::size_t offset() const { return offset_; }

    BYTE Byte() {
        if (offset_ + 1 > bytes_.size()) {
            ok_ = false;
            return 0;
        }
        return bytes_[offset_++];
    }
    WORD Word() {
        const BYTE lo = Byte();
        const BYTE hi = Byte();
        return static_cast<WORD>(lo | (hi << 8));
    }
    DWORD Dword() {
        const WORD lo = Word();
        const WORD hi = Word();
        return lo | (static_cast<DWORD>(hi) << 16);
    }
    short Short() { return static_cast<short>(Word()); }
    std::u16string String() {
        std::u16string text;
        for (WORD c = Word(); ok_ && c != 0; c = Word()) text.push_back(static_cast<char16_t>(c));
        return text;
    }
    // sz_Or_Ord: none, an ordinal, or a string.
    void StringOrOrdinal(WORD& ordinal, std::u16string& text) {
        const WORD first = Word();
        if (first == 0xFFFF) {
            ordinal = Word();
        } else if (first != 0) {
            text.push_back(static_cast<char16_t>(first));
            text += String();
        }
    }
    void AlignToDword() {
        while (ok_ && offset_ % 4 != 0) Byte();
    }
    std::vector<BYTE> Bytes(std::size_t count) {
        if (offset_ + count > bytes_.size()) {
            ok_ = false;
            return {};
        }
        std::vector<BYTE> out(bytes_.begin() + static_cast<std::ptrdiff_t>(offset_),
                              bytes_.begin() + static_cast<std::ptrdiff_t>(offset_ + count));
        offset_ += count;
        return out;
    }

private:
    std::span<const BYTE> bytes_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

}  // namespace

std::optional<ParsedDialog> ParseDialogTemplate(std::span<const BYTE> bytes) {
    Reader r(bytes);
    ParsedDialog d;
    if (r.Word() != 1 || r.Word() != 0xFFFF || !r.ok()) return std::nullopt;
    d.helpId = r.Dword();
    d.exStyle = r.Dword();
    d.style = r.Dword();
    const WORD count = r.Word();
    d.x = r.Short();
    d.y = r.Short();
    d.cx = r.Short();
    d.cy = r.Short();
    r.StringOrOrdinal(d.menuOrdinal, d.menu);
    r.StringOrOrdinal(d.classOrdinal, d.className);
    d.title = r.String();
    if ((d.style & 0x40 /* DS_SETFONT */) != 0) {
        d.hasFont = true;
        d.pointSize = r.Word();
        d.weight = r.Word();
        d.italic = r.Byte();
        d.charset = r.Byte();
        d.typeface = r.String();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        ParsedDialogItem item;
        r.AlignToDword();
        item.helpId = r.Dword();
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = r.Dword();
        r.StringOrOrdinal(item.classOrdinal, item.className);
        r.StringOrOrdinal(item.titleOrdinal, item.title);
        const WORD extra = r.Word();
        item.creationData = r.Bytes(extra);
        if ((item.classOrdinal == 0 && item.className.empty()) || !r.ok()) return std::nullopt;
        d.items.push_back(std::move(item));
    }
    if (!r.ok()) return std::nullopt;
    return d;
}

}  // namespace platform
