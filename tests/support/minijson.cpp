// A small JSON reader for expected-value files (see minijson.h).
#include "support/minijson.h"

#include <cstdlib>

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
        throw std::runtime_error("JSON: " + why + " at offset " + std::to_string(at_));
    }

    void skipSpace() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' || s_[at_] == '\t')) ++at_;
    }

    bool take(char c) {
        skipSpace();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    void expect(char c) {
        if (!take(c)) fail(std::string("expected '") + c + "'");
    }

    void word(const char* w) {
        const std::string text(w);
        if (s_.compare(at_, text.size(), text) != 0) fail("unknown word");
        at_ += text.size();
    }

    JsonValue value() {
        skipSpace();
        if (at_ >= s_.size()) fail("unexpected end");
        JsonValue v;
        const char c = s_[at_];
        if (c == '{') {
            v.type_ = JsonValue::Type::Object;
            ++at_;
            if (take('}')) return v;
            do {
                skipSpace();
                const std::string key = string();
                expect(':');
                v.object_[key] = value();
            } while (take(','));
            expect('}');
        } else if (c == '[') {
            v.type_ = JsonValue::Type::Array;
            ++at_;
            if (take(']')) return v;
            do v.array_.push_back(value());
            while (take(','));
            expect(']');
        } else if (c == '"') {
            v.type_ = JsonValue::Type::String;
            v.string_ = string();
        } else if (c == 't' || c == 'f') {
            v.type_ = JsonValue::Type::Bool;
            v.bool_ = c == 't';
            word(c == 't' ? "true" : "false");
        } else if (c == 'n') {
            word("null");
        } else {
            v.type_ = JsonValue::Type::Number;
            v.number_ = number();
        }
        return v;
    }

    double number() {
        const char* start = s_.c_str() + at_;
        char* end = nullptr;
        const double x = std::strtod(start, &end);
        if (end == start) fail("bad value");
        at_ += static_cast<size_t>(end - start);
        return x;
    }

    // A string at the current position; \u escapes are kept only for ASCII code points.
    std::string string() {
        if (at_ >= s_.size() || s_[at_] != '"') fail("expected a string");
        ++at_;
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
                        c = code < 0x80 ? static_cast<char>(code) : '?';
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
};

namespace {

[[noreturn]] void wrongType(const char* wanted) { throw std::runtime_error(std::string("JSON: value is not ") + wanted); }

}  // namespace

bool JsonValue::asBool() const {
    if (type_ != Type::Bool) wrongType("a boolean");
    return bool_;
}

double JsonValue::asNumber() const {
    if (type_ != Type::Number) wrongType("a number");
    return number_;
}

const std::string& JsonValue::asString() const {
    if (type_ != Type::String) wrongType("a string");
    return string_;
}

const std::vector<JsonValue>& JsonValue::asArray() const {
    if (type_ != Type::Array) wrongType("an array");
    return array_;
}

const std::map<std::string, JsonValue>& JsonValue::asObject() const {
    if (type_ != Type::Object) wrongType("an object");
    return object_;
}

bool JsonValue::has(const std::string& key) const { return type_ == Type::Object && object_.count(key) != 0; }

const JsonValue& JsonValue::operator[](const std::string& key) const {
    const auto& members = asObject();
    const auto found = members.find(key);
    if (found == members.end()) throw std::runtime_error("JSON: no member '" + key + "'");
    return found->second;
}

JsonValue JsonValue::parse(const std::string& text) { return JsonParser(text).document(); }

}  // namespace testsupport
