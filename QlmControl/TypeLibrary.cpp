#include "TypeLibrary.h"

#include <array>

#include "QlmUIInterface.h"

namespace qlmcontrol {

namespace {

using platform::com::ClassDescription;
using platform::com::ImplementedInterface;
using platform::com::InterfaceDescription;
using platform::com::MemberDescription;
using platform::com::Method;
using platform::com::Param;
using platform::com::PropertyGet;
using platform::com::PropertyPut;
using platform::com::Retval;
using platform::com::TypeLibraryDescription;

constexpr const char16_t* kText = u"Returns/sets the text contained in the control.";
constexpr const char16_t* kDate = u"Returns/sets the current date.";
constexpr const char16_t* kValue = u"Returns/sets the value of an object.";

// _QlmUI's members in vtable order: the table hosts read as type information and Invoke dispatches by.
const std::array<MemberDescription, 37>& Members() {
    static const std::array<MemberDescription, 37> members{
        Method<&_QlmUI::IsValidEmail>(u"IsValidEmail", DISPID_QlmUI_IsValidEmail, nullptr, u"email",
                                      Retval(VT_BOOL)),
        Method<&_QlmUI::AddReader>(u"AddReader", DISPID_QlmUI_AddReader, nullptr, u"reader", Retval()),
        Method<&_QlmUI::GetReaders>(u"GetReaders", DISPID_QlmUI_GetReaders, nullptr, Retval()),
        Method<&_QlmUI::ParseString>(u"ParseString", DISPID_QlmUI_ParseString, nullptr, u"SubStrs", u"SrcStr",
                                     u"Delimiter", Retval()),
        PropertyGet<&_QlmUI::get_UsernameValue>(u"UsernameValue", DISPID_QlmUI_UsernameValue, kText),
        PropertyPut<&_QlmUI::put_UsernameValue>(u"UsernameValue", DISPID_QlmUI_UsernameValue, kText),
        PropertyGet<&_QlmUI::get_PwdValue>(u"PwdValue", DISPID_QlmUI_PwdValue, kText),
        PropertyPut<&_QlmUI::put_PwdValue>(u"PwdValue", DISPID_QlmUI_PwdValue, kText),
        PropertyGet<&_QlmUI::get_NotBeforeValue>(u"NotBeforeValue", DISPID_QlmUI_NotBeforeValue, kDate),
        PropertyPut<&_QlmUI::put_NotBeforeValue>(u"NotBeforeValue", DISPID_QlmUI_NotBeforeValue, kDate),
        PropertyGet<&_QlmUI::get_NotAfterValue>(u"NotAfterValue", DISPID_QlmUI_NotAfterValue, kDate),
        PropertyPut<&_QlmUI::put_NotAfterValue>(u"NotAfterValue", DISPID_QlmUI_NotAfterValue, kDate),
        PropertyGet<&_QlmUI::get_ProxyIEValue>(u"ProxyIEValue", DISPID_QlmUI_ProxyIEValue, kValue, Retval(VT_BOOL)),
        PropertyPut<&_QlmUI::put_ProxyIEValue>(u"ProxyIEValue", DISPID_QlmUI_ProxyIEValue, kValue,
                                               Param(u"value", VT_BOOL)),
        PropertyGet<&_QlmUI::get_ProxyServerValue>(u"ProxyServerValue", DISPID_QlmUI_ProxyServerValue, kText),
        PropertyPut<&_QlmUI::put_ProxyServerValue>(u"ProxyServerValue", DISPID_QlmUI_ProxyServerValue, kText),
        PropertyGet<&_QlmUI::get_ProxyPortValue>(u"ProxyPortValue", DISPID_QlmUI_ProxyPortValue, kText),
        PropertyPut<&_QlmUI::put_ProxyPortValue>(u"ProxyPortValue", DISPID_QlmUI_ProxyPortValue, kText),
        PropertyGet<&_QlmUI::get_RememberMeValue>(u"RememberMeValue", DISPID_QlmUI_RememberMeValue, kValue),
        PropertyPut<&_QlmUI::put_RememberMeValue>(u"RememberMeValue", DISPID_QlmUI_RememberMeValue, kValue),
        PropertyGet<&_QlmUI::get_NotBeforeCheckValue>(u"NotBeforeCheckValue", DISPID_QlmUI_NotBeforeCheckValue,
                                                      kValue),
        PropertyPut<&_QlmUI::put_NotBeforeCheckValue>(u"NotBeforeCheckValue", DISPID_QlmUI_NotBeforeCheckValue,
                                                      kValue),
        PropertyGet<&_QlmUI::get_NotAfterCheckValue>(u"NotAfterCheckValue", DISPID_QlmUI_NotAfterCheckValue,
                                                     kValue),
        PropertyPut<&_QlmUI::put_NotAfterCheckValue>(u"NotAfterCheckValue", DISPID_QlmUI_NotAfterCheckValue,
                                                     kValue),
        PropertyGet<&_QlmUI::get_ReadReceiptValue>(u"ReadReceiptValue", DISPID_QlmUI_ReadReceiptValue, kValue),
        PropertyPut<&_QlmUI::put_ReadReceiptValue>(u"ReadReceiptValue", DISPID_QlmUI_ReadReceiptValue, kValue),
        PropertyGet<&_QlmUI::get_Mode>(u"Mode", DISPID_QlmUI_Mode),
        PropertyPut<&_QlmUI::put_Mode>(u"Mode", DISPID_QlmUI_Mode),
        Method<&_QlmUI::AddUsername>(u"AddUsername", DISPID_QlmUI_AddUsername, nullptr, u"username",
                                     Param(u"fHasPwd", VT_BOOL), Retval()),
        PropertyGet<&_QlmUI::get_ReferenceValue>(u"ReferenceValue", DISPID_QlmUI_ReferenceValue, kText),
        PropertyPut<&_QlmUI::put_ReferenceValue>(u"ReferenceValue", DISPID_QlmUI_ReferenceValue, kText),
        PropertyGet<&_QlmUI::get_TimeNotBeforeValue>(u"TimeNotBeforeValue", DISPID_QlmUI_TimeNotBeforeValue, kDate),
        PropertyPut<&_QlmUI::put_TimeNotBeforeValue>(u"TimeNotBeforeValue", DISPID_QlmUI_TimeNotBeforeValue, kDate),
        PropertyGet<&_QlmUI::get_TimeNotAfterValue>(u"TimeNotAfterValue", DISPID_QlmUI_TimeNotAfterValue, kDate),
        PropertyPut<&_QlmUI::put_TimeNotAfterValue>(u"TimeNotAfterValue", DISPID_QlmUI_TimeNotAfterValue, kDate),
        PropertyGet<&_QlmUI::get_ShowPopUpValue>(u"ShowPopUpValue", DISPID_QlmUI_ShowPopUpValue, kValue),
        PropertyPut<&_QlmUI::put_ShowPopUpValue>(u"ShowPopUpValue", DISPID_QlmUI_ShowPopUpValue, kValue),
    };
    return members;
}

// The library and its types point at one another: they are built together, once.
struct Descriptions {
    TypeLibraryDescription library;
    InterfaceDescription dual;
    InterfaceDescription events;
    std::array<ImplementedInterface, 2> implemented;
    ClassDescription control;
    std::array<const InterfaceDescription*, 2> interfaces;
    std::array<const ClassDescription*, 1> classes;

