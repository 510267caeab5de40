// The control library as a host finds it: created through the class registry, its type information read
// back member by member, its registration and unregistration, when it may be unloaded, and its toolbox
// bitmap.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control_host.h"
#include "platform/class_registry.h"
#include "platform/guid.h"
#include "registry_environment.h"
#include "winuser.h"

namespace {

using namespace controltest;

// ---- Type information ---------------------------------------------------------------------------

std::string TypeName(const TYPEDESC& t) {
    switch (t.vt) {
    case VT_PTR: return TypeName(*t.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + TypeName(*t.lptdesc) + ")";
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_VARIANT: return "VARIANT";
    case VT_VOID: return "void";
    case VT_HRESULT: return "HRESULT";
    default: return "vt" + std::to_string(t.vt);
    }
}

std::string Flags(USHORT flags) {
    std::string text;
    if (flags & PARAMFLAG_FIN) text += "in";
    if (flags & PARAMFLAG_FOUT) text += text.empty() ? "out" : ",out";
    if (flags & PARAMFLAG_FRETVAL) text += ",retval";
    return text;
}

struct MemberExpected {
    const char* name;
    DISPID dispid;
    INVOKEKIND kind;
    std::vector<std::string> parameters;  // "name: type [flags]"; a property's put shows "value"
    std::string result;
    const char* help;  // empty: none
};

constexpr const char* kText = "Returns/sets the text contained in the control.";
constexpr const char* kDate = "Returns/sets the current date.";
constexpr const char* kValue = "Returns/sets the value of an object.";

std::vector<MemberExpected> Property(const char* name, DISPID dispid, const char* type, const char* help) {
    return {{name, dispid, INVOKE_PROPERTYGET, {}, type, help},
            {name, dispid, INVOKE_PROPERTYPUT, {std::string("value: ") + type + " [in]"}, "void", help}};
}

// The members of _QlmUI in their order, as hosts bind to them.
std::vector<MemberExpected> ExpectedMembers() {
    std::vector<MemberExpected> members = {
        {"IsValidEmail", 0x60030010, INVOKE_FUNC, {"email: BSTR* [in,out]"}, "VARIANT_BOOL", ""},
        {"AddReader", 0x60030011, INVOKE_FUNC, {"reader: BSTR* [in,out]"}, "VARIANT", ""},
        {"GetReaders", 0x60030012, INVOKE_FUNC, {}, "BSTR", ""},
        {"ParseString",
         0x60030013,
         INVOKE_FUNC,
         {"SubStrs: SAFEARRAY(BSTR)* [in,out]", "SrcStr: BSTR [in]", "Delimiter: BSTR [in]"},
         "short",
         ""},
    };
    auto add = [&](std::vector<MemberExpected> more) { members.insert(members.end(), more.begin(), more.end()); };
    add(Property("UsernameValue", 0x6803000F, "BSTR", kText));
    add(Property("PwdValue", 0x6803000E, "BSTR", kText));
    add(Property("NotBeforeValue", 0x6803000D, "VARIANT", kDate));
    add(Property("NotAfterValue", 0x6803000C, "VARIANT", kDate));
    add(Property("ProxyIEValue", 0x6803000B, "VARIANT_BOOL", kValue));
    add(Property("ProxyServerValue", 0x6803000A, "BSTR", kText));
    add(Property("ProxyPortValue", 0x68030009, "BSTR", kText));
    add(Property("RememberMeValue", 0x68030008, "short", kValue));
    add(Property("NotBeforeCheckValue", 0x68030007, "short", kValue));
    add(Property("NotAfterCheckValue", 0x68030006, "short", kValue));
    add(Property("ReadReceiptValue", 0x68030005, "short", kValue));
    add(Property("Mode", 0x68030004, "long", ""));
    add({{"AddUsername",
          0x60030028,
          INVOKE_FUNC,
          {"username: BSTR* [in,out]", "fHasPwd: VARIANT_BOOL* [in,out]"},
          "VARIANT",
          ""}});
    add(Property("ReferenceValue", 0x68030003, "BSTR", kText));
    add(Property("TimeNotBeforeValue", 0x68030002, "VARIANT", kDate));
    add(Property("TimeNotAfterValue", 0x68030001, "VARIANT", kDate));
    add(Property("ShowPopUpValue", 0x68030000, "short", kValue));
    return members;
}

class TypeInformation : public ControlHost {
protected:
    void SetUp() override {
        ControlHost::SetUp();
        UINT count = 0;
        ASSERT_EQ(control->GetTypeInfoCount(&count), S_OK);
        ASSERT_EQ(count, 1u);
        ASSERT_EQ(control->GetTypeInfo(0, 0x0409, dual.GetAddressOf()), S_OK);
        UINT index = 0;
        ASSERT_EQ(dual->GetContainingTypeLib(library.GetAddressOf(), &index), S_OK);
    }
    void TearDown() override {
        dual = nullptr;
        library = nullptr;
        ControlHost::TearDown();
    }

    struct Attributes {
        TYPEKIND kind;
        WORD flags;
        WORD functions;
        WORD implemented;
        GUID guid;
    };
    static Attributes AttributesOf(ITypeInfo* info) {
        TYPEATTR* attr = nullptr;
        EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
        if (attr == nullptr) return {};
        const Attributes a{attr->typekind, attr->wTypeFlags, attr->cFuncs, attr->cImplTypes, attr->guid};
        info->ReleaseTypeAttr(attr);
        return a;
    }
    static std::string NameOf(ITypeInfo* info) {
        UniqueBstr name;
        EXPECT_EQ(info->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr), S_OK);
        return Utf8(name.Get());
    }

    ComPtr<ITypeInfo> dual;
    ComPtr<ITypeLib> library;
};

TEST_F(TypeInformation, TheLibrarysNameVersionLocaleAndFlags) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, LIBID_Quillmarsh);
    EXPECT_EQ(platform::com::GuidToString(attr->guid), "{14E2B58E-4877-42A4-BF87-F5E32DD7A9F1}");
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->wMajorVerNum, 17);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->wLibFlags, LIBFLAG_FCONTROL);
    library->ReleaseTLibAttr(attr);

    UniqueBstr name, help;
    ASSERT_EQ(library->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(Utf8(name.Get()), "Quillmarsh");
    EXPECT_EQ(Utf8(help.Get()), "Quillmarsh");
}

