#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lang/lang.h"

namespace faceloom {

// The folder the program's languages are in: "Languages/" next to the executable (relative
// to the current directory when the executable's folder is unknown).
std::string DefaultLanguageDirectory();

// Finds the languages of a folder, keeps the list (the built-in language first) and the
// selected language, and reports every selection through OnChange.
class TLangManager {
public:
    // Called after every selection with the manager and the new current language.
    using TChangeEvent = std::function<void(TLangManager& sender, TLang& language)>;

    explicit TLangManager(const std::string& directory);
    ~TLangManager();

    TLangManager(const TLangManager&) = delete;
    TLangManager& operator=(const TLangManager&) = delete;

    // The folder searched for "*.lng", ending with the separator.
    const std::string& Directory() const { return directory_; }

    // Leaves the list holding only a new built-in language (key empty).
    void Reset();
    // Reset, then lists every loadable "*.lng" file of the folder in name order (letter case
    // ignored); files that are not loadable modules are left out.
    void Scan();

    int LanguageCount() const { return static_cast<int>(languages_.size()); }
    // The i-th listed language, or nullptr when i is out of range.
    TLang* GetLanguage(int index) const;
    // The key (file name, empty for the built-in language) of the i-th listed language;
    // empty when i is out of range.
    std::string GetKey(int index) const;

    // The position of CurrentFileName among the keys (letter case ignored), 0 when absent.
    int CurrentIndex() const;
    const std::string& CurrentFileName() const { return currentFileName_; }
    // nullptr until the first selection.
    TLang* CurrentLanguage() const { return currentLanguage_; }

    // Selects the listed language whose key is `fileName` (letter case ignored), or the
    // built-in language when there is none.
    void SelectByName(const std::string& fileName);
    // Selects the i-th listed language, or the built-in one when i is out of range.
    void SelectByIndex(int index);
    // Lists the language of `fileName` (built-in when the file is not loadable) and selects
    // that very object.
    void AddAndSelect(const std::string& fileName);

    TChangeEvent OnChange;

private:
    struct TEntry {
        std::string key;
        std::unique_ptr<TLang> language;
    };

    int IndexOfKey(const std::string& key) const;
    // Lets go of the current language: destroyed unless the list owns it.
    void GiveUpCurrent();
    void SelectNew(std::unique_ptr<TLang> language);
    void FireChange();

    std::string directory_;
    std::vector<TEntry> languages_;
    std::string currentFileName_;
    TLang* currentLanguage_ = nullptr;
    // Owns the current language when the list does not.
    std::unique_ptr<TLang> ownedCurrent_;
};

}  // namespace faceloom
