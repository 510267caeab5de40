#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../registry_environment.h"
#include "oleauto.h"
#include "platform/bstr.h"
#include "platform/class_registry.h"
#include "platform/com_ptr.h"
#include "platform/dispatch.h"
#include "test_widget.h"
#include "variant_values.h"

namespace {

using automation_test::Text;
using platform::com::ComPtr;
using platform::com::UniqueBstr;

// "PTR(SAFEARRAY(BSTR))": a TYPEDESC as a reader of type information follows it.
std::string TypeName(const TYPEDESC& t) {
    switch (t.vt) {
        case VT_PTR: return "PTR(" + TypeName(*t.lptdesc) + ")";
        case VT_SAFEARRAY: return "SAFEARRAY(" + TypeName(*t.lptdesc) + ")";
        case VT_BSTR: return "BSTR";
        case VT_BOOL: return "BOOL";
        case VT_I2: return "I2";
        case VT_I4: return "I4";
        case VT_VARIANT: return "VARIANT";
        case VT_VOID: return "VOID";
        case VT_HRESULT: return "HRESULT";
        default: return "vt " + std::to_string(t.vt);
    }
}

std::u16string NameOf(ITypeInfo* info, MEMBERID memid = MEMBERID_NIL) {
    UniqueBstr name;
    EXPECT_EQ(info->GetDocumentation(memid, name.Put(), nullptr, nullptr, nullptr), S_OK);
    return std::u16string(Text(name.Get()));
}

// A TYPEATTR that goes back to its type information when done with.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : info_(info) { EXPECT_EQ(info->GetTypeAttr(&attr_), S_OK); }
    ~TypeAttr() {
        if (attr_ != nullptr) info_->ReleaseTypeAttr(attr_);
    }
    const TYPEATTR* operator->() const { return attr_; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

class TypeLibraryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(platform::com::CreateTypeLib(widget_test::WidgetLibrary(), lib_.GetAddressOf()), S_OK); }

    ComPtr<ITypeInfo> Info(REFGUID guid) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(lib_->GetTypeInfoOfGuid(guid, info.GetAddressOf()), S_OK);
        return info;
    }
    ComPtr<ITypeInfo> VtableView() {
        ComPtr<ITypeInfo> dispatch = Info(IID_ITestWidget);
        HREFTYPE href = 0;
        EXPECT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), S_OK);
        ComPtr<ITypeInfo> vtable;
        EXPECT_EQ(dispatch->GetRefTypeInfo(href, vtable.GetAddressOf()), S_OK);
        return vtable;
    }

    ComPtr<ITypeLib> lib_;
};

