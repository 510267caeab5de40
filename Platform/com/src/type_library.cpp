// ITypeLib and ITypeInfo over a copy of a library's descriptions, and the library's registry entry.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "combaseapi.h"
#include "member_names.h"
#include "platform/class_registry.h"
#include "platform/com_object.h"
#include "platform/dispatch.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"

namespace platform::com {

namespace {

// ---- The library's own copy of its descriptions -------------------------------------------------

struct ParameterModel {
    std::u16string name;
    VARTYPE vt;
    bool byRef;
    USHORT flags;
};

struct MemberModel {
    std::u16string name;
    std::u16string help;
    DISPID dispid;
    INVOKEKIND kind;
    std::vector<ParameterModel> parameters;
    UINT argumentCount;  // the parameters but the result
    std::size_t vtableSlot;
};

struct TypeModel {
    TYPEKIND kind;  // TKIND_DISPATCH (an interface) or TKIND_COCLASS
    bool dual = false;
    std::u16string name;
    std::u16string help;
    GUID guid;
    WORD typeFlags;
    std::vector<MemberModel> members;
    std::vector<std::pair<UINT, INT>> implemented;  // a class's interfaces: type index, IMPLTYPEFLAG_*
};

struct LibraryModel {
    std::u16string name;
    std::u16string help;
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    WORD libFlags;
    std::vector<TypeModel> types;
};

std::u16string Text(const char16_t* text) { return text == nullptr ? std::u16string() : std::u16string(text); }

std::u16string_view NameOf(const MemberModel& m) { return m.name; }
DISPID IdOf(const MemberModel& m) { return m.dispid; }
UINT ArgumentCount(const MemberModel& m) { return m.argumentCount; }
std::u16string_view ArgumentName(const MemberModel& m, UINT k) { return m.parameters[k].name; }

TypeModel InterfaceModel(const InterfaceDescription& iface) {
    TypeModel t{TKIND_DISPATCH, iface.dual, Text(iface.name), Text(iface.helpString), iface.iid, iface.typeFlags, {}, {}};
    t.typeFlags |= iface.dual ? TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE : TYPEFLAG_FDISPATCHABLE;
    for (const MemberDescription& m : iface.members) {
        MemberModel member{Text(m.name), Text(m.helpString), m.dispid, m.kind, {}, m.ArgumentCount(), m.vtableSlot};
        for (USHORT k = 0; k < m.parameterCount; ++k) {
            const ParameterDescription& p = m.parameters[k];
            member.parameters.push_back({Text(p.name), p.vt, p.byRef, p.flags});
        }
        t.members.push_back(std::move(member));
    }
    return t;
}

std::shared_ptr<const LibraryModel> LibraryModelOf(const TypeLibraryDescription& library) {
    auto model = std::make_shared<LibraryModel>(LibraryModel{Text(library.name), Text(library.helpString),
                                                             library.libid, library.majorVersion,
                                                             library.minorVersion, library.lcid, library.libFlags, {}});
    for (const InterfaceDescription* iface : library.interfaces) model->types.push_back(InterfaceModel(*iface));
    for (const ClassDescription* cls : library.classes) {
        TypeModel t{TKIND_COCLASS, false, Text(cls->name), Text(cls->helpString), cls->clsid, cls->typeFlags, {}, {}};
        for (const ImplementedInterface& implemented : cls->interfaces) {
            UINT index = 0;
            while (index < library.interfaces.size() && library.interfaces[index] != implemented.iface) ++index;
            if (index == library.interfaces.size()) return nullptr;  // the library must hold it
            t.implemented.emplace_back(index, implemented.flags);
        }
        model->types.push_back(std::move(t));
    }
    return model;
}

// ---- Handing out texts and descriptors ----------------------------------------------------------

// An optional out-text: a null BSTR for an empty text.
HRESULT PutText(const std::u16string& text, BSTR* out) {
    if (out == nullptr) return S_OK;
    *out = nullptr;
    if (text.empty()) return S_OK;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT PutDocumentation(const std::u16string& name, const std::u16string& help, BSTR* pBstrName,
                         BSTR* pBstrDocString, DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
    if (pdwHelpContext != nullptr) *pdwHelpContext = 0;
    if (pBstrHelpFile != nullptr) *pBstrHelpFile = nullptr;
    HRESULT hr = PutText(name, pBstrName);
    if (SUCCEEDED(hr)) hr = PutText(help, pBstrDocString);
    return hr;
}

// VT_PTR to the type for a by-reference parameter, VT_SAFEARRAY of the element for an array; the
// nodes pointed to come from `pool`.
void DescribeType(VARTYPE vt, bool byRef, TYPEDESC& out, TYPEDESC*& pool) {
    TYPEDESC base{};
    if (vt & VT_ARRAY) {
        base.vt = VT_SAFEARRAY;
        base.lptdesc = pool++;
        base.lptdesc->vt = vt & ~VT_ARRAY;
    } else {
        base.vt = vt;
    }
    if (!byRef) {
        out = base;
        return;
    }
    out.vt = VT_PTR;
    out.lptdesc = pool++;
    *out.lptdesc = base;
}

enum class View { Dispatch, Vtable };

// References: a library type by index and view; IDispatch, the base of every interface here.
constexpr HREFTYPE kHrefDispatchBase = 0xFFFFFFFE;
HREFTYPE HrefOf(UINT index, View view) { return index * 2 + (view == View::Vtable ? 1 : 0); }

class TypeLib;

class TypeInfo final : public Implements<TypeInfo, ITypeInfo> {
public:
    TypeInfo(ComPtr<TypeLib> lib, std::shared_ptr<const LibraryModel> model, UINT index, View view)
        : lib_(std::move(lib)), model_(std::move(model)), index_(index), view_(view) {}

    STDMETHODIMP GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    STDMETHODIMP GetTypeComp(ITypeComp** ppTComp) override { return NotProvided(ppTComp); }
    STDMETHODIMP GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
    STDMETHODIMP GetVarDesc(UINT, VARDESC** ppVarDesc) override {
        if (ppVarDesc != nullptr) *ppVarDesc = nullptr;
        return TYPE_E_ELEMENTNOTFOUND;
    }
    STDMETHODIMP GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
    STDMETHODIMP GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
    STDMETHODIMP GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
    STDMETHODIMP GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override {
        return detail::IdsOfNames(std::span<const MemberModel>(Type().members), rgszNames, cNames, pMemId);
    }
    STDMETHODIMP Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                  BSTR* pBstrHelpFile) override;
    STDMETHODIMP GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
    STDMETHODIMP AddressOfMember(MEMBERID, INVOKEKIND, PVOID* ppv) override { return NotProvided(ppv); }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, PVOID* ppvObj) override { return NotProvided(ppvObj); }
    STDMETHODIMP GetMops(MEMBERID, BSTR* pBstrMops) override { return NotProvided(pBstrMops); }
    STDMETHODIMP GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* pTypeAttr) override { CoTaskMemFree(pTypeAttr); }
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* pFuncDesc) override { CoTaskMemFree(pFuncDesc); }
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC* pVarDesc) override { CoTaskMemFree(pVarDesc); }