TEST_F(TypeInformation, TheClassIsAControlOnlyWithItsDefaultInterfaceAndDefaultSource) {
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_QlmUI, coclass.GetAddressOf()), S_OK);
    const Attributes attr = AttributesOf(coclass.Get());
    EXPECT_EQ(attr.kind, TKIND_COCLASS);
    EXPECT_EQ(attr.flags, TYPEFLAG_FCONTROL);
    EXPECT_EQ(NameOf(coclass.Get()), "QlmUI");
    ASSERT_EQ(attr.implemented, 2);

    EXPECT_EQ(platform::com::GuidToString(attr.guid), "{85B2F03A-F417-483F-B08F-84F08A37DD70}");

    // The identifiers as hosts have them written down, not as our own header spells them.
    const struct {
        const char* name;
        INT flags;
        const char* iid;
    } implemented[] = {
        {"_QlmUI", IMPLTYPEFLAG_FDEFAULT, "{193CA6B1-7339-4BD2-A4C9-9BE8F0D8E0D8}"},
        {"__QlmUI", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE, "{11D86872-19D7-4B53-9E32-E376B9531819}"}};
    for (UINT i = 0; i < 2; ++i) {
        INT flags = 0;
        ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
        EXPECT_EQ(flags, implemented[i].flags) << i;
        HREFTYPE ref = 0;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
        ComPtr<ITypeInfo> type;
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, type.GetAddressOf()), S_OK);
        EXPECT_EQ(NameOf(type.Get()), implemented[i].name);
        EXPECT_EQ(platform::com::GuidToString(AttributesOf(type.Get()).guid), implemented[i].iid);
    }

    // The same class information through the control itself.
    ComPtr<IProvideClassInfo> provide;
    ASSERT_EQ(control.As(&provide), S_OK);
    ComPtr<ITypeInfo> provided;
    ASSERT_EQ(provide->GetClassInfo(provided.GetAddressOf()), S_OK);
    EXPECT_EQ(AttributesOf(provided.Get()).guid, CLSID_QlmUI);
}