TEST_F(TypeLibraryTest, LibraryAttributesAndDocumentation) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, LIBID_TestWidgets);
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->wMajorVerNum, 2);
    EXPECT_EQ(attr->wMinorVerNum, 5);
    EXPECT_EQ(attr->wLibFlags, LIBFLAG_FCONTROL);
    lib_->ReleaseTLibAttr(attr);

    UniqueBstr name;
    UniqueBstr help;
    DWORD context = 7;
    ASSERT_EQ(lib_->GetDocumentation(-1, name.Put(), help.Put(), &context, nullptr), S_OK);
    EXPECT_EQ(Text(name.Get()), u"TestWidgets");
    EXPECT_EQ(Text(help.Get()), u"Widgets of the tests");
    EXPECT_EQ(context, 0u);

    // Interfaces in order, then the class.
    ASSERT_EQ(lib_->GetTypeInfoCount(), 3u);
    const TYPEKIND kinds[] = {TKIND_DISPATCH, TKIND_DISPATCH, TKIND_COCLASS};
    const char16_t* names[] = {u"ITestWidget", u"ITestWidgetEvents", u"TestWidget"};
    for (UINT i = 0; i < 3; ++i) {
        TYPEKIND kind = TKIND_MAX;
        ASSERT_EQ(lib_->GetTypeInfoType(i, &kind), S_OK);
        EXPECT_EQ(kind, kinds[i]);
        ASSERT_EQ(lib_->GetDocumentation(static_cast<INT>(i), name.Put(), nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(Text(name.Get()), names[i]);
    }
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(lib_->GetTypeInfo(3, none.GetAddressOf()), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(lib_->GetTypeInfoOfGuid(GUID_NULL, none.GetAddressOf()), TYPE_E_ELEMENTNOTFOUND);

    std::u16string spelled = u"itestwidget";
    BOOL found = FALSE;
    ASSERT_EQ(lib_->IsName(spelled.data(), 0, &found), S_OK);
    EXPECT_TRUE(found);
    EXPECT_EQ(spelled, u"ITestWidget");
}

TEST_F(TypeLibraryTest, ClassCarriesTheControlFlagOnlyAndItsInterfaces) {
    ComPtr<ITypeInfo> cls = Info(CLSID_TestWidget);
    {
        TypeAttr attr(cls.Get());
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCONTROL);
        EXPECT_EQ(attr->cImplTypes, 2);
        EXPECT_EQ(attr->cFuncs, 0);
    }
    const INT flags[] = {IMPLTYPEFLAG_FDEFAULT, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE};
    const char16_t* names[] = {u"ITestWidget", u"ITestWidgetEvents"};
    for (UINT i = 0; i < 2; ++i) {
        INT implFlags = 0;
        ASSERT_EQ(cls->GetImplTypeFlags(i, &implFlags), S_OK);
        EXPECT_EQ(implFlags, flags[i]);
        HREFTYPE href = 0;
        ASSERT_EQ(cls->GetRefTypeOfImplType(i, &href), S_OK);
        ComPtr<ITypeInfo> implemented;
        ASSERT_EQ(cls->GetRefTypeInfo(href, implemented.GetAddressOf()), S_OK);
        EXPECT_EQ(NameOf(implemented.Get()), names[i]);
    }
    HREFTYPE href = 0;
    EXPECT_EQ(cls->GetRefTypeOfImplType(2, &href), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeLibraryTest, DualInterfaceAsDispatchAndAsVtable) {
    constexpr WORD kDualFlags = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION |
                                TYPEFLAG_FDISPATCHABLE;
    ComPtr<ITypeInfo> dispatch = Info(IID_ITestWidget);
    {
        TypeAttr attr(dispatch.Get());
        EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
        EXPECT_EQ(attr->wTypeFlags, kDualFlags);
        EXPECT_EQ(attr->cFuncs, 14);
        EXPECT_EQ(attr->cbSizeVft, 7 * sizeof(void*));
        EXPECT_EQ(attr->lcid, 0x0409u);
    }
    ComPtr<ITypeInfo> vtable = VtableView();
    TypeAttr attr(vtable.Get());
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attr->guid, IID_ITestWidget);
    EXPECT_EQ(attr->wTypeFlags, kDualFlags);
    EXPECT_EQ(attr->cFuncs, 14);
    EXPECT_EQ(attr->cbSizeVft, 21 * sizeof(void*));
    HREFTYPE href = 0;
    EXPECT_EQ(vtable->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), TYPE_E_ELEMENTNOTFOUND);
}

struct FunctionCase {
    const char16_t* name;
    MEMBERID memid;
    INVOKEKIND kind;
    std::size_t vtableEntry;  // counted in the C++ interface, IUnknown's first entry being 0
    std::vector<std::string> params;  // the dispatch view's: type and flags
    std::string result;               // the dispatch view's elemdescFunc
};