private:
    template <class T>
    static HRESULT NotProvided(T** out) {
        if (out != nullptr) *out = nullptr;
        return E_NOTIMPL;
    }
    const TypeModel& Type() const { return model_->types[index_]; }
    bool IsInterface() const { return Type().kind == TKIND_DISPATCH; }
    const MemberModel* FindMember(MEMBERID memid) const {
        for (const MemberModel& m : Type().members)
            if (m.dispid == memid) return &m;
        return nullptr;
    }
    // The parameters this view shows: the dispatch view leaves out the result.
    UINT ShownParameters(const MemberModel& m) const {
        return view_ == View::Dispatch ? m.argumentCount : static_cast<UINT>(m.parameters.size());
    }

    ComPtr<TypeLib> lib_;
    std::shared_ptr<const LibraryModel> model_;
    UINT index_;
    View view_;
};

class TypeLib final : public Implements<TypeLib, ITypeLib> {
public:
    explicit TypeLib(std::shared_ptr<const LibraryModel> model) : model_(std::move(model)) {}

    const std::shared_ptr<const LibraryModel>& Model() const { return model_; }

    HRESULT NewTypeInfo(UINT index, View view, ITypeInfo** ppTInfo) {
        ComPtr<TypeInfo> info = Make<TypeInfo>(ComPtr<TypeLib>(this), model_, index, view);
        if (!info) return E_OUTOFMEMORY;
        *ppTInfo = info.Detach();
        return S_OK;
    }

