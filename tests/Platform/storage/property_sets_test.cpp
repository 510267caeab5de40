#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "platform/fault_injection.h"
#include "platform/property_set_stream.h"
#include "storage_test_support.h"

namespace {

using platform::storage::ParsePropertySet;
using platform::storage::PropertySet;
using platform::storage::PropertyValue;
using platform::storage::SerializePropertySet;
using storagetest::AttributeNames;
using storagetest::AttributeText;
using storagetest::ComPtr;
using storagetest::Id;
using storagetest::kCreateMode;
using storagetest::kMirrorAttribute;
using storagetest::kOpenMode;
using storagetest::kStreamAttribute;
using storagetest::ReadComments;
using storagetest::ReadValue;
using storagetest::Write;

constexpr DWORD kReadMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr PROPID kCustomShort = 0x1000;

class PropertySets : public testing::Test {
protected:
    void SetUp() override { qlmtest::WriteText(file_, "content"); }
    void TearDown() override { platform::fault::DisarmAll(); }

    ComPtr<IPropertySetStorage> Sets(DWORD mode = kOpenMode) {
        ComPtr<IPropertySetStorage> sets;
        EXPECT_EQ(storagetest::OpenSets(file_, mode, sets), S_OK);
        return sets;
    }
    static ComPtr<IPropertyStorage> Create(IPropertySetStorage* sets, DWORD mode = kCreateMode) {
        ComPtr<IPropertyStorage> props;
        EXPECT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT, mode, props.GetAddressOf()), S_OK);
        return props;
    }
    static ComPtr<IPropertyStorage> Open(IPropertySetStorage* sets, DWORD mode = kOpenMode) {
        ComPtr<IPropertyStorage> props;
        EXPECT_EQ(sets->Open(FMTID_SummaryInformation, mode, props.GetAddressOf()), S_OK);
        return props;
    }
    // A committed set with a Title and the given Comments.
    void WriteSet(const char* comments) {
        auto props = Create(Sets().Get());
        ASSERT_EQ(Write(props.Get(), PIDSI_TITLE, storagetest::Wide(u"title")), S_OK);
        ASSERT_EQ(Write(props.Get(), PIDSI_COMMENTS, storagetest::Ansi(comments)), S_OK);
        ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    }
    PropertySet StoredSet() {
        PropertySet set;
        auto stream = storagetest::Attribute(file_, kStreamAttribute);
        EXPECT_TRUE(stream.has_value());
        if (stream) {
            EXPECT_EQ(ParsePropertySet(*stream, set), S_OK);
        }
        return set;
    }

    qlmtest::TempDir dir_;
    std::filesystem::path file_ = dir_ / "doc.qlm";
};

TEST_F(PropertySets, CommittedValuesReachTheFileAndReadBack) {
    {
        auto props = Create(Sets().Get());
        const PROPSPEC specs[] = {Id(PIDSI_TITLE), Id(PIDSI_COMMENTS), Id(PIDSI_PAGECOUNT), Id(PIDSI_EDITTIME),
                                  Id(kCustomShort)};
        PROPVARIANT values[5] = {storagetest::Wide(u"T\u00EFtle"), storagetest::Ansi("a comment"),
                                 storagetest::Long(-5)};
        values[3].vt = VT_FILETIME;
        values[3].filetime = {0x11223344, 0x01D00000};
        values[4].vt = VT_I2;
        values[4].iVal = -7;
        ASSERT_EQ(props->WriteMultiple(5, specs, values, PID_FIRST_USABLE), S_OK);
        ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    }
    // On the file: the set's stream in its standard form, and the mirror.
    const PropertySet stored = StoredSet();
    EXPECT_EQ(stored.fmtid, FMTID_SummaryInformation);
    EXPECT_EQ(stored.codePage, 65001);
    EXPECT_EQ(stored.osVersion, 0x0002000Au);
    EXPECT_EQ(stored.properties.at(PIDSI_COMMENTS), PropertyValue::Ansi("a comment"));
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), "a comment");
    EXPECT_EQ(qlmtest::ReadBytes(file_), std::vector<std::uint8_t>({'c', 'o', 'n', 't', 'e', 'n', 't'}));

    auto props = Open(Sets(kReadMode).Get(), kReadMode);
    const PROPSPEC specs[] = {Id(PIDSI_TITLE), Id(PIDSI_COMMENTS), Id(PIDSI_PAGECOUNT), Id(PIDSI_EDITTIME),
                              Id(kCustomShort), Id(PIDSI_SUBJECT)};
    PROPVARIANT values[6];
    ASSERT_EQ(props->ReadMultiple(6, specs, values), S_OK);
    EXPECT_EQ(values[0].vt, VT_LPWSTR);
    EXPECT_EQ(std::u16string(values[0].pwszVal), u"T\u00EFtle");
    EXPECT_EQ(values[1].vt, VT_LPSTR);
    EXPECT_STREQ(values[1].pszVal, "a comment");
    EXPECT_EQ(values[2].vt, VT_I4);
    EXPECT_EQ(values[2].lVal, -5);
    EXPECT_EQ(values[3].vt, VT_FILETIME);
    EXPECT_EQ(values[3].filetime.dwLowDateTime, 0x11223344u);
    EXPECT_EQ(values[3].filetime.dwHighDateTime, 0x01D00000u);
    EXPECT_EQ(values[4].vt, VT_I2);
    EXPECT_EQ(values[4].iVal, -7);
    EXPECT_EQ(values[5].vt, VT_EMPTY);  // not in the set
    EXPECT_EQ(FreePropVariantArray(6, values), S_OK);
}