// The members of ITestWidget in the order of its declaration.
const std::vector<FunctionCase> kFunctions = {
    {u"Text", kDispidText, INVOKE_PROPERTYGET, 7, {}, "BSTR"},
    {u"Text", kDispidText, INVOKE_PROPERTYPUT, 8, {"BSTR in"}, "VOID"},
    {u"Count", kDispidCount, INVOKE_PROPERTYGET, 9, {}, "I2"},
    {u"Count", kDispidCount, INVOKE_PROPERTYPUT, 10, {"I2 in"}, "VOID"},
    {u"Enabled", kDispidEnabled, INVOKE_PROPERTYGET, 11, {}, "BOOL"},
    {u"Enabled", kDispidEnabled, INVOKE_PROPERTYPUT, 12, {"BOOL in"}, "VOID"},
    {u"Value", DISPID_VALUE, INVOKE_PROPERTYGET, 13, {}, "VARIANT"},
    {u"Value", DISPID_VALUE, INVOKE_PROPERTYPUT, 14, {"VARIANT in"}, "VOID"},
    {u"Mode", kDispidMode, INVOKE_PROPERTYGET, 15, {}, "I4"},
    {u"Mode", kDispidMode, INVOKE_PROPERTYPUT, 16, {"I4 in"}, "VOID"},
    {u"IsValidName", kDispidIsValidName, INVOKE_FUNC, 17, {"PTR(BSTR) in out"}, "BOOL"},
    {u"Split", kDispidSplit, INVOKE_FUNC, 18, {"PTR(SAFEARRAY(BSTR)) in out", "BSTR in", "BSTR in"}, "I2"},
    {u"Repeat", kDispidRepeat, INVOKE_FUNC, 19, {"PTR(BSTR) in out", "I2 in"}, "VOID"},
    {u"Fail", kDispidFail, INVOKE_FUNC, 20, {"I4 in"}, "VOID"},
};

std::string Parameter(const ELEMDESC& e) {
    std::string text = TypeName(e.tdesc);
    const USHORT flags = e.paramdesc.wParamFlags;
    if (flags & PARAMFLAG_FIN) text += " in";
    if (flags & PARAMFLAG_FOUT) text += " out";
    if (flags & PARAMFLAG_FRETVAL) text += " retval";
    return text;
}

TEST_F(TypeLibraryTest, FunctionDescriptionsOfTheDispatchView) {
    ComPtr<ITypeInfo> info = Info(IID_ITestWidget);
    for (UINT i = 0; i < kFunctions.size(); ++i) {
        const FunctionCase& c = kFunctions[i];
        FUNCDESC* desc = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &desc), S_OK);
        SCOPED_TRACE(testing::Message() << "function " << i);
        EXPECT_EQ(desc->memid, c.memid);
        EXPECT_EQ(desc->invkind, c.kind);
        EXPECT_EQ(desc->funckind, FUNC_DISPATCH);
        EXPECT_EQ(desc->callconv, CC_STDCALL);
        EXPECT_EQ(desc->oVft, static_cast<SHORT>(c.vtableEntry * sizeof(void*)));
        std::vector<std::string> params;
        for (SHORT k = 0; k < desc->cParams; ++k) params.push_back(Parameter(desc->lprgelemdescParam[k]));
        EXPECT_EQ(params, c.params);
        EXPECT_EQ(TypeName(desc->elemdescFunc.tdesc), c.result);
        info->ReleaseFuncDesc(desc);
        EXPECT_EQ(NameOf(info.Get(), c.memid), c.name);
    }
    FUNCDESC* none = nullptr;
    EXPECT_EQ(info->GetFuncDesc(static_cast<UINT>(kFunctions.size()), &none), TYPE_E_ELEMENTNOTFOUND);
}

// The oVft of every member is its real entry in the C++ interface's vtable.
TEST_F(TypeLibraryTest, VtableOffsetsAreThoseOfTheCppInterface) {
    const std::size_t entries[] = {
        platform::com::VtableSlot(&ITestWidget::get_Text),    platform::com::VtableSlot(&ITestWidget::put_Text),
        platform::com::VtableSlot(&ITestWidget::get_Count),   platform::com::VtableSlot(&ITestWidget::put_Count),
        platform::com::VtableSlot(&ITestWidget::get_Enabled), platform::com::VtableSlot(&ITestWidget::put_Enabled),
        platform::com::VtableSlot(&ITestWidget::get_Value),   platform::com::VtableSlot(&ITestWidget::put_Value),
        platform::com::VtableSlot(&ITestWidget::get_Mode),    platform::com::VtableSlot(&ITestWidget::put_Mode),
        platform::com::VtableSlot(&ITestWidget::IsValidName), platform::com::VtableSlot(&ITestWidget::Split),
        platform::com::VtableSlot(&ITestWidget::Repeat),      platform::com::VtableSlot(&ITestWidget::Fail),
    };
    ComPtr<ITypeInfo> info = VtableView();
    for (UINT i = 0; i < std::size(entries); ++i) {
        FUNCDESC* desc = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &desc), S_OK);
        EXPECT_EQ(desc->oVft, static_cast<SHORT>(entries[i] * sizeof(void*))) << i;
        EXPECT_EQ(desc->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(desc->elemdescFunc.tdesc.vt, VT_HRESULT);
        info->ReleaseFuncDesc(desc);
    }
}

