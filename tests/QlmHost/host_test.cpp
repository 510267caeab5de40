// QlmHost against the fake control: the life it leads the control through, typed puts and gets by
// the type information, method calls with arguments by reference, a person's gestures, saving and
// loading the bag file, and every failure with its message, its exit code and the bag file unchanged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "ControlHost.h"
#include "fake_control.h"
#include "host_fixture.h"

namespace qlmhost::test {
namespace {

using testing::HasSubstr;
using testing::Not;

std::string ReadText(const std::filesystem::path& file) {
    const auto bytes = qlmtest::ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

using HostLife = FakeControlTest;

TEST_F(HostLife, ANewControlIsCreatedSitedInitialisedShownAndPaintedBeforeTheActions) {
    const HostRun run = Host({"--get", "Log", "--paint", "--redisplay", "--get", "Log"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.out,
              "Log=created,site,initnew,shown,painted\n"
              "Log=created,site,initnew,shown,painted,painted,shown\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(HostLife, ABagIsLoadedInPlaceOfInitNew) {
    qlmtest::WriteText(dir_ / "bag.json", R"({"Name": {"type": "string", "value": "ann@example.com"}})");
    const HostRun run = Host({"--bag", (dir_ / "bag.json").string(), "--get", "Log", "--get", "Name"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.out, "Log=created,site,load,shown,painted\nName=ann@example.com\n");
}

TEST_F(HostLife, NewWinsOverTheBagWhichNeedNotExist) {
    const auto bag = dir_ / "new.json";
    const HostRun run = Host({"--bag", bag.string(), "--new", "--get", "Log"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.out, "Log=created,site,initnew,shown,painted\n");
    EXPECT_FALSE(std::filesystem::exists(bag));
}

TEST_F(HostLife, VerboseShowsTheStepsAndThePropertyChangesButNotAPersonsTyping) {
    const HostRun run = Host({"--verbose", "--set", "Name=a", "--gesture", "NameBox:type:b", "--get", "Name"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_THAT(run.out, HasSubstr("[created {85B2F03A-F417-483F-B08F-84F08A37DD70} from " QLM_FAKE_CONTROL "]\n"
                                   "[initialised as new]\n[shown]\n[painted]\n[changed Name]\n"
                                   "[gesture type on NameBox]\nName=ab\n"));
}

// ---- Properties --------------------------------------------------------------------------------------

TEST_F(HostLife, PutsConvertTheTextToThePropertysType) {
    struct Case {
        const char* set;
        const char* get;
        const char* printed;
    };
    const Case cases[] = {
        {"Count=2", "Count", "Count=2\n"},
        {"Flag=False", "Flag", "Flag=False\n"},
        {"Flag=-1", "Flag", "Flag=True\n"},
        {"Mode=-5", "Mode", "Mode=-5\n"},
        {"When=2008-07-18T13:45:00", "When", "When=2008-07-18T13:45:00\n"},
        {"When=10/29/2008", "When", "When=2008-10-29T00:00:00\n"},
        {"Name=Zoë = ann", "Name", "Name=Zoë = ann\n"},
        {"Name=", "Name", "Name=\n"},
    };
    for (const Case& c : cases) {
        const HostRun run = Host({"--set", c.set, "--get", c.get});
        EXPECT_EQ(run.code, kExitSuccess) << c.set << ": " << run.err;
        EXPECT_EQ(run.out, c.printed) << c.set;
    }
}

TEST_F(HostLife, AFailedPutStopsTheRunWithTheControlsDescription) {
    struct Case {
        const char* set;
        const char* message;
    };
    const Case cases[] = {
        // The control refuses the value.
        {"Count=5", "QlmHost: --set Count=5: Invalid property value (0x800A017C)\n"},
        {"When=soon", "QlmHost: --set When=soon: Type mismatch (0x800A000D)\n"},
        {"When=1500-01-01", "QlmHost: --set When=1500-01-01: Invalid property value (0x800A017C)\n"},
        // The text is no value of the property's type.
        {"Count=abc", "QlmHost: --set Count=abc: cannot convert \"abc\" to the property's type short: Type mismatch"},
        {"Count=40000", "QlmHost: --set Count=40000: cannot convert \"40000\" to the property's type short: Overflow"},
        // No such member.
        {"Nope=1", "QlmHost: --set Nope=1: the control has no member \"Nope\": Unknown name"},
    };
    for (const Case& c : cases) {
        const HostRun run = Host({"--set", c.set, "--get", "Log"});
        EXPECT_EQ(run.code, kExitFailure) << c.set;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(run.out, "") << "nothing after the failure runs";
    }
}

TEST_F(HostLife, AnActionThatFailsBeforeTheSaveLeavesTheBagUnchanged) {
    const auto bag = dir_ / "bag.json";
    const std::string contents = R"({"Name": {"type": "string", "value": "old"}})";
    qlmtest::WriteText(bag, contents);
    const HostRun run = Host({"--bag", bag.string(), "--set", "Name=new", "--set", "Count=9", "--save"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_EQ(ReadText(bag), contents);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"bag.json"});
}

TEST_F(HostLife, GetOfAnUnknownPropertyFails) {
    const HostRun run = Host({"--get", "Colour"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("--get Colour: the control has no member \"Colour\""));
}

// ---- Methods -----------------------------------------------------------------------------------------

TEST_F(HostLife, MethodsPrintTheirResultAndTheArgumentsTheyChanged) {
    struct Case {
        const char* call;
        const char* printed;
    };
    const Case cases[] = {
        // An argument by reference comes back changed; an empty result prints nothing.
        {"Upper(\"ann@b.c\")", "text=ANN@B.C\n"},
        {"Split([], \"a,b,c\")", "Split=3\nparts=[\"\", \"a\", \"b\", \"c\"]\n"},
        {"Split([\"old\"], \"\")", "Split=0\nparts=[\"\"]\n"},
        // An argument the method leaves as it was is not printed.
        {"IsGood(\"x@y\")", "IsGood=True\n"},
        {"IsGood(\"xy\")", "IsGood=False\n"},
        // A number or a truth value goes where the method wants text.
        {"IsGood(12)", "IsGood=False\n"},
    };
    for (const Case& c : cases) {
        const HostRun run = Host({"--call", c.call});
        EXPECT_EQ(run.code, kExitSuccess) << c.call << ": " << run.err;
        EXPECT_EQ(run.out, c.printed) << c.call;
    }
}

TEST_F(HostLife, AWrongCallNamesWhatIsWrong) {
    struct Case {
        const char* call;
        const char* message;
    };
    const Case cases[] = {
        {"Upper(\"a\", \"b\")", "Upper takes 1 argument, not 2"},
        {"Split(\"x\", \"y\")", "argument 1 (parts) must be SAFEARRAY of BSTR"},
        {"Split([], [\"y\"])", "argument 2 (text) must be BSTR"},
        {"Launch()", "the control has no member \"Launch\""},
    };
    for (const Case& c : cases) {
        const HostRun run = Host({"--call", c.call});
        EXPECT_EQ(run.code, kExitFailure) << c.call;
        EXPECT_THAT(run.err, HasSubstr(c.message)) << c.call;
    }
}

TEST_F(HostLife, WithoutTypeInformationValuesGoAsTextAndTheControlConverts) {
    struct NoTypeInfo {
        NoTypeInfo() { setenv("FAKE_CONTROL_NO_TYPEINFO", "1", 1); }
        ~NoTypeInfo() { unsetenv("FAKE_CONTROL_NO_TYPEINFO"); }
    } noTypeInfo;
    HostRun run = Host({"--set", "Count=2", "--set", "Flag=False", "--get", "Count", "--get", "Flag", "--call",
                        "Split([], \"a,b\")", "--call", "Upper(\"abc\")"});
    // By value, a method's change to its argument does not come back.
    EXPECT_EQ(run.out, "Count=2\nFlag=False\nSplit=2\n");
    EXPECT_EQ(run.code, kExitSuccess) << run.err;
    run = Host({"--set", "Count=abc"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("--set Count=abc: Type mismatch (0x80020005) at argument 1"));
}

// ---- A person's gestures -----------------------------------------------------------------------------

TEST_F(HostLife, GesturesActAsAPersonAndThePageShowsTheResult) {
    const HostRun run = Host({"--gesture", "NameBox:type:ann", "--gesture", "AddButton:click", "--focused", "--show",
                              "--get", "Log"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.out,
              "Focused=AddButton\n"
              "TextBox NameBox ann\nCommandButton AddButton Add\nCommandButton Locked Locked disabled\n"
              "Log=created,site,initnew,shown,painted,clicked\n");
}

TEST_F(HostLife, AGestureThatCannotBeDoneFailsTheRun) {
    HostRun run = Host({"--gesture", "Locked:click", "--get", "Log"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("--gesture Locked:click: a person cannot reach \"Locked\""));
    EXPECT_EQ(run.out, "");

    run = Host({"--gesture", "Chimney:click"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("no control Chimney takes click (0x80070057)"));
}

// ---- Saving and loading ------------------------------------------------------------------------------

TEST_F(HostLife, SaveWritesWhatTheControlWroteAndALaterRunLoadsItBack) {
    const auto bag = dir_ / "job.json";
    HostRun run = Host({"--bag", bag.string(), "--new", "--set", "Name=ann", "--set", "Count=1", "--set",
                        "When=2009-01-02T03:04:05", "--set", "Flag=False", "--set", "Mode=1", "--save"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(ReadText(bag),
              "{\n"
              "  \"Name\": {\n    \"type\": \"string\",\n    \"value\": \"ann\"\n  },\n"
              "  \"Count\": {\n    \"type\": \"i2\",\n    \"value\": 1\n  },\n"
              "  \"When\": {\n    \"type\": \"date\",\n    \"value\": \"2009-01-02T03:04:05\"\n  },\n"
              "  \"Flag\": {\n    \"type\": \"bool\",\n    \"value\": false\n  },\n"
              "  \"Mode\": {\n    \"type\": \"i4\",\n    \"value\": 1\n  }\n"
              "}\n");

    run = Host({"--bag", bag.string(), "--get", "Name", "--get", "Count", "--get", "When", "--get", "Flag", "--get",
                "Mode", "--out", (dir_ / "copy.json").string()});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.out, "Name=ann\nCount=1\nWhen=2009-01-02T03:04:05\nFlag=False\nMode=1\n");
    EXPECT_EQ(ReadText(dir_ / "copy.json"), ReadText(bag));
}

TEST_F(HostLife, ANewControlSavesAnEmptyBag) {
    const HostRun run = Host({"--out", (dir_ / "empty.json").string()});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(ReadText(dir_ / "empty.json"), "{}\n");
}

TEST_F(HostLife, SavesHappenInTheirPlaceAmongTheActions) {
    const HostRun run = Host({"--set", "Name=first", "--out", (dir_ / "a.json").string(), "--set", "Name=second",
                              "--out", (dir_ / "b.json").string()});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_THAT(ReadText(dir_ / "a.json"), HasSubstr("\"first\""));
    EXPECT_THAT(ReadText(dir_ / "b.json"), HasSubstr("\"second\""));
}

struct BadBag {
    const char* name;
    const char* contents;
    const char* message;
};

class HostBadBag : public FakeControlTest, public testing::WithParamInterface<BadBag> {};

TEST_P(HostBadBag, FailsNamingTheKeyAndLeavesTheFileUnchanged) {
    const auto bag = dir_ / "bag.json";
    qlmtest::WriteText(bag, GetParam().contents);
    const HostRun run = Host({"--bag", bag.string(), "--set", "Name=changed", "--save"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("QlmHost: cannot load \"" + bag.string() + "\": " + GetParam().message));
    EXPECT_EQ(ReadText(bag), GetParam().contents);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"bag.json"});
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, HostBadBag,
    testing::Values(
        BadBag{"NotJson", "{\"Name\": ", "not JSON"},
        BadBag{"TextUnderANumber", R"({"Count": {"type": "string", "value": "abc"}})",
               "key \"Count\": Type mismatch (0x800A000D)"},
        BadBag{"RefusedValue", R"({"Name": {"type": "string", "value": "x"}, "Count": {"type": "i2", "value": 5}})",
               "key \"Count\": Invalid property value (0x800A017C)"},
        BadBag{"DateBeforeThePicker", R"({"When": {"type": "date", "value": "1500-01-01"}})",
               "key \"When\": Invalid property value (0x800A017C)"},
        BadBag{"DateOutOfRange", R"({"When": {"type": "date", "value": "0050-01-01"}})",
               "key \"When\": date out of range"},
        BadBag{"NullText", R"({"Name": {"type": "null"}})", "key \"Name\": Invalid use of Null (0x800A005E)"},
        BadBag{"WrongTypeInFile", R"({"Mode": {"type": "i4", "value": "one"}})", "key \"Mode\": an i4 value"},
        BadBag{"UnknownKey", R"({"Name": {"type": "string", "value": "x"}, "Colour": {"type": "i4", "value": 1}})",
               "the control does not know the key \"Colour\""},
        BadBag{"UnknownKeys", R"({"A": {"type": "null"}, "B": {"type": "null"}})",
               "the control does not know the keys \"A\", \"B\""}),
    [](const testing::TestParamInfo<BadBag>& info) { return info.param.name; });

TEST_F(HostLife, AMissingBagFailsUnlessTheControlIsNew) {
    const auto bag = dir_ / "missing.json";
    const HostRun run = Host({"--bag", bag.string(), "--get", "Log"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("QlmHost: cannot open \"" + bag.string() + "\": "));
    EXPECT_EQ(run.out, "");
}

TEST_F(HostLife, AFailedSaveStopsTheRunAfterWhatWasDoneBeforeIt) {
    const auto bag = dir_ / "bag.json";
    qlmtest::WriteText(bag, R"({"Name": {"type": "string", "value": "old"}})");
    const HostRun run = Host({"--bag", bag.string(), "--set", "Name=new", "--save", "--out",
                              (dir_ / "no" / "such" / "folder.json").string(), "--get", "Name"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("--out"));
    EXPECT_THAT(ReadText(bag), HasSubstr("\"new\""));  // the --save before the failure happened
    EXPECT_EQ(run.out, "");
}

TEST_F(HostLife, WithoutARegisteredControlTheHostSaysSo) {
    // An entry without a server: the build tree's registration of the real control must not stand in.
    ASSERT_EQ(platform::com::WriteRegistryEntry(platform::com::RegistryKind::Class, CLSID_QlmUI, {{"ProgID", "none"}}),
              S_OK);
    const HostRun run = Host({"--get", "Log"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_THAT(run.err, HasSubstr("cannot create the control {85B2F03A-F417-483F-B08F-84F08A37DD70}"));
    EXPECT_THAT(run.err, HasSubstr("qlmregsvr"));
}

// ---- The binary --------------------------------------------------------------------------------------

using HostProgramTest = FakeControlTest;

TEST_F(HostProgramTest, ExitCodesAndWhereMessagesGo) {
    HostRun run = HostProgram({"--help"});
    EXPECT_EQ(run.code, kExitSuccess);
    EXPECT_THAT(run.out, HasSubstr("Usage: QlmHost"));

    run = HostProgram({"--bogus"});
    EXPECT_EQ(run.code, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "QlmHost: unknown option \"--bogus\"\nTry 'QlmHost --help'.\n");

    run = HostProgram({"--set", "Count=9"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_EQ(run.err, "QlmHost: --set Count=9: Invalid property value (0x800A017C)\n");
}

TEST_F(HostProgramTest, AValueSavedByOneProcessIsReadByTheNext) {
    const auto bag = (dir_ / "job.json").string();
    HostRun run = HostProgram({"--bag", bag, "--new", "--gesture", "NameBox:type:ann@example.com", "--save"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    run = HostProgram({"--bag", bag, "--get", "Name"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.out, "Name=ann@example.com\n");
}

}  // namespace
}  // namespace qlmhost::test