TEST_F(PropertySets, WideCommentsAreMirroredAsUtf8) {
    auto props = Create(Sets().Get());
    ASSERT_EQ(Write(props.Get(), PIDSI_COMMENTS, storagetest::Wide(u"Gr\u00FC\u00DFe")), S_OK);
    ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), "Gr\xC3\xBC\xC3\x9F" "e");
}

TEST_F(PropertySets, CreateReplacesAnExistingSetOnlyWhenAsked) {
    WriteSet("old");
    auto sets = Sets();
    ComPtr<IPropertyStorage> props;
    EXPECT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, 0, kCreateMode & ~STGM_CREATE, props.GetAddressOf()),
              STG_E_FILEALREADYEXISTS);
    EXPECT_FALSE(props);

    props = Create(sets.Get());
    ASSERT_EQ(Write(props.Get(), PIDSI_SUBJECT, storagetest::Ansi("new")), S_OK);
    ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    const PropertySet stored = StoredSet();
    ASSERT_EQ(stored.properties.size(), 1u);
    EXPECT_EQ(stored.properties.at(PIDSI_SUBJECT), PropertyValue::Ansi("new"));
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), std::nullopt);  // no Comments, no mirror
}

struct CreateCase {
    const char* name;
    const FMTID* fmtid;
    DWORD flags;
    DWORD mode;
    HRESULT expected;
};

class PropertySetCreate : public PropertySets, public testing::WithParamInterface<CreateCase> {};

TEST_P(PropertySetCreate, AnswersAsDocumented) {
    const CreateCase& c = GetParam();
    auto sets = Sets();
    IPropertyStorage* props = reinterpret_cast<IPropertyStorage*>(0x1);
    EXPECT_EQ(sets->Create(*c.fmtid, nullptr, c.flags, c.mode, &props), c.expected);
    if (SUCCEEDED(c.expected)) {
        ASSERT_NE(props, nullptr);
        props->Release();
    } else {
        EXPECT_EQ(props, nullptr);
    }
}

// {D5CDD502-2E9C-101B-9397-08002B2CF9AE}: the document summary set, which this platform does not keep.
constexpr FMTID kDocSummary = {0xD5CDD502, 0x2E9C, 0x101B, {0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE}};