TEST_F(TypeLibraryTest, TheVtableViewShowsTheResultAsTheLastParameter) {
    ComPtr<ITypeInfo> info = VtableView();
    FUNCDESC* desc = nullptr;
    ASSERT_EQ(info->GetFuncDesc(11, &desc), S_OK);  // Split
    std::vector<std::string> params;
    for (SHORT k = 0; k < desc->cParams; ++k) params.push_back(Parameter(desc->lprgelemdescParam[k]));
    EXPECT_EQ(params, (std::vector<std::string>{"PTR(SAFEARRAY(BSTR)) in out", "BSTR in", "BSTR in",
                                                "PTR(I2) out retval"}));
    info->ReleaseFuncDesc(desc);
}

TEST_F(TypeLibraryTest, NamesOfMembersAndParameters) {
    ComPtr<ITypeInfo> dispatch = Info(IID_ITestWidget);
    ComPtr<ITypeInfo> vtable = VtableView();
    auto names = [](ITypeInfo* info, MEMBERID memid, UINT max) {
        std::vector<BSTR> raw(8, nullptr);
        UINT count = 0;
        EXPECT_EQ(info->GetNames(memid, raw.data(), max, &count), S_OK);
        std::vector<std::u16string> out;
        for (UINT i = 0; i < count; ++i) {
            out.emplace_back(Text(raw[i]));
            SysFreeString(raw[i]);
        }
        return out;
    };
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(names(dispatch.Get(), kDispidSplit, 8), (Names{u"Split", u"parts", u"source", u"delimiter"}));
    EXPECT_EQ(names(vtable.Get(), kDispidSplit, 8), (Names{u"Split", u"parts", u"source", u"delimiter", u"retval"}));
    EXPECT_EQ(names(dispatch.Get(), kDispidSplit, 2), (Names{u"Split", u"parts"}));
    EXPECT_EQ(names(dispatch.Get(), kDispidText, 8), (Names{u"Text"}));
    BSTR name = nullptr;
    UINT count = 0;
    EXPECT_EQ(dispatch->GetNames(0x1234, &name, 1, &count), TYPE_E_ELEMENTNOTFOUND);

    std::u16string split = u"SPLIT";
    std::u16string source = u"Source";
    LPOLESTR query[] = {split.data(), source.data()};
    MEMBERID ids[2] = {};
    ASSERT_EQ(dispatch->GetIDsOfNames(query, 2, ids), S_OK);
    EXPECT_EQ(ids[0], kDispidSplit);
    EXPECT_EQ(ids[1], 1);
}

