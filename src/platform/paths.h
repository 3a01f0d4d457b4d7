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

// The per-user data folder as the user has it, also in a process that moved its storage area
// elsewhere (faceloom-pack's throwaway storage): what AppDataFolder() named before
// RedirectAppDataFolder, else AppDataFolder() itself. Not created; empty when unknown.
std::string UserDataFolder();
// Points AppDataFolder() at folder (XDG_DATA_HOME) for the rest of the process, while
// UserDataFolder() keeps naming the user's own. Call it before any other thread starts.
void RedirectAppDataFolder(const std::string& folder);

// Appends the separator unless the path already ends with one (an empty path stays empty).
std::string IncludeTrailingSeparator(std::string path);

// "dir/name.ext" -> "name.ext"; "dir/" -> "".
std::string ExtractFileName(std::string_view path);
// "dir/name.ext" -> "dir/" (with the separator); "name" -> "".
std::string ExtractFilePath(std::string_view path);
// "name.ext" -> ".ext" (with the dot, as written); no extension -> "".
std::string ExtractFileExt(std::string_view path);

}  // namespace faceloom