const CreateCase kCreates[] = {
    {"Default", &FMTID_SummaryInformation, PROPSETFLAG_DEFAULT, kCreateMode, S_OK},
    {"Ansi", &FMTID_SummaryInformation, PROPSETFLAG_ANSI, kCreateMode, S_OK},
    {"WriteOnlyTransacted", &FMTID_SummaryInformation, 0, STGM_WRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED, S_OK},
    {"NonSimple", &FMTID_SummaryInformation, PROPSETFLAG_NONSIMPLE, kCreateMode, STG_E_INVALIDFLAG},
    {"CaseSensitiveNames", &FMTID_SummaryInformation, PROPSETFLAG_CASE_SENSITIVE, kCreateMode, STG_E_INVALIDFLAG},
    {"NotExclusive", &FMTID_SummaryInformation, 0, STGM_CREATE | STGM_READWRITE | STGM_SHARE_DENY_WRITE,
     STG_E_INVALIDFLAG},
    {"ReadOnly", &FMTID_SummaryInformation, 0, STGM_CREATE | STGM_READ | STGM_SHARE_EXCLUSIVE, STG_E_INVALIDFLAG},
    {"UnknownModeFlag", &FMTID_SummaryInformation, 0, kCreateMode | STGM_DELETEONRELEASE, STG_E_INVALIDFLAG},
    {"OtherSet", &kDocSummary, 0, kCreateMode, STG_E_UNIMPLEMENTEDFUNCTION},
};
INSTANTIATE_TEST_SUITE_P(Table, PropertySetCreate, testing::ValuesIn(kCreates),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PropertySets, OpenTellsAMissingSetFromADamagedOne) {
    auto sets = Sets();
    ComPtr<IPropertyStorage> props;
    EXPECT_EQ(sets->Open(FMTID_SummaryInformation, kOpenMode, props.GetAddressOf()), STG_E_FILENOTFOUND);
    EXPECT_EQ(sets->Open(FMTID_SummaryInformation, kOpenMode | STGM_CREATE, props.GetAddressOf()), STG_E_INVALIDFLAG);
    EXPECT_EQ(sets->Open(kDocSummary, kOpenMode, props.GetAddressOf()), STG_E_UNIMPLEMENTEDFUNCTION);

    storagetest::SetAttribute(file_, kStreamAttribute, {0xFE, 0xFF, 0x00, 0x00, 0x0A});
    EXPECT_EQ(sets->Open(FMTID_SummaryInformation, kOpenMode, props.GetAddressOf()), STG_E_INVALIDHEADER);

    PropertySet other;
    other.fmtid = kDocSummary;
    storagetest::SetAttribute(file_, kStreamAttribute, SerializePropertySet(other));
    EXPECT_EQ(sets->Open(FMTID_SummaryInformation, kOpenMode, props.GetAddressOf()), STG_E_INVALIDHEADER);
    EXPECT_FALSE(props);

    // A damaged set can still be replaced.
    props = Create(sets.Get());
    ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    EXPECT_EQ(StoredSet().fmtid, FMTID_SummaryInformation);
}

TEST_F(PropertySets, ReadOnlyStorageWritesNothing) {
    WriteSet("kept");
    const auto before = storagetest::Attribute(file_, kStreamAttribute);
    auto sets = Sets(kReadMode);
    ComPtr<IPropertyStorage> props;
    EXPECT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, 0, kCreateMode, props.GetAddressOf()), STG_E_ACCESSDENIED);
    EXPECT_EQ(sets->Open(FMTID_SummaryInformation, kOpenMode, props.GetAddressOf()), STG_E_ACCESSDENIED);
    EXPECT_EQ(sets->Delete(FMTID_SummaryInformation), STG_E_ACCESSDENIED);

    props = Open(sets.Get(), kReadMode);
    EXPECT_EQ(Write(props.Get(), PIDSI_COMMENTS, storagetest::Ansi("changed")), STG_E_ACCESSDENIED);
    const PROPSPEC comments = Id(PIDSI_COMMENTS);
    EXPECT_EQ(props->DeleteMultiple(1, &comments), STG_E_ACCESSDENIED);
    EXPECT_EQ(props->Commit(STGC_DEFAULT), S_OK);  // nothing to write
    props = nullptr;
    EXPECT_EQ(storagetest::Attribute(file_, kStreamAttribute), before);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), "kept");
}

TEST_F(PropertySets, ASetIsOpenThroughOnePropertyStorageAtATime) {
    WriteSet("x");
    auto sets = Sets();
    auto first = Open(sets.Get());
    ComPtr<IPropertyStorage> second;
    EXPECT_EQ(sets->Open(FMTID_SummaryInformation, kReadMode, second.GetAddressOf()), STG_E_ACCESSDENIED);
    EXPECT_EQ(sets->Create(FMTID_SummaryInformation, nullptr, 0, kCreateMode, second.GetAddressOf()), STG_E_ACCESSDENIED);
    EXPECT_EQ(sets->Delete(FMTID_SummaryInformation), STG_E_ACCESSDENIED);
    first = nullptr;
    EXPECT_EQ(sets->Open(FMTID_SummaryInformation, kReadMode, second.GetAddressOf()), S_OK);
}

