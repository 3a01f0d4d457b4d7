#include "lang/lang_manager.h"

#include <algorithm>

#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/program_folder.h"

namespace faceloom {

std::string DefaultLanguageDirectory() {
    return ProgramFolder() + "Languages" + kPathSeparator;
}

TLangManager::TLangManager(const std::string& directory) : directory_(IncludeTrailingSeparator(directory)) {
    Reset();
}

TLangManager::~TLangManager() = default;

void TLangManager::Reset() {
    // The current language may be a listed one (after AddAndSelect); it outlives the list.
    for (TEntry& entry : languages_) {
        if (entry.language.get() == currentLanguage_ && currentLanguage_ != nullptr) {
            ownedCurrent_ = std::move(entry.language);
        }
    }
    languages_.clear();
    languages_.push_back(TEntry{std::string(), std::make_unique<TLang>(std::string(), true)});
}

void TLangManager::Scan() {
    Reset();
    std::vector<std::string> names = FindFiles(directory_ + "*.lng");
    // Directory order differs between file systems; name order keeps the list stable (and
    // matches what Windows file systems yield).
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = CompareUtf8Folded(a, b);
        return folded != 0 ? folded < 0 : a < b;
    });
    for (const std::string& name : names) {
        auto language = std::make_unique<TLang>(directory_ + name, false);
        if (language->BuiltIn()) {
            continue;  // not a loadable module
        }
        std::string key = language->FileName();
        languages_.push_back(TEntry{std::move(key), std::move(language)});
    }
}

TLang* TLangManager::GetLanguage(int index) const {
    if (index < 0 || index >= LanguageCount()) {
        return nullptr;
    }
    return languages_[index].language.get();
}

std::string TLangManager::GetKey(int index) const {
    if (index < 0 || index >= LanguageCount()) {
        return {};
    }
    return languages_[index].key;
}

int TLangManager::IndexOfKey(const std::string& key) const {
    for (size_t i = 0; i < languages_.size(); ++i) {
        if (CompareUtf8Folded(languages_[i].key, key) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TLangManager::CurrentIndex() const {
    return std::max(IndexOfKey(currentFileName_), 0);
}

void TLangManager::GiveUpCurrent() {
    currentLanguage_ = nullptr;
    ownedCurrent_.reset();
}

void TLangManager::SelectNew(std::unique_ptr<TLang> language) {
    ownedCurrent_ = std::move(language);
    currentLanguage_ = ownedCurrent_.get();
}

void TLangManager::FireChange() {
    if (OnChange) {
        OnChange(*this, *currentLanguage_);
    }
}

void TLangManager::SelectByName(const std::string& fileName) {
    GiveUpCurrent();
    const int index = IndexOfKey(fileName);
    if (index >= 0) {
        // The listed key, not the name asked for: it is the file's name as found on disk.
        const std::string& key = languages_[index].key;
        SelectNew(std::make_unique<TLang>(key, key.empty()));
    } else {
        SelectNew(std::make_unique<TLang>(std::string(), true));
    }
    currentFileName_ = currentLanguage_->FileName();
    FireChange();
}

void TLangManager::SelectByIndex(int index) {
    GiveUpCurrent();
    if (index < 0 || index >= LanguageCount()) {
        SelectNew(std::make_unique<TLang>(std::string(), true));
        currentFileName_.clear();
    } else {
        currentFileName_ = languages_[index].key;
        SelectNew(std::make_unique<TLang>(currentFileName_, currentFileName_.empty()));
    }
    FireChange();
}

void TLangManager::AddAndSelect(const std::string& fileName) {
    GiveUpCurrent();
    auto language = std::make_unique<TLang>(fileName, false);
    currentLanguage_ = language.get();
    std::string key = language->FileName();
    languages_.push_back(TEntry{std::move(key), std::move(language)});
    currentFileName_ = fileName;
    FireChange();
}

}  // namespace faceloom