TEST_F(TypeInformation, TheInterfacesAreHiddenNonExtensibleTheDefaultDualTheSourceEmpty) {
    const Attributes attr = AttributesOf(dual.Get());
    EXPECT_EQ(attr.kind, TKIND_DISPATCH);
    EXPECT_EQ(attr.guid, IID__QlmUI);
    EXPECT_EQ(attr.flags, TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                              TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(NameOf(dual.Get()), "_QlmUI");

    ComPtr<ITypeInfo> events;
    ASSERT_EQ(library->GetTypeInfoOfGuid(DIID___QlmUI, events.GetAddressOf()), S_OK);
    const Attributes source = AttributesOf(events.Get());
    EXPECT_EQ(source.kind, TKIND_DISPATCH);
    EXPECT_EQ(source.functions, 0);
    EXPECT_EQ(source.flags, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
}

TEST_F(TypeInformation, EveryMemberWithItsDispidKindParametersResultAndHelpString) {
    const std::vector<MemberExpected> expected = ExpectedMembers();
    ASSERT_EQ(AttributesOf(dual.Get()).functions, expected.size());
    for (UINT i = 0; i < expected.size(); ++i) {
        const MemberExpected& m = expected[i];
        FUNCDESC* desc = nullptr;
        ASSERT_EQ(dual->GetFuncDesc(i, &desc), S_OK);
        EXPECT_EQ(desc->memid, m.dispid) << m.name;
        EXPECT_EQ(desc->invkind, m.kind) << m.name;
        EXPECT_EQ(desc->funckind, FUNC_DISPATCH) << m.name;
        // After IDispatch's seven entries, in the table's order.
        EXPECT_EQ(desc->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << m.name;
        EXPECT_EQ(TypeName(desc->elemdescFunc.tdesc), m.result) << m.name;

        std::vector<BSTR> names(1 + static_cast<std::size_t>(desc->cParams));
        UINT got = 0;
        ASSERT_EQ(dual->GetNames(desc->memid, names.data(), static_cast<UINT>(names.size()), &got), S_OK);
        EXPECT_EQ(Utf8(names[0]), m.name);
        std::vector<std::string> parameters;
        for (SHORT k = 0; k < desc->cParams; ++k) {
            const ELEMDESC& p = desc->lprgelemdescParam[k];
            // A property's put shares its DISPID with the get, whose names GetNames gives.
            const std::string name =
                m.kind == INVOKE_PROPERTYPUT ? "value" : (k + 1u < got ? Utf8(names[k + 1]) : "?");
            parameters.push_back(name + ": " + TypeName(p.tdesc) + " [" + Flags(p.paramdesc.wParamFlags) + "]");
        }
        for (UINT n = 0; n < got; ++n) SysFreeString(names[n]);
        EXPECT_EQ(parameters, m.parameters) << m.name;
        dual->ReleaseFuncDesc(desc);

        UniqueBstr help;
        DWORD context = 1;
        ASSERT_EQ(dual->GetDocumentation(m.dispid, nullptr, help.Put(), &context, nullptr), S_OK);
        EXPECT_EQ(Utf8(help.Get()), m.help) << m.name;
        EXPECT_EQ(context, 0u) << m.name;
    }
}

TEST_F(TypeInformation, TheVtableViewHasEveryParameterAndReturnsHRESULTs) {
    HREFTYPE ref = 0;
    ASSERT_EQ(dual->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(dual->GetRefTypeInfo(ref, vtable.GetAddressOf()), S_OK);
    EXPECT_EQ(AttributesOf(vtable.Get()).kind, TKIND_INTERFACE);
    FUNCDESC* desc = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(3, &desc), S_OK);  // ParseString
    EXPECT_EQ(desc->memid, DISPID_QlmUI_ParseString);
    EXPECT_EQ(TypeName(desc->elemdescFunc.tdesc), "HRESULT");
    ASSERT_EQ(desc->cParams, 4);
    EXPECT_EQ(TypeName(desc->lprgelemdescParam[3].tdesc), "short*");
    EXPECT_EQ(Flags(desc->lprgelemdescParam[3].paramdesc.wParamFlags), "out,retval");
    vtable->ReleaseFuncDesc(desc);
}

TEST_F(TypeInformation, NamesAreFoundWithoutRegardToCase) {
    for (const char16_t* name : {u"ParseString", u"parsestring", u"MODE"}) {
        std::u16string text(name);
        LPOLESTR names[] = {text.data()};
        DISPID id = 0;
        EXPECT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0x0409, &id), S_OK) << Utf8(name);
    }
    std::u16string unknown = u"Password";
    LPOLESTR names[] = {unknown.data()};
    DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0x0409, &id), DISP_E_UNKNOWNNAME);
}