TEST_F(TypeLibraryTest, HelpStringsAndContexts) {
    ComPtr<ITypeInfo> info = Info(IID_ITestWidget);
    struct Case {
        MEMBERID memid;
        const char16_t* name;
        const char16_t* help;  // null: none
    } cases[] = {
        {MEMBERID_NIL, u"ITestWidget", u"A widget of the tests."},
        {kDispidText, u"Text", u"Returns/sets the text."},
        {kDispidSplit, u"Split", u"Splits a text."},
        {kDispidEnabled, u"Enabled", nullptr},
    };
    for (const Case& c : cases) {
        UniqueBstr name;
        UniqueBstr help;
        UniqueBstr file;
        DWORD context = 7;
        ASSERT_EQ(info->GetDocumentation(c.memid, name.Put(), help.Put(), &context, file.Put()), S_OK);
        EXPECT_EQ(Text(name.Get()), c.name);
        if (c.help == nullptr) {
            EXPECT_FALSE(help);
        } else {
            EXPECT_EQ(Text(help.Get()), c.help);
        }
        EXPECT_EQ(context, 0u);
        EXPECT_FALSE(file);
    }
    EXPECT_EQ(info->GetDocumentation(0x1234, nullptr, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeLibraryTest, EmptyEventInterface) {
    ComPtr<ITypeInfo> events = Info(DIID_ITestWidgetEvents);
    TypeAttr attr(events.Get());
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr->cFuncs, 0);
    EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE);
    HREFTYPE href = 0;
    EXPECT_EQ(events->GetRefTypeOfImplType(static_cast<UINT>(-1), &href), TYPE_E_ELEMENTNOTFOUND);
    FUNCDESC* desc = nullptr;
    EXPECT_EQ(events->GetFuncDesc(0, &desc), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(TypeLibraryTest, TypeInformationKeepsItsLibrary) {
    ComPtr<ITypeInfo> info = Info(CLSID_TestWidget);
    lib_ = nullptr;
    ComPtr<ITypeLib> containing;
    UINT index = 99;
    ASSERT_EQ(info->GetContainingTypeLib(containing.GetAddressOf(), &index), S_OK);
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(containing->GetTypeInfoCount(), 3u);
}

TEST_F(TypeLibraryTest, WhatIsNotProvidedSaysSo) {
    ComPtr<ITypeInfo> info = Info(IID_ITestWidget);
    ITypeComp* comp = reinterpret_cast<ITypeComp*>(1);
    EXPECT_EQ(info->GetTypeComp(&comp), E_NOTIMPL);
    EXPECT_EQ(comp, nullptr);
    EXPECT_EQ(info->Invoke(nullptr, kDispidText, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    HREFTYPE base = 0;
    ASSERT_EQ(info->GetRefTypeOfImplType(0, &base), S_OK);
    ComPtr<ITypeInfo> dispatch;
    EXPECT_EQ(info->GetRefTypeInfo(base, dispatch.GetAddressOf()), E_NOTIMPL);
    VARDESC* var = nullptr;
    EXPECT_EQ(info->GetVarDesc(0, &var), TYPE_E_ELEMENTNOTFOUND);
}

TEST(ProvideClassInfo, GivesTheClassTypeInformation) {
    ComPtr<widget_test::Widget> widget = platform::com::Make<widget_test::Widget>();
    ComPtr<IProvideClassInfo> provide;
    ASSERT_EQ(ComPtr<ITestWidget>(widget.Get()).As(&provide), S_OK);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(provide->GetClassInfo(info.GetAddressOf()), S_OK);
    TypeAttr attr(info.Get());
    EXPECT_EQ(attr->guid, CLSID_TestWidget);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
}

TEST(TypeLibraryRegistration, EntersAndRemovesTheLibrary) {
    comtest::RegistryEnvironment environment;
    const platform::com::TypeLibraryDescription& library = widget_test::WidgetLibrary();
    ASSERT_EQ(platform::com::RegisterTypeLibrary(library, "/opt/widgets/libwidgets.so"), S_OK);
    platform::com::RegistryEntry entry;
    ASSERT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::TypeLib, LIBID_TestWidgets, entry), S_OK);
    EXPECT_EQ(entry.Get("Name"), "TestWidgets");
    EXPECT_EQ(entry.Get("HelpString"), "Widgets of the tests");
    EXPECT_EQ(entry.Get("Version"), "2.5");
    EXPECT_EQ(entry.Get("LCID"), "1033");
    EXPECT_EQ(entry.Get("Flags"), std::to_string(LIBFLAG_FCONTROL));
    EXPECT_EQ(entry.Get("Win32"), "/opt/widgets/libwidgets.so");

    ASSERT_EQ(platform::com::UnregisterTypeLibrary(library), S_OK);
    EXPECT_EQ(platform::com::FindRegistryEntry(platform::com::RegistryKind::TypeLib, LIBID_TestWidgets, entry),
              TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(platform::com::UnregisterTypeLibrary(library), S_FALSE);
}

}  // namespace