    Descriptions() {
        // The platform adds what being dual (or a dispinterface) implies.
        dual = {u"_QlmUI", nullptr, IID__QlmUI, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE, true, Members(), &library};
        events = {u"__QlmUI", nullptr, DIID___QlmUI, TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE, false, {}, &library};
        implemented = {{{&dual, IMPLTYPEFLAG_FDEFAULT}, {&events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}};
        // The control flag alone: hosts place the control; the library does not offer it as creatable.
        control = {u"QlmUI", nullptr, CLSID_QlmUI, TYPEFLAG_FCONTROL, implemented};
        interfaces = {&dual, &events};
        classes = {&control};
        library = {u"Quillmarsh", u"Quillmarsh", LIBID_Quillmarsh, kQuillmarshLibMajor, kQuillmarshLibMinor,
                   kQuillmarshLibLocale, LIBFLAG_FCONTROL, interfaces, classes};
    }
    Descriptions(const Descriptions&) = delete;
    Descriptions& operator=(const Descriptions&) = delete;
};

const Descriptions& All() {
    static const Descriptions all;
    return all;
}

}  // namespace

const TypeLibraryDescription& QuillmarshLibrary() { return All().library; }
const InterfaceDescription& QlmUIInterface() { return All().dual; }

}  // namespace qlmcontrol
