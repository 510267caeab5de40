// QlmHost's command line: options in order, their values, the method-call syntax, and the mistakes that
// stop the program before it creates anything.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "MethodCall.h"

namespace qlmhost {
namespace {

using testing::HasSubstr;

std::optional<HostOptions> Parse(std::vector<std::string> arguments, std::string* whyOut = nullptr) {
    std::string why;
    auto options = ParseCommandLine(arguments, why);
    if (whyOut) *whyOut = why;
    return options;
}

TEST(CommandLine, ActionsKeepTheOrderGivenWithTheirValues) {
    const auto options = Parse({"--bag", "job.json", "--verbose", "--set", "Mode=1", "--gesture",
                                "Readers:type:a@b.c, d@e.f", "--get=UsernameValue", "--call",
                                "AddReader(\"x@y.z\")", "--readers", "--show", "--focused", "--paint",
                                "--redisplay", "--save", "--out", "copy.json", "--set=UsernameValue=a=b"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->bag, std::filesystem::path("job.json"));
    EXPECT_FALSE(options->initNew);
    EXPECT_TRUE(options->verbose);
    const std::vector<ActionKind> kinds = {ActionKind::Set,     ActionKind::Gesture, ActionKind::Get,
                                           ActionKind::Call,    ActionKind::Readers, ActionKind::Show,
                                           ActionKind::Focused, ActionKind::Paint,   ActionKind::Redisplay,
                                           ActionKind::Save,    ActionKind::SaveAs,  ActionKind::Set};
    ASSERT_EQ(options->actions.size(), kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(options->actions[i].kind, kinds[i]) << i;

    const auto& a = options->actions;
    EXPECT_EQ(a[0].name, u"Mode");
    EXPECT_EQ(a[0].value, u"1");
    EXPECT_EQ(a[0].option, "--set Mode=1");
    EXPECT_EQ(a[1].control, u"Readers");
    EXPECT_EQ(a[1].gesture, u"type");
    EXPECT_EQ(a[1].argument, u"a@b.c, d@e.f");
    EXPECT_EQ(a[2].name, u"UsernameValue");
    EXPECT_EQ(a[3].call.name, u"AddReader");
    EXPECT_EQ(a[10].file, std::filesystem::path("copy.json"));
    // Only the first "=" separates the name from the value.
    EXPECT_EQ(a[11].name, u"UsernameValue");
    EXPECT_EQ(a[11].value, u"a=b");
}

TEST(CommandLine, GesturesSplitAtTheFirstTwoColonsOnly) {
    struct Case {
        const char* text;
        const char16_t* control;
        const char16_t* gesture;
        const char16_t* argument;
    };
    const Case cases[] = {
        {"AddButton:click", u"AddButton", u"click", u""},
        {"DTPickerNotBefore:editdate:2008-07-18T13:45:00", u"DTPickerNotBefore", u"editdate", u"2008-07-18T13:45:00"},
        {"Readers:type:", u"Readers", u"type", u""},
        {"Readers:type::", u"Readers", u"type", u":"},
        {"presstab", u"", u"presstab", u""},
        {":presstab", u"", u"presstab", u""},
    };
    for (const Case& c : cases) {
        const auto options = Parse({"--gesture", c.text});
        ASSERT_TRUE(options) << c.text;
        ASSERT_EQ(options->actions.size(), 1u);
        const Action& action = options->actions[0];
        EXPECT_EQ(action.control, c.control) << c.text;
        EXPECT_EQ(action.gesture, c.gesture) << c.text;
        EXPECT_EQ(action.argument, c.argument) << c.text;
    }
}

TEST(CommandLine, SetupAloneIsEnough) {
    auto options = Parse({});
    ASSERT_TRUE(options);
    EXPECT_FALSE(options->bag);
    EXPECT_TRUE(options->actions.empty());

    options = Parse({"--new", "--bag=job.json"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->initNew);
    EXPECT_EQ(options->bag, std::filesystem::path("job.json"));
}

TEST(CommandLine, MistakesAreRefusedNamingTheArgument) {
    struct Case {
        std::vector<std::string> arguments;
        const char* mention;
    };
    const Case cases[] = {
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"-x"}, "unknown option \"-x\""},
        {{"job.json"}, "unexpected argument \"job.json\""},
        {{"--bag"}, "--bag needs a value"},
        {{"--bag="}, "--bag needs a file name"},
        {{"--out", ""}, "--out needs a file name"},
        {{"--set", "Mode"}, "--set needs NAME=VALUE"},
        {{"--set", "=1"}, "--set needs NAME=VALUE"},
        {{"--get", ""}, "--get needs a property name"},
        {{"--gesture", "Readers:"}, "--gesture needs CONTROL:GESTURE"},
        {{"--gesture", ""}, "--gesture needs CONTROL:GESTURE"},
        {{"--readers=1"}, "--readers takes no value"},
        {{"--call", "AddReader(\"x"}, "--call: expected a closing"},
        {{"--save"}, "--save writes the --bag file"},
        {{"--set", "UsernameValue=\xff"}, "--set: the value is not UTF-8"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(Parse(c.arguments, &why)) << c.mention;
        EXPECT_THAT(why, HasSubstr(c.mention));
    }
}

TEST(CommandLine, HelpWinsOverEverythingElseThatIsUnderstood) {
    const auto options = Parse({"--save", "--help"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
    const std::string usage = UsageText();
    for (const char* option : {"--bag", "--new", "--verbose", "--set", "--get", "--call", "--gesture", "--readers",
                               "--show", "--focused", "--paint", "--redisplay", "--save", "--out", "Examples:"})
        EXPECT_THAT(usage, HasSubstr(option));
}

// ---- Method calls ------------------------------------------------------------------------------------

TEST(MethodCallSyntax, ArgumentsOfEveryKind) {
    std::string why;
    const auto call = ParseMethodCall(
        u" ParseString ( [\"a\", \"b\\\"c\"] , \"x\\\\y\\n\\t\\u00e9\", -12, 2.5e1, true, false, null, [] ) ", why);
    ASSERT_TRUE(call) << why;
    EXPECT_EQ(call->name, u"ParseString");
    ASSERT_EQ(call->arguments.size(), 8u);
    using Kind = MethodArgument::Kind;
    const auto& a = call->arguments;
    EXPECT_EQ(a[0].kind, Kind::TextList);
    EXPECT_EQ(a[0].list, (std::vector<std::u16string>{u"a", u"b\"c"}));
    EXPECT_EQ(a[1].kind, Kind::Text);
    EXPECT_EQ(a[1].text, u"x\\y\n\t\u00e9");
    EXPECT_EQ(a[2].kind, Kind::Number);
    EXPECT_EQ(a[2].number, -12);
    EXPECT_EQ(a[2].text, u"-12");
    EXPECT_EQ(a[3].number, 25);
    EXPECT_EQ(a[4].kind, Kind::Boolean);
    EXPECT_TRUE(a[4].boolean);
    EXPECT_FALSE(a[5].boolean);
    EXPECT_EQ(a[6].kind, Kind::Null);
    EXPECT_EQ(a[7].kind, Kind::TextList);
    EXPECT_TRUE(a[7].list.empty());
}

TEST(MethodCallSyntax, WithoutArguments) {
    for (const char16_t* text : {u"GetReaders", u"GetReaders()", u"GetReaders ( )"}) {
        std::string why;
        const auto call = ParseMethodCall(text, why);
        ASSERT_TRUE(call) << why;
        EXPECT_EQ(call->name, u"GetReaders");
        EXPECT_TRUE(call->arguments.empty());
    }
}

TEST(MethodCallSyntax, MistakesSayWhereAndWhatWasExpected) {
    struct Case {
        const char16_t* text;
        const char* mention;
    };
    const Case cases[] = {
        {u"", "expected a method name at character 1"},
        {u"1Add()", "expected a method name"},
        {u"Add(", "expected an argument"},
        {u"Add(\"x\"", "expected \",\" or \")\" at character 8"},
        {u"Add(\"x\",)", "expected an argument"},
        {u"Add(x)", "expected an argument"},
        {u"Add(True)", "expected an argument"},
        {u"Add(\"x\") y", "expected the end of the call"},
        {u"Add[1]", "expected \"(\""},
        {u"Add(\"\\q\")", "one of"},
        {u"Add(\"\\u12\")", "four hex digits"},
        {u"Add([1])", "a text in double quotes"},
        {u"Add([\"a\" \"b\"])", "expected \",\" or \"]\""},
        {u"Add(1.2.3)", "expected a number"},
        {u"Add(--1)", "expected a number"},
        {u"Add(1e999)", "expected a number"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_FALSE(ParseMethodCall(c.text, why)) << c.mention;
        EXPECT_THAT(why, HasSubstr(c.mention));
    }
}

}  // namespace
}  // namespace qlmhost