struct WriteCase {
    const char* name;
    PROPSPEC spec;  // written after a valid Subject, in the same call
    PROPVARIANT value;
    HRESULT expected;
};

PROPSPEC Spec(ULONG kind, PROPID id) {
    PROPSPEC spec{};
    spec.ulKind = kind;
    spec.propid = id;
    return spec;
}

PROPVARIANT Typed(VARTYPE vt) {
    PROPVARIANT v{};
    v.vt = vt;
    return v;
}

class PropertySetWriteRefusal : public PropertySets, public testing::WithParamInterface<WriteCase> {};

TEST_P(PropertySetWriteRefusal, WritesNothingOfTheCall) {
    const WriteCase& c = GetParam();
    auto props = Create(Sets().Get());
    const PROPSPEC specs[] = {Id(PIDSI_SUBJECT), c.spec};
    const PROPVARIANT values[] = {storagetest::Ansi("valid"), c.value};
    EXPECT_EQ(props->WriteMultiple(2, specs, values, PID_FIRST_USABLE), c.expected);
    ReadValue subject;
    storagetest::Read(props.Get(), PIDSI_SUBJECT, subject);
    EXPECT_EQ(subject.hr, S_FALSE);
    EXPECT_EQ(subject.value.vt, VT_EMPTY);
}

