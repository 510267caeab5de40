// The QlmHost binary with the real QlmUI control, found through the build tree's class registry as an
// installed program finds it: a person's session saved and read back by a new process, all sixteen
// persisted values through a bag file, and a load that fails at a key.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CommandLine.h"
#include "host_fixture.h"

namespace qlmhost::test {
namespace {

using testing::HasSubstr;

std::string ReadText(const std::filesystem::path& file) {
    const auto bytes = qlmtest::ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

class HostWithControl : public testing::Test {
protected:
    HostRun Host(const std::vector<std::string>& arguments) { return RunProgram(QLM_HOST_PROGRAM, arguments); }
    qlmtest::TempDir dir_;
};

TEST_F(HostWithControl, APersonsSessionIsSavedAndReadBackByANewProcess) {
    const std::string bag = (dir_ / "job.json").string();
    HostRun run = Host({"--bag", bag, "--new", "--gesture", "UserCombo:type:me@example.com", "--gesture",
                        "Password:type:s3cret", "--gesture", "RMCheck:click", "--gesture",
                        "Readers:type:ann@example.com, bob@example.com;carol@example.com", "--gesture",
                        "AddButton:click", "--readers", "--get", "UsernameValue", "--save"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(run.out,
              "Readers=ann@example.com;bob@example.com;carol@example.com\n"
              "UsernameValue=me@example.com\n");

    const auto saved = nlohmann::json::parse(ReadText(bag));
    EXPECT_EQ(saved.size(), 3u) << saved.dump();
    EXPECT_EQ(saved["UsernameValue"], (nlohmann::json{{"type", "string"}, {"value", "me@example.com"}}));
    EXPECT_EQ(saved["PwdValue"], (nlohmann::json{{"type", "string"}, {"value", "s3cret"}}));
    EXPECT_EQ(saved["RememberMeValue"], (nlohmann::json{{"type", "i2"}, {"value", 1}}));

    run = Host({"--bag", bag, "--get", "UsernameValue", "--get", "PwdValue", "--get", "RememberMeValue", "--show"});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_THAT(run.out, testing::StartsWith("UsernameValue=me@example.com\nPwdValue=s3cret\nRememberMeValue=1\n"));
    // The page as a person sees it: the user name typed, the password hidden, the box ticked.
    EXPECT_THAT(run.out, HasSubstr("UserCombo \"me@example.com\""));
    EXPECT_THAT(run.out, HasSubstr("RMCheck [x]"));
    EXPECT_THAT(run.out, testing::Not(HasSubstr("s3cret\"")));
}

struct Persisted {
    const char* key;
    const char* put;     // the text given to --set
    const char* type;    // the bag file's type
    const char* shown;   // what --get prints after the load
};

// Every value differs from its default, so that each one is written.
constexpr Persisted kSixteen[] = {
    {"UsernameValue", "me@example.com", "string", "me@example.com"},
    {"PwdValue", "s3cret", "string", "s3cret"},
    {"NotBeforeValue", "2009-01-02", "date", "2009-01-02T00:00:00"},
    {"NotAfterValue", "2010-03-04T00:00:00", "date", "2010-03-04T00:00:00"},
    {"ReadReceiptValue", "1", "i2", "1"},
    {"ProxyIEValue", "False", "bool", "False"},
    {"ProxyServerValue", "proxy.example.com", "string", "proxy.example.com"},
    {"ProxyPortValue", "8080", "string", "8080"},
    {"RememberMeValue", "1", "i2", "1"},
    {"NotBeforeCheckValue", "1", "i2", "1"},
    {"NotAfterCheckValue", "1", "i2", "1"},
    {"Mode", "1", "i4", "1"},
    {"ReferenceValue", "Quarterly report", "string", "Quarterly report"},
    {"TimeNotBeforeValue", "2008-10-29T08:30:00", "date", "2008-10-29T08:30:00"},
    {"TimeNotAfterValue", "2008-10-29T17:45:15", "date", "2008-10-29T17:45:15"},
    {"ShowPopUpValue", "0", "i2", "0"},
};

TEST_F(HostWithControl, AllSixteenValuesRoundTripThroughABagFile) {
    const std::string first = (dir_ / "first.json").string(), second = (dir_ / "second.json").string();
    std::vector<std::string> puts = {"--new"};
    std::vector<std::string> gets = {"--bag", first};
    for (const Persisted& p : kSixteen) {
        puts.insert(puts.end(), {"--set", std::string(p.key) + "=" + p.put});
        gets.insert(gets.end(), {"--get", p.key});
    }
    puts.insert(puts.end(), {"--out", first});
    gets.insert(gets.end(), {"--out", second});

    HostRun run = Host(puts);
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    const auto saved = nlohmann::ordered_json::parse(ReadText(first));
    ASSERT_EQ(saved.size(), std::size(kSixteen)) << saved.dump(2);
    std::size_t index = 0;
    for (const auto& [key, entry] : saved.items()) {
        const Persisted& p = kSixteen[index++];
        EXPECT_EQ(key, p.key) << "the control's order";
        EXPECT_EQ(entry["type"], p.type) << key;
    }

    run = Host(gets);
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    std::string expected;
    for (const Persisted& p : kSixteen) expected += std::string(p.key) + "=" + p.shown + "\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(ReadText(second), ReadText(first));
}

TEST_F(HostWithControl, ANewControlSavesNoKey) {
    const HostRun run = Host({"--out", (dir_ / "new.json").string()});
    ASSERT_EQ(run.code, kExitSuccess) << run.err;
    EXPECT_EQ(ReadText(dir_ / "new.json"), "{}\n");
}

TEST_F(HostWithControl, TextUnderRememberMeValueFailsTheLoadNamingTheKeyAndLeavesTheFile) {
    const auto bag = dir_ / "job.json";
    const std::string contents = R"({
  "UsernameValue": {"type": "string", "value": "me@example.com"},
  "PwdValue": {"type": "string", "value": "s3cret"},
  "NotBeforeValue": {"type": "date", "value": "2009-01-02T00:00:00"},
  "ReadReceiptValue": {"type": "i2", "value": 1},
  "ProxyServerValue": {"type": "string", "value": "proxy.example.com"},
  "RememberMeValue": {"type": "string", "value": "yes"},
  "Mode": {"type": "i4", "value": 1}
}
)";
    qlmtest::WriteText(bag, contents);
    const HostRun run = Host({"--bag", bag.string(), "--set", "UsernameValue=other@example.com", "--save"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_EQ(run.err, "QlmHost: cannot load \"" + bag.string() + "\": key \"RememberMeValue\": Type mismatch (0x800A000D)\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadText(bag), contents);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"job.json"});
}

TEST_F(HostWithControl, AValueTheControlRefusesNamesTheProperty) {
    HostRun run = Host({"--set", "RememberMeValue=5"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_EQ(run.err, "QlmHost: --set RememberMeValue=5: Invalid property value (0x800A017C)\n");

    run = Host({"--set", "NotBeforeValue=no date"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_EQ(run.err, "QlmHost: --set NotBeforeValue=no date: Type mismatch (0x800A000D)\n");
}

}  // namespace
}  // namespace qlmhost::test
