// A small JSON reader for the expected-value files that accompany the external fixtures:
// objects, arrays, strings (with the common escapes), numbers, true, false and null.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class JsonValue {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    // The value as the given type; std::runtime_error when it is of another type.
    bool asBool() const;
    double asNumber() const;
    const std::string& asString() const;
    const std::vector<JsonValue>& asArray() const;
    const std::map<std::string, JsonValue>& asObject() const;
    // Member of an object; std::runtime_error naming the key when absent.
    const JsonValue& operator[](const std::string& key) const;
    bool has(const std::string& key) const;

    static JsonValue parse(const std::string& text);  // std::runtime_error when malformed

private:
    friend class JsonParser;
    Type type_ = Type::Null;
    bool bool_ = false;
    double number_ = 0.0;
    std::string string_;
    std::vector<JsonValue> array_;
    std::map<std::string, JsonValue> object_;
};

}  // namespace testsupport
