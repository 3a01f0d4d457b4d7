#include "storage/settings_file.h"

#include "storage/storage_manager.h"

namespace faceloom {

std::string SettingsFileName(const TStorageManager& storage) {
    return storage.Valid() ? storage.Path() + kSettingsFileName : std::string();
}

}  // namespace faceloom
