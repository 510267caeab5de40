#include "MethodCall.h"

#include <cmath>
#include <cstdlib>

#include "Messages.h"

namespace qlmhost {
namespace {

class CallParser {
public:
    CallParser(std::u16string_view text, std::string& why) : text_(text), why_(why) {}

    std::optional<MethodCall> Parse() {
        MethodCall call;
        SkipBlanks();
        if (!Identifier(call.name)) return Error("a method name");
        SkipBlanks();
        if (AtEnd()) return call;
        if (!Take(u'(')) return Error("\"(\"");
        SkipBlanks();
        if (!Take(u')')) {
            for (;;) {
                MethodArgument argument;
                if (!Argument(argument)) return std::nullopt;
                call.arguments.push_back(std::move(argument));
                SkipBlanks();
                if (Take(u')')) break;
                if (!Take(u',')) return Error("\",\" or \")\"");
                SkipBlanks();
            }
        }
        SkipBlanks();
        if (!AtEnd()) return Error("the end of the call");
        return call;
    }

private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char16_t Peek() const { return AtEnd() ? u'\0' : text_[pos_]; }
    bool Take(char16_t c) {
        if (Peek() != c || AtEnd()) return false;
        ++pos_;
        return true;
    }
    void SkipBlanks() {
        while (!AtEnd() && (text_[pos_] == u' ' || text_[pos_] == u'\t')) ++pos_;
    }
    static bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; }
    static bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

    std::nullopt_t Error(std::string_view expected) {
        why_ = "expected " + std::string(expected) + " at character " + std::to_string(pos_ + 1) + " of " + Quote(text_);
        return std::nullopt;
    }

    bool Identifier(std::u16string& name) {
        if (!IsLetter(Peek())) return false;
        const std::size_t start = pos_;
        while (!AtEnd() && (IsLetter(text_[pos_]) || IsDigit(text_[pos_]))) ++pos_;
        name = text_.substr(start, pos_ - start);
        return true;
    }

    bool Argument(MethodArgument& argument) {
        const char16_t c = Peek();
        if (c == u'"') {
            argument.kind = MethodArgument::Kind::Text;
            return Text(argument.text);
        }
        if (c == u'[') return List(argument);
        if (c == u'-' || c == u'+' || c == u'.' || IsDigit(c)) return Number(argument);
        std::u16string word;
        if (Identifier(word)) {
            if (word == u"true" || word == u"false") {
                argument.kind = MethodArgument::Kind::Boolean;
                argument.boolean = word == u"true";
                return true;
            }
            if (word == u"null") {
                argument.kind = MethodArgument::Kind::Null;
                return true;
            }
            pos_ -= word.size();
        }
        Error("an argument (\"text\", a number, true, false, null or [\"text\", ...])");
        return false;
    }

    bool Text(std::u16string& out) {
        Take(u'"');
        out.clear();
        for (;;) {
            if (AtEnd()) {
                Error("a closing '\"'");
                return false;
            }
            const char16_t c = text_[pos_++];
            if (c == u'"') return true;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (AtEnd()) {
                Error("an escaped character");
                return false;
            }
            const char16_t escaped = text_[pos_++];
            switch (escaped) {
                case u'"': out += u'"'; break;
                case u'\\': out += u'\\'; break;
                case u'n': out += u'\n'; break;
                case u't': out += u'\t'; break;
                case u'u': {
                    char16_t unit = 0;
                    for (int i = 0; i < 4; ++i) {
                        const char16_t h = Peek();
                        int digit = -1;
                        if (h >= u'0' && h <= u'9') digit = h - u'0';
                        if (h >= u'a' && h <= u'f') digit = h - u'a' + 10;
                        if (h >= u'A' && h <= u'F') digit = h - u'A' + 10;
                        if (digit < 0 || AtEnd()) {
                            Error("four hex digits after \\u");
                            return false;
                        }
                        unit = static_cast<char16_t>(unit * 16 + digit);
                        ++pos_;
                    }
                    out += unit;
                    break;
                }
                default:
                    --pos_;
                    Error("one of \\\" \\\\ \\n \\t \\uXXXX");
                    return false;
            }
        }
    }

    bool List(MethodArgument& argument) {
        Take(u'[');
        argument.kind = MethodArgument::Kind::TextList;
        SkipBlanks();
        if (Take(u']')) return true;
        for (;;) {
            if (Peek() != u'"') {
                Error("a text in double quotes");
                return false;
            }
            std::u16string item;
            if (!Text(item)) return false;
            argument.list.push_back(std::move(item));
            SkipBlanks();
            if (Take(u']')) return true;
            if (!Take(u',')) {
                Error("\",\" or \"]\"");
                return false;
            }
            SkipBlanks();
        }
    }

    bool Number(MethodArgument& argument) {
        const std::size_t start = pos_;
        std::string ascii;
        while (!AtEnd()) {
            const char16_t c = text_[pos_];
            if (!(IsDigit(c) || c == u'-' || c == u'+' || c == u'.' || c == u'e' || c == u'E')) break;
            ascii += static_cast<char>(c);
            ++pos_;
        }
        char* end = nullptr;
        const double value = std::strtod(ascii.c_str(), &end);
        if (end != ascii.c_str() + ascii.size() || ascii.empty() || !std::isfinite(value)) {
            pos_ = start;
            Error("a number");
            return false;
        }
        argument.kind = MethodArgument::Kind::Number;
        argument.number = value;
        argument.text = std::u16string(text_.substr(start, pos_ - start));
        return true;
    }

    std::u16string_view text_;
    std::string& why_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<MethodCall> ParseMethodCall(std::u16string_view text, std::string& why) {
    return CallParser(text, why).Parse();
}

}  // namespace qlmhost
