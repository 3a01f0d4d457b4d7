#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// The framing of the journals that make saves and edits survive a kill: a header line naming
// the journal's kind, fields of any bytes each written as "<length>:<bytes>\n", and a last line
// "#<checksum>" over everything before it. A journal is read back whole or not at all: a cut,
// garbled or foreign file gives nullopt.
class TJournalWriter {
public:
    explicit TJournalWriter(std::string_view kind);
    void Field(std::string_view bytes);
    void Number(uint64_t value);
    std::string Finish() const;

private:
    std::string text_;
};

// The body of a journal (its header line and fields) with its checksum line appended, as
// Finish writes it.
std::string SealJournal(std::string_view body);
// Bytes of the checksum line at the end of every journal.
inline constexpr size_t kJournalSealBytes = 1 + 16 + 1;

// Largest journal read back, checked before it is read: a journal holds names, a definition
// and a history index (itself at most 16 MiB), and one larger is not ours and must not make a
// recovery allocate whatever it says.
inline constexpr uint64_t kMaxJournalBytes = 64ull << 20;

// The fields of a journal of the given kind, or nullopt.
std::optional<std::vector<std::string>> ReadJournalFields(std::string_view bytes, std::string_view kind);

// A field that must be a decimal number up to max.
bool JournalNumber(const std::string& field, uint64_t max, uint64_t& value);

// Whether a name read from a journal may be acted on: a bare name of a file in the folder
// (no separator, NUL, "." or ".."), so that a journal can never reach outside its folder.
bool JournalNameSafe(std::string_view name);

}  // namespace faceloom