const WriteCase kWriteRefusals[] = {
    {"Double", Id(PIDSI_TITLE), Typed(VT_R8), STG_E_INVALIDPARAMETER},
    {"Bstr", Id(PIDSI_TITLE), Typed(VT_BSTR), STG_E_INVALIDPARAMETER},
    {"Empty", Id(PIDSI_TITLE), Typed(VT_EMPTY), STG_E_INVALIDPARAMETER},
    {"Vector", Id(PIDSI_TITLE), Typed(VT_VECTOR | VT_LPSTR), STG_E_INVALIDPARAMETER},
    {"Dictionary", Id(PID_DICTIONARY), storagetest::Long(1), STG_E_INVALIDPARAMETER},
    {"CodePage", Id(PID_CODEPAGE), Typed(VT_I2), STG_E_INVALIDPARAMETER},
    {"ReadOnlyRange", Id(PID_LOCALE), storagetest::Long(1033), STG_E_INVALIDPARAMETER},
    {"ByName", Spec(PRSPEC_LPWSTR, 0), storagetest::Long(1), STG_E_UNIMPLEMENTEDFUNCTION},
    {"UnknownKind", Spec(7, PIDSI_TITLE), storagetest::Long(1), STG_E_INVALIDPARAMETER},
};
INSTANTIATE_TEST_SUITE_P(Table, PropertySetWriteRefusal, testing::ValuesIn(kWriteRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PropertySets, WriteMultipleChecksItsArguments) {
    auto props = Create(Sets().Get());
    const PROPSPEC spec = Id(PIDSI_TITLE);
    const PROPVARIANT value = storagetest::Ansi("t");
    EXPECT_EQ(props->WriteMultiple(1, &spec, &value, PID_CODEPAGE), STG_E_INVALIDPARAMETER);
    EXPECT_EQ(props->WriteMultiple(1, &spec, &value, PID_MIN_READONLY), STG_E_INVALIDPARAMETER);
    EXPECT_EQ(props->WriteMultiple(1, nullptr, &value, PID_FIRST_USABLE), STG_E_INVALIDPOINTER);
    EXPECT_EQ(props->WriteMultiple(0, nullptr, nullptr, PID_FIRST_USABLE), S_OK);
    // A null string is the empty one.
    const PROPVARIANT nullText = storagetest::Ansi(nullptr);
    EXPECT_EQ(props->WriteMultiple(1, &spec, &nullText, PID_FIRST_USABLE), S_OK);
    ReadValue title;
    storagetest::Read(props.Get(), PIDSI_TITLE, title);
    ASSERT_EQ(title.value.vt, VT_LPSTR);
    EXPECT_STREQ(title.value.pszVal, "");
}

TEST_F(PropertySets, ReadMultipleAnswersForWhatIsThereAndRefusesWhatItCannotGive) {
    WriteSet("c");
    auto props = Open(Sets().Get());
    const PROPSPEC absent[] = {Id(PIDSI_AUTHOR), Id(PIDSI_KEYWORDS)};
    PROPVARIANT values[2];
    values[0].vt = VT_I4;  // whatever was there is overwritten
    EXPECT_EQ(props->ReadMultiple(2, absent, values), S_FALSE);
    EXPECT_EQ(values[0].vt, VT_EMPTY);
    EXPECT_EQ(values[1].vt, VT_EMPTY);

    ReadValue codePage;
    storagetest::Read(props.Get(), PID_CODEPAGE, codePage);
    EXPECT_EQ(codePage.hr, S_OK);
    ASSERT_EQ(codePage.value.vt, VT_I2);
    EXPECT_EQ(static_cast<USHORT>(codePage.value.iVal), 65001);

    ReadValue dictionary;
    storagetest::Read(props.Get(), PID_DICTIONARY, dictionary);
    EXPECT_EQ(dictionary.hr, STG_E_INVALIDPARAMETER);
    const PROPSPEC byName = Spec(PRSPEC_LPWSTR, 0);
    EXPECT_EQ(props->ReadMultiple(1, &byName, values), STG_E_UNIMPLEMENTEDFUNCTION);
    EXPECT_EQ(props->ReadMultiple(1, nullptr, values), STG_E_INVALIDPOINTER);
}

TEST_F(PropertySets, ReadMultipleThatRunsOutOfMemoryHandsBackNothing) {
    WriteSet("comments");
    auto props = Open(Sets().Get());
    const PROPSPEC specs[] = {Id(PIDSI_COMMENTS), Id(PIDSI_TITLE)};
    PROPVARIANT values[2];
    platform::fault::Scoped noMemory("CoTaskMemAlloc", ERROR_NOT_ENOUGH_MEMORY, 2);  // the second string
    EXPECT_EQ(props->ReadMultiple(2, specs, values), STG_E_INSUFFICIENTMEMORY);
    EXPECT_EQ(values[0].vt, VT_EMPTY);  // the first copy is freed again (the leak check shows it)
    EXPECT_EQ(values[1].vt, VT_EMPTY);
}

TEST_F(PropertySets, ASetWrittenElsewhereKeepsItsCodePageAndItsOtherValues) {
    PropertySet foreign;
    foreign.fmtid = FMTID_SummaryInformation;
    foreign.osVersion = 0x00020601;
    foreign.codePage = 1200;
    foreign.properties[PIDSI_COMMENTS] = PropertyValue::Ansi("\xC3\xA9t\xC3\xA9");
    PropertyValue real;  // VT_R8 1.0, as found
    real.type = VT_R8;
    real.kept = {0x05, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    foreign.properties[PIDSI_PAGECOUNT] = real;
    storagetest::SetAttribute(file_, kStreamAttribute, SerializePropertySet(foreign));

    {
        auto props = Open(Sets().Get());
        EXPECT_EQ(ReadComments(props.Get()), "\xC3\xA9t\xC3\xA9");
        ReadValue pages;
        storagetest::Read(props.Get(), PIDSI_PAGECOUNT, pages);
        EXPECT_EQ(pages.hr, STG_E_UNIMPLEMENTEDFUNCTION);
        EXPECT_EQ(pages.value.vt, VT_EMPTY);
        STATPROPSETSTG stat;
        ASSERT_EQ(props->Stat(&stat), S_OK);
        EXPECT_EQ(stat.grfFlags, static_cast<DWORD>(PROPSETFLAG_DEFAULT));  // a Unicode set
        EXPECT_EQ(stat.dwOSVersion, 0x00020601u);

        ASSERT_EQ(Write(props.Get(), PIDSI_TITLE, storagetest::Ansi("added")), S_OK);
        ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    }
    PropertySet expected = foreign;
    expected.properties[PIDSI_TITLE] = PropertyValue::Ansi("added");
    EXPECT_EQ(StoredSet(), expected);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), "\xC3\xA9t\xC3\xA9");
}

