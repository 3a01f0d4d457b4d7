#include "cli/json_writer.h"

#include <cstdio>

#include "platform/code_page.h"

namespace faceloom::cli {

std::string JsonString(std::string_view utf8) {
    // The round trip through UTF-16 replaces invalid sequences and keeps valid ones intact.
    const std::string text = Utf16ToUtf8(Utf8ToUtf16(utf8));
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04X", byte);
                    out += buffer;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

void TJsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasValue_.empty()) {
        if (hasValue_.back()) text_.push_back(',');
        hasValue_.back() = true;
    }
}

TJsonWriter& TJsonWriter::Open(char bracket) {
    BeforeValue();
    text_.push_back(bracket);
    hasValue_.push_back(false);
    return *this;
}

TJsonWriter& TJsonWriter::Close(char bracket) {
    text_.push_back(bracket);
    hasValue_.pop_back();
    return *this;
}

TJsonWriter& TJsonWriter::BeginObject() {
    return Open('{');
}
TJsonWriter& TJsonWriter::EndObject() {
    return Close('}');
}
TJsonWriter& TJsonWriter::BeginArray() {
    return Open('[');
}
TJsonWriter& TJsonWriter::EndArray() {
    return Close(']');
}

TJsonWriter& TJsonWriter::Key(std::string_view key) {
    BeforeValue();
    text_ += JsonString(key);
    text_.push_back(':');
    afterKey_ = true;
    return *this;
}

TJsonWriter& TJsonWriter::String(std::string_view text) {
    BeforeValue();
    text_ += JsonString(text);
    return *this;
}

TJsonWriter& TJsonWriter::Number(int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

TJsonWriter& TJsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

TJsonWriter& TJsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

TJsonWriter& TJsonWriter::IntArray(const std::vector<int32_t>& values) {
    BeginArray();
    for (int32_t value : values) Number(value);
    return EndArray();
}

TJsonWriter& TJsonWriter::StringArray(const std::vector<std::string>& values) {
    BeginArray();
    for (const std::string& value : values) String(value);
    return EndArray();
}

}  // namespace faceloom::cli
