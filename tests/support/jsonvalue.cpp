// A small JSON reader for fixtures' expected values (see jsonvalue.h).
#include "support/jsonvalue.h"

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : s_(text) {}

    JsonValue document() {
        JsonValue v = value();
        skipSpace();
        if (at_ != s_.size()) fail("text after the document");
        return v;
    }

private:
    const std::string& s_;
    size_t at_ = 0;

    [[noreturn]] void fail(const std::string& why) const {
        throw std::runtime_error(why + " at offset " + std::to_string(at_));
    }

    void skipSpace() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t')) ++at_;
    }

    bool consume(const char* word) {
        const std::string w(word);
        if (s_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }

    void expect(char c) {
        skipSpace();
        if (at_ >= s_.size() || s_[at_] != c) fail(std::string("expected '") + c + "'");
        ++at_;
    }

    std::string string() {
        expect('"');
        std::string out;
        while (at_ < s_.size() && s_[at_] != '"') {
            char c = s_[at_++];
            if (c == '\\') {
                if (at_ >= s_.size()) fail("unterminated escape");
                const char e = s_[at_++];
                switch (e) {
                    case 'n': c = '\n'; break;
                    case 't': c = '\t'; break;
                    case 'r': c = '\r'; break;
                    case 'b': c = '\b'; break;
                    case 'f': c = '\f'; break;
                    case 'u': {
                        if (at_ + 4 > s_.size()) fail("short \\u escape");
                        const long code = std::strtol(s_.substr(at_, 4).c_str(), nullptr, 16);
                        at_ += 4;
                        if (code > 0x7F) fail("non-ASCII \\u escape");
                        c = static_cast<char>(code);
                        break;
                    }
                    default: c = e; break;
                }
            }
            out.push_back(c);
        }
        if (at_ >= s_.size()) fail("unterminated string");
        ++at_;
        return out;
    }

    JsonValue value() {
        skipSpace();
        if (at_ >= s_.size()) fail("unexpected end");
        JsonValue v;
        const char c = s_[at_];
        if (c == '{') {
            v.type_ = JsonValue::Type::Object;
            ++at_;
            skipSpace();
            if (at_ < s_.size() && s_[at_] == '}') {
                ++at_;
                return v;
            }
            for (;;) {
                std::string key = string();
                expect(':');
                v.members_[key] = value();
                skipSpace();
                if (at_ < s_.size() && s_[at_] == ',') {
                    ++at_;
                    continue;
                }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.type_ = JsonValue::Type::Array;
            ++at_;
            skipSpace();
            if (at_ < s_.size() && s_[at_] == ']') {
                ++at_;
                return v;
            }
            for (;;) {
                v.items_.push_back(value());
                skipSpace();
                if (at_ < s_.size() && s_[at_] == ',') {
                    ++at_;
                    continue;
                }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.type_ = JsonValue::Type::String;
            v.text_ = string();
            return v;
        }
        if (consume("true") || consume("false")) {
            v.type_ = JsonValue::Type::Boolean;
            v.boolean_ = s_[at_ - 1] == 'e' && s_[at_ - 4] == 't';
            return v;
        }
        if (consume("null")) return v;
        const char* begin = s_.c_str() + at_;
        char* end = nullptr;
        v.number_ = std::strtod(begin, &end);
        if (end == begin) fail("unexpected character");
        v.type_ = JsonValue::Type::Number;
        at_ += static_cast<size_t>(end - begin);
        return v;
    }
};

JsonValue JsonValue::parse(const std::string& text, std::string* error) {
    try {
        return JsonParser(text).document();
    } catch (const std::runtime_error& e) {
        if (error != nullptr) *error = e.what();
        return JsonValue{};
    }
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    static const JsonValue none;
    const auto it = members_.find(key);
    return it == members_.end() ? none : it->second;
}

}  // namespace testsupport