TEST_F(PropertySets, StatReportsTheSet) {
    const CLSID clsid = {0xAABBCCDD, 0x1122, 0x3344, {1, 2, 3, 4, 5, 6, 7, 8}};
    auto sets = Sets();
    ComPtr<IPropertyStorage> props;
    ASSERT_EQ(sets->Create(FMTID_SummaryInformation, &clsid, PROPSETFLAG_DEFAULT, kCreateMode, props.GetAddressOf()), S_OK);
    STATPROPSETSTG stat;
    std::memset(&stat, 0xCC, sizeof(stat));
    ASSERT_EQ(props->Stat(&stat), S_OK);
    EXPECT_EQ(stat.fmtid, FMTID_SummaryInformation);
    EXPECT_EQ(stat.clsid, clsid);
    EXPECT_EQ(stat.grfFlags, static_cast<DWORD>(PROPSETFLAG_ANSI));  // code page 65001 is not Unicode's 1200
    EXPECT_EQ(stat.dwOSVersion, 0x0002000Au);
    EXPECT_EQ(stat.mtime.dwLowDateTime | stat.mtime.dwHighDateTime, 0u);
    EXPECT_EQ(props->Stat(nullptr), STG_E_INVALIDPOINTER);
    ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    EXPECT_EQ(StoredSet().clsid, clsid);
}

// ---- When writes reach the file ----------------------------------------------------------------

struct EndingCase {
    const char* name;
    DWORD mode;
    std::function<void(IPropertyStorage*)> end;  // after the Comments "text" is written
    bool setOnFile;
    std::optional<std::string> mirror;
};

class PropertySetEnding : public PropertySets, public testing::WithParamInterface<EndingCase> {};

TEST_P(PropertySetEnding, WritesWhatTheModeSays) {
    const EndingCase& c = GetParam();
    {
        auto props = Create(Sets().Get(), c.mode);
        ASSERT_EQ(Write(props.Get(), PIDSI_COMMENTS, storagetest::Ansi("text")), S_OK);
        c.end(props.Get());
    }
    EXPECT_EQ(storagetest::Attribute(file_, kStreamAttribute).has_value(), c.setOnFile);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), c.mirror);
}

const EndingCase kEndings[] = {
    {"DirectCommit", kCreateMode, [](IPropertyStorage* p) { EXPECT_EQ(p->Commit(STGC_DEFAULT), S_OK); }, true, "text"},
    {"DirectReleaseWrites", kCreateMode, [](IPropertyStorage*) {}, true, "text"},
    // The new set itself stays: Revert drops only the writes since.
    {"DirectRevertKeepsTheNewSet", kCreateMode, [](IPropertyStorage* p) { EXPECT_EQ(p->Revert(), S_OK); }, true,
     std::nullopt},
    {"TransactedCommit", kCreateMode | STGM_TRANSACTED,
     [](IPropertyStorage* p) { EXPECT_EQ(p->Commit(STGC_DEFAULT), S_OK); }, true, "text"},
    {"TransactedReleaseDrops", kCreateMode | STGM_TRANSACTED, [](IPropertyStorage*) {}, false, std::nullopt},
    {"BadCommitFlag", kCreateMode | STGM_TRANSACTED,
     [](IPropertyStorage* p) { EXPECT_EQ(p->Commit(0x10), STG_E_INVALIDFLAG); }, false, std::nullopt},
};
INSTANTIATE_TEST_SUITE_P(Table, PropertySetEnding, testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.name); });

struct CommitFailure {
    const char* name;
    bool previousSet;
    const char* point;
    int error;
    unsigned nth;
    HRESULT expected;
};

class PropertySetCommitFailure : public PropertySets, public testing::WithParamInterface<CommitFailure> {};

