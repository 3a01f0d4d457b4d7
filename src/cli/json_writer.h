#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom::cli {

// Builds one compact JSON document (no spaces, no line breaks) piece by piece. Keys and
// values are written in the order given; the writer adds the commas. Strings must be UTF-8:
// invalid sequences (file names are bytes on this host) become U+FFFD, so the document is
// always valid UTF-8.
class TJsonWriter {
public:
    TJsonWriter& BeginObject();
    TJsonWriter& EndObject();
    TJsonWriter& BeginArray();
    TJsonWriter& EndArray();
    // The key of the next value inside an object.
    TJsonWriter& Key(std::string_view key);

    TJsonWriter& String(std::string_view text);
    TJsonWriter& Number(int64_t value);
    TJsonWriter& Bool(bool value);
    TJsonWriter& Null();

    TJsonWriter& IntArray(const std::vector<int32_t>& values);
    TJsonWriter& StringArray(const std::vector<std::string>& values);

    const std::string& Text() const { return text_; }

private:
    void BeforeValue();
    // Objects and arrays open and close alike; only the bracket differs.
    TJsonWriter& Open(char bracket);
    TJsonWriter& Close(char bracket);

    std::string text_;
    // Per open object or array: whether it already holds a value.
    std::vector<bool> hasValue_;
    bool afterKey_ = false;
};

// A JSON string literal with its quotes: '"' and '\' escaped, control characters as \n, \r,
// \t, \b, \f or \u00XX, invalid UTF-8 replaced by U+FFFD.
std::string JsonString(std::string_view utf8);

}  // namespace faceloom::cli
