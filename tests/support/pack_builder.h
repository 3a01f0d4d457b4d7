#pragma once

// Builds smile pack folders for tests and benchmarks: pictures whose size identifies them,
// "_define.ini" bytes, and listings of a folder's files for exact assertions.

#include <cstdint>
#include <string>
#include <vector>

namespace faceloom::test {

// An animated GIF of width x height with `frames` frames (each with a transparent colour and
// a delay of 10 hundredths). Pictures of different `seed` differ in their pixels. Giving every
// picture of a test its own width lets the test tell which picture a smile holds.
std::string GifBytes(int width, int height, int frames = 2, int seed = 0);
void WriteGif(const std::string& path, int width, int height, int frames = 2, int seed = 0);

// A 24-bit bottom-up Windows bitmap of width x height.
std::string BmpBytes(int width, int height, int seed = 0);
void WriteBmp(const std::string& path, int width, int height, int seed = 0);

// Writes `define` as the folder's "_define.ini" (bytes as given; the folder is created).
void WriteDefine(const std::string& folder, const std::string& define);

// Regular files of a folder (not sub-folders), sorted by name byte order.
std::vector<std::string> ListFiles(const std::string& folder);
// The same, only names ending with `extension` (letter case ignored).
std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension);

// Canonical picture name of n with at least `width` letters, as the editor writes it.
std::string CanonicalName(int n, int width = 2);

}  // namespace faceloom::test
