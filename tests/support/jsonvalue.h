// A small JSON reader for the expected values that come with external fixtures: objects,
// arrays, strings, numbers, true, false and null; enough to look values up by key and index.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class JsonValue {
public:
    enum class Type { Null, Boolean, Number, String, Array, Object };

    // Parses a whole document; sets *error and returns a null value when it is malformed.
    static JsonValue parse(const std::string& text, std::string* error);

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    bool boolean() const { return boolean_; }
    double number() const { return number_; }
    const std::string& text() const { return text_; }
    // Members of an array, in order.
    const std::vector<JsonValue>& items() const { return items_; }
    // Members of an object, by key.
    const std::map<std::string, JsonValue>& members() const { return members_; }
    // Whether an object has the key.
    bool has(const std::string& key) const { return members_.count(key) != 0; }
    // The member under key; a null value when there is none (or this is no object).
    const JsonValue& operator[](const std::string& key) const;

private:
    friend class JsonParser;
    Type type_ = Type::Null;
    bool boolean_ = false;
    double number_ = 0.0;
    std::string text_;
    std::vector<JsonValue> items_;
    std::map<std::string, JsonValue> members_;
};

}  // namespace testsupport
