#include "model/journal_codec.h"

#include <cstdio>

namespace faceloom {

namespace {

constexpr std::string_view kMagic = "FACELOOM-JOURNAL ";

uint64_t Checksum(std::string_view bytes) {
    uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::string Hex(uint64_t value) {
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(value));
    return buffer;
}

}  // namespace

TJournalWriter::TJournalWriter(std::string_view kind) {
    text_ = std::string(kMagic) + std::string(kind) + "\n";
}

void TJournalWriter::Field(std::string_view bytes) {
    text_ += std::to_string(bytes.size());
    text_ += ':';
    text_ += bytes;
    text_ += '\n';
}

void TJournalWriter::Number(uint64_t value) {
    Field(std::to_string(value));
}

std::string TJournalWriter::Finish() const {
    return SealJournal(text_);
}

std::string SealJournal(std::string_view body) {
    return std::string(body) + "#" + Hex(Checksum(body)) + "\n";
}

std::optional<std::vector<std::string>> ReadJournalFields(std::string_view bytes, std::string_view kind) {
    // The checksum line: "#" and 16 hex digits and a line feed at the very end.
    constexpr size_t kTail = kJournalSealBytes;
    if (bytes.size() < kTail || bytes.back() != '\n' || bytes[bytes.size() - kTail] != '#')
        return std::nullopt;
    const std::string_view body = bytes.substr(0, bytes.size() - kTail);
    if (Hex(Checksum(body)) != bytes.substr(bytes.size() - kTail + 1, 16)) return std::nullopt;
    const std::string header = std::string(kMagic) + std::string(kind) + "\n";
    if (body.substr(0, header.size()) != header) return std::nullopt;

    std::vector<std::string> fields;
    size_t pos = header.size();
    while (pos < body.size()) {
        const size_t colon = body.find(':', pos);
        if (colon == std::string_view::npos || colon == pos || colon - pos > 12) return std::nullopt;
        uint64_t length = 0;
        for (size_t i = pos; i < colon; ++i) {
            if (body[i] < '0' || body[i] > '9') return std::nullopt;
            length = length * 10 + static_cast<uint64_t>(body[i] - '0');
        }
        const size_t start = colon + 1;
        if (length > body.size() - start || start + length >= body.size() || body[start + length] != '\n') {
            return std::nullopt;
        }
        fields.emplace_back(body.substr(start, length));
        pos = start + length + 1;
    }
    return fields;
}

bool JournalNumber(const std::string& field, uint64_t max, uint64_t& value) {
    if (field.empty() || field.size() > 20) return false;
    value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return value <= max;
}

bool JournalNameSafe(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

}  // namespace faceloom