    STDMETHODIMP_(UINT) GetTypeInfoCount() override { return static_cast<UINT>(model_->types.size()); }
    STDMETHODIMP GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override {
        if (ppTInfo == nullptr) return E_INVALIDARG;
        *ppTInfo = nullptr;
        if (index >= model_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
        return NewTypeInfo(index, View::Dispatch, ppTInfo);
    }
    STDMETHODIMP GetTypeInfoType(UINT index, TYPEKIND* pTKind) override {
        if (pTKind == nullptr) return E_INVALIDARG;
        if (index >= model_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
        *pTKind = model_->types[index].kind;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override {
        if (ppTinfo == nullptr) return E_INVALIDARG;
        *ppTinfo = nullptr;
        for (UINT i = 0; i < model_->types.size(); ++i)
            if (IsEqualGUID(model_->types[i].guid, guid)) return NewTypeInfo(i, View::Dispatch, ppTinfo);
        return TYPE_E_ELEMENTNOTFOUND;
    }
    STDMETHODIMP GetLibAttr(TLIBATTR** ppTLibAttr) override {
        if (ppTLibAttr == nullptr) return E_INVALIDARG;
        auto* attr = static_cast<TLIBATTR*>(CoTaskMemAlloc(sizeof(TLIBATTR)));
        if (attr == nullptr) return E_OUTOFMEMORY;
        *attr = TLIBATTR{model_->libid, model_->lcid, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32,
                         model_->majorVersion, model_->minorVersion, model_->libFlags};
        *ppTLibAttr = attr;
        return S_OK;
    }
    STDMETHODIMP GetTypeComp(ITypeComp** ppTComp) override {
        if (ppTComp != nullptr) *ppTComp = nullptr;
        return E_NOTIMPL;
    }
    // Index -1 documents the library itself.
    STDMETHODIMP GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                  BSTR* pBstrHelpFile) override {
        if (index == -1)
            return PutDocumentation(model_->name, model_->help, pBstrName, pBstrDocString, pdwHelpContext,
                                    pBstrHelpFile);
        if (index < 0 || static_cast<std::size_t>(index) >= model_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
        const TypeModel& t = model_->types[index];
        return PutDocumentation(t.name, t.help, pBstrName, pBstrDocString, pdwHelpContext, pBstrHelpFile);
    }
    // Whether a type, member or parameter has this name; the buffer receives its spelling.
    STDMETHODIMP IsName(LPOLESTR szNameBuf, ULONG, BOOL* pfName) override {
        if (szNameBuf == nullptr || pfName == nullptr) return E_INVALIDARG;
        *pfName = FALSE;
        auto check = [&](const std::u16string& name) {
            if (*pfName || !detail::SameName(name, szNameBuf)) return;
            std::memcpy(szNameBuf, name.data(), name.size() * sizeof(char16_t));
            *pfName = TRUE;
        };
        for (const TypeModel& t : model_->types) {
            check(t.name);
            for (const MemberModel& m : t.members) {
                check(m.name);
                for (const ParameterModel& p : m.parameters) check(p.name);
            }
        }
        return S_OK;
    }
    STDMETHODIMP FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) override { return E_NOTIMPL; }
    STDMETHODIMP_(void) ReleaseTLibAttr(TLIBATTR* pTLibAttr) override { CoTaskMemFree(pTLibAttr); }

private:
    std::shared_ptr<const LibraryModel> model_;
};

STDMETHODIMP TypeInfo::GetTypeAttr(TYPEATTR** ppTypeAttr) {
    if (ppTypeAttr == nullptr) return E_INVALIDARG;
    auto* attr = static_cast<TYPEATTR*>(CoTaskMemAlloc(sizeof(TYPEATTR)));
    if (attr == nullptr) return E_OUTOFMEMORY;
    std::memset(attr, 0, sizeof *attr);
    const TypeModel& t = Type();
    constexpr WORD kPointer = sizeof(void*);
    constexpr WORD kDispatchEntries = 7;  // IUnknown's three, IDispatch's four
    attr->guid = t.guid;
    attr->lcid = model_->lcid;
    attr->memidConstructor = MEMBERID_NIL;
    attr->memidDestructor = MEMBERID_NIL;
    attr->cbSizeInstance = kPointer;
    attr->cbAlignment = kPointer;
    attr->wTypeFlags = t.typeFlags;
    attr->wMajorVerNum = model_->majorVersion;
    attr->wMinorVerNum = model_->minorVersion;
    attr->tdescAlias.vt = VT_EMPTY;
    if (IsInterface()) {
        attr->typekind = view_ == View::Dispatch ? TKIND_DISPATCH : TKIND_INTERFACE;
        attr->cFuncs = static_cast<WORD>(t.members.size());
        attr->cImplTypes = 1;
        attr->cbSizeVft = static_cast<WORD>(
            (view_ == View::Dispatch ? kDispatchEntries : kDispatchEntries + t.members.size()) * kPointer);
    } else {
        attr->typekind = TKIND_COCLASS;
        attr->cImplTypes = static_cast<WORD>(t.implemented.size());
    }
    *ppTypeAttr = attr;
    return S_OK;
}

STDMETHODIMP TypeInfo::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) {
    if (ppFuncDesc == nullptr) return E_INVALIDARG;
    *ppFuncDesc = nullptr;
    if (!IsInterface() || index >= Type().members.size()) return TYPE_E_ELEMENTNOTFOUND;
    const MemberModel& m = Type().members[index];
    const UINT count = ShownParameters(m);
    // One block: the FUNCDESC, its parameters, and the type nodes they point to (two at most each).
    const std::size_t size = sizeof(FUNCDESC) + count * sizeof(ELEMDESC) + (2 * count + 2) * sizeof(TYPEDESC);
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(size));
    if (block == nullptr) return E_OUTOFMEMORY;
    std::memset(block, 0, size);
    auto* desc = reinterpret_cast<FUNCDESC*>(block);
    auto* params = reinterpret_cast<ELEMDESC*>(desc + 1);
    auto* pool = reinterpret_cast<TYPEDESC*>(params + count);
    desc->memid = m.dispid;
    desc->lprgelemdescParam = count > 0 ? params : nullptr;
    desc->funckind = view_ == View::Dispatch ? FUNC_DISPATCH : FUNC_PUREVIRTUAL;
    desc->invkind = m.kind;
    desc->callconv = CC_STDCALL;
    desc->cParams = static_cast<SHORT>(count);
    desc->oVft = static_cast<SHORT>(m.vtableSlot * sizeof(void*));
    for (UINT k = 0; k < count; ++k) {
        const ParameterModel& p = m.parameters[k];
        DescribeType(p.vt, p.byRef, params[k].tdesc, pool);
        params[k].paramdesc.wParamFlags = p.flags;
    }
    if (view_ == View::Vtable)
        desc->elemdescFunc.tdesc.vt = VT_HRESULT;
    else if (m.argumentCount < m.parameters.size())
        DescribeType(m.parameters.back().vt, false, desc->elemdescFunc.tdesc, pool);
    else
        desc->elemdescFunc.tdesc.vt = VT_VOID;
    *ppFuncDesc = desc;
    return S_OK;
}

