#include <gtest/gtest.h>

#include "CommandLine.h"
#include "winerror.h"

namespace {

using qlmfile::Operation;

struct Case {
    const char* name;
    const char* tail;
    HRESULT status;
    Operation operation;
    const char* path;
};

const Case kCases[] = {
    {"lock", "/l C:\\d\\report.txt", S_OK, Operation::Lock, "C:\\d\\report.txt"},
    {"unlock", "/u /home/u/report.qlm", S_OK, Operation::Unlock, "/home/u/report.qlm"},
    {"switch_case_ignored_quotes_removed_inner_space_kept", "/L \"/home/u/my notes.txt\"", S_OK, Operation::Lock,
     "/home/u/my notes.txt"},
    {"upper_unlock", "/U x", S_OK, Operation::Unlock, "x"},
    {"leading_spaces_before_switch", "   /u x", S_OK, Operation::Unlock, "x"},
    {"several_spaces_before_path", "/l     /tmp/a b", S_OK, Operation::Lock, "/tmp/a b"},
    {"trailing_space_and_quote_removed", "/l /tmp/a\" \"", S_OK, Operation::Lock, "/tmp/a"},
    {"inner_quote_kept", "/l /tmp/a\"b", S_OK, Operation::Lock, "/tmp/a\"b"},
    {"no_path", "/l", S_OK, Operation::Lock, ""},
    {"only_spaces_after_switch", "/u    ", S_OK, Operation::Unlock, ""},
    {"multibyte_path", "/l /tmp/caf\xC3\xA9 \xE2\x80\x83.txt", S_OK, Operation::Lock, "/tmp/caf\xC3\xA9 \xE2\x80\x83.txt"},
    {"empty", "", E_INVALIDARG, Operation::Lock, ""},
    {"blank", "    ", E_INVALIDARG, Operation::Lock, ""},
    {"unknown_switch", "/x foo", E_INVALIDARG, Operation::Lock, ""},
    {"quoted_switch", "\"/l\" foo", E_INVALIDARG, Operation::Lock, ""},
    {"tab_is_no_separator", "/l\tfoo", E_INVALIDARG, Operation::Lock, ""},
    {"switch_with_suffix", "/lock foo", E_INVALIDARG, Operation::Lock, ""},
    {"dash_switch", "-l foo", E_INVALIDARG, Operation::Lock, ""},
    {"path_without_switch", "/tmp/foo", E_INVALIDARG, Operation::Lock, ""},
    {"switch_glued_to_multibyte", "/l\xC3\xA9 foo", E_INVALIDARG, Operation::Lock, ""},
};

class CommandTail : public testing::TestWithParam<Case> {};

TEST_P(CommandTail, SplitsIntoSwitchAndPath) {
    const Case& c = GetParam();
    const qlmfile::ParsedCommand parsed = qlmfile::ParseCommandTail(c.tail);
    EXPECT_EQ(parsed.status, c.status);
    if (c.status == S_OK) {
        EXPECT_EQ(parsed.operation, c.operation);
        EXPECT_EQ(parsed.path, c.path);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandTail, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JoinCommandTail, JoinsArgumentsWithSingleSpaces) {
    const char* argv[] = {"QlmFile", "/l", "my file.txt", "", "x"};
    EXPECT_EQ(qlmfile::JoinCommandTail(5, argv), "/l my file.txt  x");
    EXPECT_EQ(qlmfile::JoinCommandTail(1, argv), "");
    // What the shell split at a space comes back as one path.
    const char* split[] = {"QlmFile", "/L", "\"/tmp/a", "b\""};
    EXPECT_EQ(qlmfile::ParseCommandTail(qlmfile::JoinCommandTail(4, split)).path, "/tmp/a b");
}

}  // namespace