// ---- The server ---------------------------------------------------------------------------------

// The registered library, and its exports.
class ServerLibrary {
public:
    ServerLibrary() {
        platform::com::RegistryEntry entry;
        EXPECT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmUI, entry), S_OK);
        path = entry.Get(platform::com::kInprocServer32).value_or("");
        handle_ = ::dlopen(path.c_str(), RTLD_NOW);
        EXPECT_NE(handle_, nullptr) << path;
    }
    ~ServerLibrary() {
        if (handle_ != nullptr) ::dlclose(handle_);
    }
    ServerLibrary(const ServerLibrary&) = delete;
    ServerLibrary& operator=(const ServerLibrary&) = delete;

    template <class F>
    F Export(const char* name) const {
        return reinterpret_cast<F>(::dlsym(handle_, name));
    }
    HRESULT CanUnloadNow() const { return Export<LPFNCANUNLOADNOW>("DllCanUnloadNow")(); }

    std::string path;

private:
    void* handle_ = nullptr;
};

TEST(Registration, EntersTheClassAndItsTypeLibraryAndRemovesThemAgain) {
    comtest::RegistryEnvironment environment;
    ServerLibrary server;
    ASSERT_FALSE(server.path.empty());
    const std::filesystem::path target = environment.UseTestRegistry();

    ASSERT_EQ(server.Export<LPFNREGISTERSERVER>("DllRegisterServer")(), S_OK);
    platform::com::RegistryEntry entry;
    std::filesystem::path file;
    ASSERT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmUI, entry, &file), S_OK);
    EXPECT_EQ(file.parent_path(), target);
    EXPECT_EQ(entry.Get("InprocServer32"), server.path);
    EXPECT_EQ(entry.Get("ThreadingModel"), "Apartment");
    EXPECT_EQ(entry.Get("MiscStatus"), "135569");  // 0x00021191
    EXPECT_EQ(entry.Get("ToolboxBitmap32"), server.path + ", 30000");
    EXPECT_EQ(entry.Get("TypeLib"), "{14E2B58E-4877-42A4-BF87-F5E32DD7A9F1}");
    EXPECT_EQ(entry.Get("Version"), "17.0");

    platform::com::RegistryEntry library;
    ASSERT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::TypeLib, LIBID_Quillmarsh, library, &file),
              S_OK);
    EXPECT_EQ(file.parent_path().parent_path(), target);
    EXPECT_EQ(library.Get("Name"), "Quillmarsh");
    EXPECT_EQ(library.Get("Version"), "17.0");
    EXPECT_EQ(library.Get("LCID"), "1033");
    EXPECT_EQ(library.Get("Win32"), server.path);

    ASSERT_EQ(server.Export<LPFNREGISTERSERVER>("DllUnregisterServer")(), S_OK);
    // The build tree's own entries are found again: the test folder holds nothing of the library any more.
    ASSERT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmUI, entry, &file), S_OK);
    EXPECT_NE(file.parent_path(), target);
    ASSERT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::TypeLib, LIBID_Quillmarsh, library, &file),
              S_OK);
    EXPECT_NE(file.parent_path().parent_path(), target);
    std::vector<std::string> left;
    for (const auto& item : std::filesystem::recursive_directory_iterator(target))
        if (item.is_regular_file()) left.push_back(item.path().string());
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST(Unloading, AllowedOnlyWithoutObjectsAndLocks) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    {
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(CoGetClassObject(CLSID_QlmUI, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(factory.GetAddressOf())),
                  S_OK);
        ServerLibrary server;
        EXPECT_EQ(server.CanUnloadNow(), S_FALSE) << "the class object lives";
        ComPtr<_QlmUI> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID__QlmUI, reinterpret_cast<void**>(control.GetAddressOf())), S_OK);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
        factory = nullptr;
        EXPECT_EQ(server.CanUnloadNow(), S_FALSE) << "the control lives and the server is locked";
        control = nullptr;
        EXPECT_EQ(server.CanUnloadNow(), S_FALSE) << "the server is locked";

        ASSERT_EQ(CoGetClassObject(CLSID_QlmUI, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(factory.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(factory->LockServer(FALSE), S_OK);
        factory = nullptr;
        EXPECT_EQ(server.CanUnloadNow(), S_OK);
    }
    CoFreeUnusedLibraries();
    platform::com::RegistryEntry entry;
    ASSERT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmUI, entry), S_OK);
    const std::string path = entry.Get(platform::com::kInprocServer32).value_or("");
    void* still = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(still, nullptr) << "unloaded once unused";
    if (still != nullptr) ::dlclose(still);
    CoUninitialize();
}

