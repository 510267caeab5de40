#pragma once
// One open property set: IPropertyStorage over the set held in memory, written to the file on
// Commit (and, in direct mode, on the final Release).
#include <memory>

#include "platform/com_object.h"
#include "platform/property_set_stream.h"
#include "property_set_file.h"
#include "propidl.h"

namespace platform::storage {

class PropertyStorage final : public com::Implements<PropertyStorage, IPropertyStorage> {
public:
    // The set is open in file (MarkOpen) until this object goes. onDisk: whether the file holds the set
    // as given (false for a set just created, which the first Commit or Release writes).
    PropertyStorage(std::shared_ptr<PropertySetFile> file, PropertySet set, DWORD grfMode, bool onDisk);
    ~PropertyStorage();

    STDMETHODIMP ReadMultiple(ULONG cpspec, const PROPSPEC rgpspec[], PROPVARIANT rgpropvar[]) override;
    STDMETHODIMP WriteMultiple(ULONG cpspec, const PROPSPEC rgpspec[], const PROPVARIANT rgpropvar[],
                               PROPID propidNameFirst) override;
    STDMETHODIMP DeleteMultiple(ULONG cpspec, const PROPSPEC rgpspec[]) override;
    STDMETHODIMP ReadPropertyNames(ULONG, const PROPID[], LPOLESTR[]) override { return E_NOTIMPL; }
    STDMETHODIMP WritePropertyNames(ULONG, const PROPID[], const LPOLESTR[]) override { return E_NOTIMPL; }
    STDMETHODIMP DeletePropertyNames(ULONG, const PROPID[]) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD grfCommitFlags) override;
    STDMETHODIMP Revert() override;
    STDMETHODIMP Enum(IEnumSTATPROPSTG** ppenum) override;
    STDMETHODIMP SetTimes(const FILETIME*, const FILETIME*, const FILETIME*) override { return E_NOTIMPL; }
    STDMETHODIMP SetClass(REFCLSID) override { return E_NOTIMPL; }
    STDMETHODIMP Stat(STATPROPSETSTG* pstatpsstg) override;

private:
    bool Pending() const { return dirty_ || !onDisk_; }

    std::shared_ptr<PropertySetFile> file_;
    PropertySet current_;
    PropertySet committed_;
    const bool writable_;
    const bool transacted_;
    bool onDisk_;
    bool dirty_ = false;
};

}  // namespace platform::storage