TEST_P(PropertySetCommitFailure, LeavesTheAttributesAsTheyWere) {
    const CommitFailure& c = GetParam();
    if (c.previousSet) WriteSet("old");
    const auto streamBefore = storagetest::Attribute(file_, kStreamAttribute);
    const auto mirrorBefore = AttributeText(file_, kMirrorAttribute);

    auto props = Create(Sets().Get(), kCreateMode | STGM_TRANSACTED);  // transacted: Release adds nothing
    ASSERT_EQ(Write(props.Get(), PIDSI_COMMENTS, storagetest::Ansi("new")), S_OK);
    platform::fault::Arm(c.point, static_cast<DWORD>(c.error), c.nth);
    EXPECT_EQ(props->Commit(STGC_DEFAULT), c.expected);
    platform::fault::DisarmAll();

    EXPECT_EQ(storagetest::Attribute(file_, kStreamAttribute), streamBefore);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), mirrorBefore);
    EXPECT_EQ(qlmtest::ReadBytes(file_), std::vector<std::uint8_t>({'c', 'o', 'n', 't', 'e', 'n', 't'}));
    // The writes are still there for a second try.
    EXPECT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), "new");
}

const HRESULT kNoAttributes = HRESULT_FROM_WIN32(ERROR_EAS_NOT_SUPPORTED);

const CommitFailure kCommitFailures[] = {
    {"StreamRefused", false, "sys:fsetxattr", ENOTSUP, 1, kNoAttributes},
    {"MirrorRefusedNewStreamRemoved", false, "sys:fsetxattr", ENOTSUP, 2, kNoAttributes},
    {"StreamRefusedOverOldSet", true, "sys:fsetxattr", ENOTSUP, 1, kNoAttributes},
    {"MirrorRefusedOldStreamBack", true, "sys:fsetxattr", ENOSPC, 2, STG_E_MEDIUMFULL},
    {"MediumFull", true, "sys:fsetxattr", ENOSPC, 1, STG_E_MEDIUMFULL},
    {"OldStreamUnreadable", true, "sys:fgetxattr", EIO, 1, STG_E_READFAULT},
    {"ValueTooLarge", false, "sys:fsetxattr", E2BIG, 1, STG_E_MEDIUMFULL},
    {"Injected", true, "IPropertyStorage::Commit", ERROR_WRITE_FAULT, 1, HRESULT_FROM_WIN32(ERROR_WRITE_FAULT)},
};
INSTANTIATE_TEST_SUITE_P(Table, PropertySetCommitFailure, testing::ValuesIn(kCommitFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Deleting ----------------------------------------------------------------------------------

TEST_F(PropertySets, DeleteMultipleRemovesCommentsAndTheirMirror) {
    WriteSet("gone soon");
    auto props = Open(Sets().Get());
    const PROPSPEC specs[] = {Id(PIDSI_COMMENTS), Id(PIDSI_AUTHOR) /* absent: fine */};
    EXPECT_EQ(props->DeleteMultiple(2, specs), S_OK);
    const PROPSPEC codePage = Id(PID_CODEPAGE);
    EXPECT_EQ(props->DeleteMultiple(1, &codePage), STG_E_INVALIDPARAMETER);
    ASSERT_EQ(props->Commit(STGC_DEFAULT), S_OK);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), std::nullopt);
    EXPECT_EQ(StoredSet().properties.count(PIDSI_COMMENTS), 0u);
    EXPECT_EQ(StoredSet().properties.count(PIDSI_TITLE), 1u);
}

TEST_F(PropertySets, DeleteRemovesTheSetAndItsMirror) {
    storagetest::SetAttribute(file_, "user.other", {'x'});
    WriteSet("c");
    auto sets = Sets();
    EXPECT_EQ(sets->Delete(kDocSummary), STG_E_UNIMPLEMENTEDFUNCTION);
    EXPECT_EQ(sets->Delete(FMTID_SummaryInformation), S_OK);
    EXPECT_EQ(AttributeNames(file_), std::vector<std::string>{"user.other"});
    EXPECT_EQ(sets->Delete(FMTID_SummaryInformation), STG_E_FILENOTFOUND);
}

TEST_F(PropertySets, DeleteThatCannotRemoveTheStreamPutsTheMirrorBack) {
    WriteSet("c");
    auto sets = Sets();
    platform::fault::Scoped failing("sys:fremovexattr", EIO, 2);  // the mirror goes, the stream does not
    EXPECT_EQ(sets->Delete(FMTID_SummaryInformation), STG_E_WRITEFAULT);
    EXPECT_EQ(AttributeText(file_, kMirrorAttribute), "c");
    EXPECT_TRUE(storagetest::Attribute(file_, kStreamAttribute).has_value());
}

}  // namespace
