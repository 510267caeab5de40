#pragma once
// Dialog templates in the DLGTEMPLATEEX layout: a constexpr builder for the resources compiled into
// a program, and the parser that DialogBoxParamW uses.
//
// The layout (all little-endian, items aligned to 4 bytes from the template's start):
//   WORD dlgVer = 1, WORD signature = 0xFFFF, DWORD helpID, DWORD exStyle, DWORD style,
//   WORD cDlgItems, short x, y, cx, cy, menu (sz_Or_Ord), windowClass (sz_Or_Ord), title (WCHAR[]),
//   with DS_SETFONT: WORD pointsize, WORD weight, BYTE italic, BYTE charset, WCHAR typeface[];
//   then per item: DWORD helpID, DWORD exStyle, DWORD style, short x, y, cx, cy, DWORD id,
//   windowClass (sz_Or_Ord), title (sz_Or_Ord), WORD extraCount, BYTE extra[extraCount].
// A sz_Or_Ord is 0x0000 (none), 0xFFFF followed by an ordinal, or a NUL-terminated UTF-16 string.
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resource_writer.h"
#include "windef.h"

namespace platform {

// Predefined control classes by ordinal.
inline constexpr WORD kButtonClassOrdinal = 0x0080;
inline constexpr WORD kEditClassOrdinal = 0x0081;
inline constexpr WORD kStaticClassOrdinal = 0x0082;

struct DialogTemplateFont {
    WORD pointSize;
    WORD weight;
    BYTE italic;
    BYTE charset;
    std::u16string_view typeface;
};

struct DialogTemplateHeader {
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    std::u16string_view title;
    DialogTemplateFont font;  // written when style has DS_SETFONT
};

struct DialogTemplateItem {
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
    WORD classOrdinal;              // non-zero: a predefined class
    std::u16string_view className;  // used when classOrdinal is 0
    std::u16string_view title;
};

namespace dialog_template_detail {

// A dialog template's writer: a resource writer that also writes the 0xFFFF-prefixed ordinals.
class Writer : public ResourceWriter {
public:
    using ResourceWriter::ResourceWriter;
    constexpr void Ordinal(WORD value) {
        Word(0xFFFF);
        Word(value);
    }
};

constexpr void Write(Writer& w, const DialogTemplateHeader& header, std::span<const DialogTemplateItem> items) {
    w.Word(1);
    w.Word(0xFFFF);
    w.Dword(header.helpId);
    w.Dword(header.exStyle);
    w.Dword(header.style);
    w.Word(static_cast<WORD>(items.size()));
    w.Short(header.x);
    w.Short(header.y);
    w.Short(header.cx);
    w.Short(header.cy);
    w.Word(0);  // no menu
    w.Word(0);  // the standard dialog class
    w.String(header.title);
    if ((header.style & 0x40 /* DS_SETFONT */) != 0) {
        w.Word(header.font.pointSize);
        w.Word(header.font.weight);
        w.Byte(header.font.italic);
        w.Byte(header.font.charset);
        w.String(header.font.typeface);
    }
    for (const DialogTemplateItem& item : items) {
        w.AlignToDword();
        w.Dword(item.helpId);
        w.Dword(item.exStyle);
        w.Dword(item.style);
        w.Short(item.x);
        w.Short(item.y);
        w.Short(item.cx);
        w.Short(item.cy);
        w.Dword(item.id);
        if (item.classOrdinal != 0) {
            w.Ordinal(item.classOrdinal);
        } else {
            w.String(item.className);
        }
        w.String(item.title);
        w.Word(0);  // no creation data
    }
}

}  // namespace dialog_template_detail

constexpr std::size_t DialogTemplateSize(const DialogTemplateHeader& header, std::span<const DialogTemplateItem> items) {
    dialog_template_detail::Writer w(nullptr);
    dialog_template_detail::Write(w, header, items);
    return w.size();
}

// constexpr auto bytes = BuildDialogTemplate<DialogTemplateSize(header, items)>(header, items);
template <std::size_t Size>
constexpr std::array<BYTE, Size> BuildDialogTemplate(const DialogTemplateHeader& header,
                                                     std::span<const DialogTemplateItem> items) {
    std::array<BYTE, Size> bytes{};
    dialog_template_detail::Writer w(bytes.data());
    dialog_template_detail::Write(w, header, items);
    return bytes;
}

// What the parser reads back: owning strings, ordinals kept apart.
struct ParsedDialogItem {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    WORD classOrdinal = 0;
    std::u16string className;
    WORD titleOrdinal = 0;
    std::u16string title;
    std::vector<BYTE> creationData;
};

struct ParsedDialog {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD menuOrdinal = 0;
    std::u16string menu;
    WORD classOrdinal = 0;
    std::u16string className;
    std::u16string title;
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::u16string typeface;
    std::vector<ParsedDialogItem> items;
};

// std::nullopt for anything that is not a complete DLGTEMPLATEEX (the older DLGTEMPLATE included).
std::optional<ParsedDialog> ParseDialogTemplate(std::span<const BYTE> bytes);

}  // namespace platform
