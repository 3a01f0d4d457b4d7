#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace faceloom {

// The definition file "_define.ini" of a smile pack: one line per smile, in smile order,
// holding the smile's signatures joined by ",". The pictures are not named in it; the n-th
// line pairs with the n-th picture of the folder in name order.

inline constexpr const char* kDefineFileName = "_define.ini";

// Appends one entry per kept line of the file to lines. Lines end at CR LF or LF; a CR not
// followed by LF is dropped; Ctrl-Z ends the file; lines of zero length are skipped, the
// others are trimmed of bytes up to 0x20 (and kept even if that empties them). False when
// the file cannot be opened or read; lines is then unchanged.
bool ReadDefinition(const std::string& path, std::vector<std::string>& lines);

// The same over bytes already in memory.
void SplitDefinition(std::string_view bytes, std::vector<std::string>& lines);

// Appends the signatures of one kept line: the pieces between commas, empty pieces skipped,
// pieces not trimmed.
void ParseSignatures(std::string_view line, std::vector<std::string>& signatures);

// The exact bytes of a definition file for the smiles' signature lists (see the .cpp).
std::string FormatDefinition(const std::vector<std::vector<std::string>>& smiles);

// Rewrites the file with FormatDefinition's bytes through a temp file in the same folder.
// Throws EInOutError("Unable to write to <path>") and leaves the old file when that fails.
void WriteDefinition(const std::string& path, const std::vector<std::vector<std::string>>& smiles);

// Canonical picture names: n in base 26 with the digits "a".."z", at least two letters,
// plus ext (".gif", ".bmp"): 0 "aa", 25 "az", 26 "ba", 675 "zz", 676 "baa".
std::string PictureFileName(size_t n, std::string_view ext);
// The same padded with leading "a" to at least letters letters, so that names of one width
// sort in smile order ("aaa", "aab", ... for packs of more than 676 smiles).
std::string PictureFileName(size_t n, std::string_view ext, int letters);
// The width that keeps count pictures in order: 2 up to 676 (the classic names), 3 up to
// 17576, and so on.
int PictureNameWidth(size_t count);

// The order in which pictures pair with lines: file names compared without regard to letter
// case (Latin and Cyrillic), byte order after folding.
int ComparePictureNames(std::string_view a, std::string_view b);
// Sorts names in that order; names equal but for letter case keep a fixed order among
// themselves (byte order) so that pairing never depends on the directory's order.
void SortPictureNames(std::vector<std::string>& names);

}  // namespace faceloom
