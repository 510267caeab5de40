#include "property_set_file.h"

#include <algorithm>
#include <optional>

#include "platform/utf.h"
#include "winerror.h"

namespace platform::storage {
namespace {

// The stream's name as file servers keep alternate data streams for Windows clients.
constexpr const char* kSummaryStream = "user.DosStream.\005SummaryInformation:$DATA";
// What file managers show as the file's comment.
constexpr const char* kCommentMirror = "user.xdg.comment";

// The mirror's text (UTF-8, no NUL) of a set's Comments, if it has one that has a UTF-8 form.
std::optional<std::string> CommentText(const PropertySet& set) {
    const auto it = set.properties.find(PIDSI_COMMENTS);
    if (it == set.properties.end() || it->second.IsKept()) return std::nullopt;
    if (it->second.type == VT_LPSTR) return it->second.text;  // the ANSI code page is UTF-8
    if (it->second.type == VT_LPWSTR) return Utf16ToUtf8(it->second.wideText);
    return std::nullopt;
}

HRESULT WriteMirror(AttributeFile& file, const PropertySet& set) {
    const std::optional<std::string> comment = CommentText(set);
    if (!comment) return file.Remove(kCommentMirror);
    return file.Set(kCommentMirror, {reinterpret_cast<const std::uint8_t*>(comment->data()), comment->size()});
}

}  // namespace

bool PropertySetFile::IsKept(REFFMTID fmtid) { return IsEqualGUID(fmtid, FMTID_SummaryInformation); }

HRESULT PropertySetFile::Exists(REFFMTID fmtid, bool& exists) const {
    std::optional<std::vector<std::uint8_t>> stream;
    const HRESULT hr = IsKept(fmtid) ? file_->Get(kSummaryStream, stream) : S_OK;
    exists = stream.has_value();
    return hr;
}

HRESULT PropertySetFile::Load(REFFMTID fmtid, PropertySet& set) const {
    if (!IsKept(fmtid)) return STG_E_FILENOTFOUND;
    std::optional<std::vector<std::uint8_t>> stream;
    if (const HRESULT hr = file_->Get(kSummaryStream, stream); FAILED(hr)) return hr;
    if (!stream) return STG_E_FILENOTFOUND;
    if (const HRESULT hr = ParsePropertySet(*stream, set); FAILED(hr)) return hr;
    return IsEqualGUID(set.fmtid, fmtid) ? S_OK : STG_E_INVALIDHEADER;
}

HRESULT PropertySetFile::Store(const PropertySet& set) {
    if (!IsKept(set.fmtid)) return STG_E_UNIMPLEMENTEDFUNCTION;
    const std::vector<std::uint8_t> stream = SerializePropertySet(set);
    std::optional<std::vector<std::uint8_t>> previous;
    if (const HRESULT hr = file_->Get(kSummaryStream, previous); FAILED(hr)) return hr;
    if (const HRESULT hr = file_->Set(kSummaryStream, stream); FAILED(hr)) return hr;
    const HRESULT hr = WriteMirror(*file_, set);
    if (FAILED(hr)) {
        // Best effort: the mirror's failure is what the caller hears of.
        if (previous)
            file_->Set(kSummaryStream, *previous);
        else
            file_->Remove(kSummaryStream);
    }
    return hr;
}

HRESULT PropertySetFile::Delete(REFFMTID fmtid) {
    bool exists = false;
    if (const HRESULT hr = Exists(fmtid, exists); FAILED(hr)) return hr;
    if (!exists) return STG_E_FILENOTFOUND;
    // The mirror first: when the stream cannot go, the mirror comes back and the set stays whole.
    std::optional<std::vector<std::uint8_t>> mirror;
    if (const HRESULT hr = file_->Get(kCommentMirror, mirror); FAILED(hr)) return hr;
    if (const HRESULT hr = file_->Remove(kCommentMirror); FAILED(hr)) return hr;
    const HRESULT hr = file_->Remove(kSummaryStream);
    if (FAILED(hr) && mirror) file_->Set(kCommentMirror, *mirror);
    return hr;
}

bool PropertySetFile::MarkOpen(REFFMTID fmtid) {
    if (std::any_of(open_.begin(), open_.end(), [&](const FMTID& f) { return IsEqualGUID(f, fmtid); })) return false;
    open_.push_back(fmtid);
    return true;
}

void PropertySetFile::MarkClosed(REFFMTID fmtid) {
    std::erase_if(open_, [&](const FMTID& f) { return IsEqualGUID(f, fmtid); });
}

}  // namespace platform::storage