STDMETHODIMP TypeInfo::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) {
    if (rgBstrNames == nullptr || pcNames == nullptr) return E_INVALIDARG;
    *pcNames = 0;
    const MemberModel* m = FindMember(memid);
    if (m == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    std::vector<const std::u16string*> names{&m->name};
    for (UINT k = 0; k < ShownParameters(*m); ++k) names.push_back(&m->parameters[k].name);
    for (UINT i = 0; i < names.size() && i < cMaxNames; ++i) {
        rgBstrNames[i] = SysAllocStringLen(names[i]->data(), static_cast<UINT>(names[i]->size()));
        if (rgBstrNames[i] == nullptr) {
            while (i > 0) SysFreeString(rgBstrNames[--i]);
            return E_OUTOFMEMORY;
        }
        *pcNames = i + 1;
    }
    return S_OK;
}

STDMETHODIMP TypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) {
    if (pRefType == nullptr) return E_INVALIDARG;
    const TypeModel& t = Type();
    if (!IsInterface()) {
        if (index >= t.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *pRefType = HrefOf(t.implemented[index].first, View::Dispatch);
        return S_OK;
    }
    if (index == 0) {
        *pRefType = kHrefDispatchBase;
        return S_OK;
    }
    // -1: a dual interface's dispatch view leads to its vtable view.
    if (index == static_cast<UINT>(-1) && t.dual && view_ == View::Dispatch) {
        *pRefType = HrefOf(index_, View::Vtable);
        return S_OK;
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

STDMETHODIMP TypeInfo::GetImplTypeFlags(UINT index, INT* pImplTypeFlags) {
    if (pImplTypeFlags == nullptr) return E_INVALIDARG;
    const TypeModel& t = Type();
    if (!IsInterface()) {
        if (index >= t.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *pImplTypeFlags = t.implemented[index].second;
        return S_OK;
    }
    if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *pImplTypeFlags = 0;
    return S_OK;
}

STDMETHODIMP TypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                        DWORD* pdwHelpContext, BSTR* pBstrHelpFile) {
    if (memid == MEMBERID_NIL)
        return PutDocumentation(Type().name, Type().help, pBstrName, pBstrDocString, pdwHelpContext, pBstrHelpFile);
    const MemberModel* m = FindMember(memid);
    if (m == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    return PutDocumentation(m->name, m->help, pBstrName, pBstrDocString, pdwHelpContext, pBstrHelpFile);
}

STDMETHODIMP TypeInfo::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (hRefType == kHrefDispatchBase) return E_NOTIMPL;  // the standard OLE library is not provided
    const UINT index = hRefType / 2;
    const View view = (hRefType & 1) ? View::Vtable : View::Dispatch;
    if (index >= model_->types.size() || (view == View::Vtable && !model_->types[index].dual))
        return TYPE_E_ELEMENTNOTFOUND;
    return lib_->NewTypeInfo(index, view, ppTInfo);
}

STDMETHODIMP TypeInfo::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) {
    if (ppTLib == nullptr) return E_INVALIDARG;
    ComPtr<ITypeLib>(lib_.Get()).CopyTo(ppTLib);
    if (pIndex != nullptr) *pIndex = index_;
    return S_OK;
}

std::string Utf8(const std::u16string& text) { return Utf16ToUtf8(text).value_or(std::string()); }

}  // namespace

HRESULT CreateTypeLib(const TypeLibraryDescription& library, ITypeLib** ppTLib) {
    if (auto injected = platform::fault::Check("CreateTypeLib")) return HRESULT_FROM_WIN32(*injected);
    if (ppTLib == nullptr) return E_INVALIDARG;
    *ppTLib = nullptr;
    std::shared_ptr<const LibraryModel> model = LibraryModelOf(library);
    if (!model) return E_INVALIDARG;
    ComPtr<TypeLib> lib = Make<TypeLib>(std::move(model));
    if (!lib) return E_OUTOFMEMORY;
    *ppTLib = lib.Detach();
    return S_OK;
}

HRESULT GetTypeInfoOfGuid(const TypeLibraryDescription& library, REFGUID guid, ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) return E_INVALIDARG;
    *ppTInfo = nullptr;
    ComPtr<ITypeLib> lib;
    const HRESULT hr = CreateTypeLib(library, lib.GetAddressOf());
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(guid, ppTInfo);
}

HRESULT RegisterTypeLibrary(const TypeLibraryDescription& library, const std::filesystem::path& serverPath) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(serverPath, error);
    if (error) return E_INVALIDARG;
    const std::string version = std::to_string(library.majorVersion) + "." + std::to_string(library.minorVersion);
    RegistryEntry entry{{"Name", Utf8(Text(library.name))},
                        {"HelpString", Utf8(Text(library.helpString))},
                        {"Version", version},
                        {"LCID", std::to_string(library.lcid)},
                        {"Flags", std::to_string(library.libFlags)},
                        {"Win32", absolute.string()}};
    return WriteRegistryEntry(RegistryKind::TypeLib, library.libid, entry);
}

HRESULT UnregisterTypeLibrary(const TypeLibraryDescription& library) {
    return RemoveRegistryEntry(RegistryKind::TypeLib, library.libid);
}

}  // namespace platform::com