TEST_F(ControlHost, TheToolboxBitmapIsA16By15FourBitBitmap) {
    const HMODULE module = GetModuleHandleW(u"libQuillmarsh.so");
    ASSERT_NE(module, nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(30000), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(bytes, nullptr);
    auto field = [&](std::size_t at, std::size_t size) {
        LONG value = 0;
        std::memcpy(&value, bytes + at, size);
        return value;
    };
    // BITMAPINFOHEADER: size, width, height, planes, bits per pixel; then 16 colours and 15 rows of 8 bytes.
    EXPECT_EQ(field(0, 4), 40);
    EXPECT_EQ(field(4, 4), 16);
    EXPECT_EQ(field(8, 4), 15);
    EXPECT_EQ(field(12, 2), 1);
    EXPECT_EQ(field(14, 2), 4);
    EXPECT_EQ(SizeofResource(module, found), 40u + 16 * 4 + 15 * 8);
}

TEST_F(ControlHost, TheMiscellaneousStatusClassAndShowVerb) {
    ComPtr<IOleObject> object;
    ASSERT_EQ(control.As(&object), S_OK);
    DWORD status = 0;
    ASSERT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 0x00021191u);
    EXPECT_EQ(status, static_cast<DWORD>(OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                         OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_ACTSLIKEBUTTON |
                                         OLEMISC_SETCLIENTSITEFIRST));
    CLSID clsid{};
    ASSERT_EQ(object->GetUserClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_QlmUI);
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(control.As(&persist), S_OK);
    ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_QlmUI);

    ComPtr<IOleClientSite> site;
    ASSERT_EQ(object->GetClientSite(site.GetAddressOf()), S_OK);
    EXPECT_FALSE(site);
    EXPECT_EQ(object->DoVerb(OLEIVERB_SHOW, nullptr, nullptr, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(object->DoVerb(7, nullptr, nullptr, 0, nullptr, nullptr), OLEOBJ_S_INVALIDVERB);

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(control.As(&support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID__QlmUI), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
}

}  // namespace
