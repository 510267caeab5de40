#pragma once
// The property sets of one file: where each set's stream lives among the file's extended attributes,
// reading and writing a set as a whole (with the Comments mirror), and which sets are open.
#include <memory>
#include <vector>

#include "attribute_file.h"
#include "platform/property_set_stream.h"

namespace platform::storage {

class PropertySetFile {
public:
    explicit PropertySetFile(std::shared_ptr<AttributeFile> file) : file_(std::move(file)) {}

    bool Writable() const { return file_->Writable(); }

    // Whether this platform keeps sets of this format (the others are not kept at all).
    static bool IsKept(REFFMTID fmtid);

    HRESULT Exists(REFFMTID fmtid, bool& exists) const;
    // STG_E_FILENOTFOUND when the file has no such set, STG_E_INVALIDHEADER when its stream is
    // damaged or holds another set.
    HRESULT Load(REFFMTID fmtid, PropertySet& set) const;
    // Writes the set's stream, then its mirror; when the mirror fails, puts the stream back as it was.
    HRESULT Store(const PropertySet& set);
    HRESULT Delete(REFFMTID fmtid);

    // One property storage per set at a time: false when the set is open already.
    bool MarkOpen(REFFMTID fmtid);
    void MarkClosed(REFFMTID fmtid);

private:
    std::shared_ptr<AttributeFile> file_;
    std::vector<FMTID> open_;
};

}  // namespace platform::storage
