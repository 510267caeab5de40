#pragma once
// A method call as it is written on the command line: Name(argument, ...).
//
//   AddReader("x@y.z")                   text in double quotes; \" \\ \n \t and \uXXXX inside
//   AddUsername("a@b.c", true)           true / false
//   ParseString([], "a, b;c", ",")       a list of texts: [] or ["a", "b"] (an array of BSTR)
//   SomeMethod(-12, 2.5, null)           numbers, and null
//   GetReaders() or GetReaders           no arguments
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qlmhost {

struct MethodArgument {
    enum class Kind { Text, Number, Boolean, Null, TextList };
    Kind kind = Kind::Text;
    std::u16string text;  // Text; for Number the number as written
    double number = 0;
    bool boolean = false;
    std::vector<std::u16string> list;
};

struct MethodCall {
    std::u16string name;
    std::vector<MethodArgument> arguments;
};

// The call, or std::nullopt with `why` saying what is wrong and where.
std::optional<MethodCall> ParseMethodCall(std::u16string_view text, std::string& why);

}  // namespace qlmhost
