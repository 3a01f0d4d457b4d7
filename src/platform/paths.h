#pragma once

#include <string>
#include <string_view>

namespace faceloom {

// The host's path separator. Folder paths always end with it, so a path is composed by
// appending a bare name to a folder.
inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// The per-user application data folder ($XDG_DATA_HOME, else ~/.local/share; the roaming
// application-data folder on Windows), created if missing, ending with the separator.
// Empty when it cannot be found or created.
std::string AppDataFolder();

// Appends the separator unless the path already ends with one (an empty path stays empty).
std::string IncludeTrailingSeparator(std::string path);

// "dir/name.ext" -> "name.ext"; "dir/" -> "".
std::string ExtractFileName(std::string_view path);
// "dir/name.ext" -> "dir/" (with the separator); "name" -> "".
std::string ExtractFilePath(std::string_view path);
// "name.ext" -> ".ext" (with the dot, as written); no extension -> "".
std::string ExtractFileExt(std::string_view path);

}  // namespace faceloom
