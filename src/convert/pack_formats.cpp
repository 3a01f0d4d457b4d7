#include "convert/pack_formats.h"

#include <expat.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <unordered_set>

#include "convert/pack_formats_parts.h"
#include "convert/picture_convert.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/flush_batch.h"
#include "platform/paths.h"

namespace faceloom {

namespace formats {

TIndexFile LocateIndex(const TFileSet& files, std::string_view indexName) {
    if (std::string top = files.Find(indexName); !top.empty()) return {top, ""};
    // No index at the top: look into the only sub-folder (a theme zipped with its folder).
    std::string folder;
    for (const std::string& path : files.Paths()) {
        const size_t slash = path.find('/');
        if (slash == std::string::npos || IsMacResourceFork(path)) continue;
        const std::string first = path.substr(0, slash + 1);
        if (folder.empty()) {
            folder = first;
        } else if (FoldedFileName(first) != FoldedFileName(folder)) {
            return {};
        }
    }
    if (folder.empty()) return {};
    std::string inside = files.Find(folder + std::string(indexName));
    if (inside.empty()) return {};
    return {inside, inside.substr(0, folder.size())};
}

std::string FolderTitle(const TIndexFile& index) {
    if (index.Folder.empty()) return {};
    return CleanUtf8(std::string_view(index.Folder).substr(0, index.Folder.size() - 1));
}

std::string CleanUtf8(std::string_view text) {
    return Utf16ToUtf8(Utf8ToUtf16(text));
}

void AddCode(std::vector<std::string>& codes, std::string code) {
    if (code.empty() || std::find(codes.begin(), codes.end(), code) != codes.end()) return;
    codes.push_back(std::move(code));
}

bool IsMacResourceFork(std::string_view path) {
    return AsciiLower(path.substr(0, 9)) == "__macosx/";
}

TForeignSmile* TSmileCollector::Picture(const std::string& folder, const std::string& named) {
    std::string path = files_.Find(folder + named);
    // A name the set does not hold is keyed by itself, so it is noted once however often named.
    const std::string key = path.empty() ? "\n" + named : path;
    if (const auto known = byPath_.find(key); known != byPath_.end()) {
        return known->second == SIZE_MAX ? nullptr : &pack_.Smiles[known->second];
    }
    TForeignSmile smile;
    if (path.empty() || !files_.Read(path, smile.Bytes)) {
        AddNote(pack_.Notes, TImportNoteKind::MissingFile, {CleanUtf8(folder + named)});
        byPath_.emplace(key, SIZE_MAX);
        return nullptr;
    }
    smile.Name = path;
    byPath_.emplace(key, pack_.Smiles.size());
    pack_.Smiles.push_back(std::move(smile));
    return &pack_.Smiles.back();
}

void TSmileCollector::Finish() {
    for (TForeignSmile& smile : pack_.Smiles) smile.CodesFromName = smile.Codes.empty();
}

const std::string* TXmlElement::Attribute(std::string_view name) const {
    for (const auto& [key, value] : Attributes) {
        if (key == name) return &value;
    }
    return nullptr;
}

namespace {

std::string LocalName(const char* name) {
    const std::string_view full(name);
    const size_t colon = full.rfind(':');
    return std::string(colon == std::string_view::npos ? full : full.substr(colon + 1));
}

// Index files are small and flat; a file of more elements or deeper nesting than this is no
// theme. The depth also bounds the recursion that frees the tree.
constexpr size_t kMaxXmlElements = 200000;
constexpr size_t kMaxXmlDepth = 64;

struct TXmlBuilder {
    XML_Parser Parser = nullptr;
    std::vector<TXmlElement*> Open;  // the path from the root to the element being read
    size_t Count = 0;
    std::string Stopped;  // why the builder stopped the parser, empty while it runs

    void Stop(std::string why) {
        Stopped = std::move(why);
        XML_StopParser(Parser, XML_FALSE);
    }
    static void Start(void* data, const char* name, const char** attributes) {
        auto* self = static_cast<TXmlBuilder*>(data);
        if (!self->Stopped.empty()) return;
        if (++self->Count > kMaxXmlElements) return self->Stop(std::to_string(kMaxXmlElements) + " elements");
        if (self->Open.size() > kMaxXmlDepth)
            return self->Stop(std::to_string(kMaxXmlDepth) + " levels deep");
        TXmlElement& parent = *self->Open.back();
        TXmlElement& element = parent.Children.emplace_back();
        element.Name = LocalName(name);
        for (size_t i = 0; attributes[i] != nullptr && attributes[i + 1] != nullptr; i += 2) {
            element.Attributes.emplace_back(LocalName(attributes[i]), attributes[i + 1]);
        }
        self->Open.push_back(&element);
    }
    static void End(void* data, const char*) {
        auto* self = static_cast<TXmlBuilder*>(data);
        if (!self->Stopped.empty()) return;
        self->Open.back()->Closed = true;
        self->Open.pop_back();
    }
    static void Text(void* data, const char* text, int length) {
        auto* self = static_cast<TXmlBuilder*>(data);
        if (!self->Stopped.empty()) return;
        self->Open.back()->Text.append(text, static_cast<size_t>(length));
    }
};

}  // namespace

bool ParseXml(const std::vector<uint8_t>& bytes, const std::string& fileName, TXmlElement& root,
              TImportNotes& notes) {
    // The document is the single child of a nameless root, so that a broken file still has a
    // tree to walk.
    root = TXmlElement();
    root.Closed = true;
    TXmlBuilder builder;
    builder.Parser = XML_ParserCreate(nullptr);
    if (builder.Parser == nullptr) throw std::bad_alloc();
    builder.Open.push_back(&root);
    XML_SetUserData(builder.Parser, &builder);
    XML_SetElementHandler(builder.Parser, TXmlBuilder::Start, TXmlBuilder::End);
    XML_SetCharacterDataHandler(builder.Parser, TXmlBuilder::Text);
    // Entities are not expanded from outside the file; expat's own guard against entity
    // amplification stays on.
    bool ok = true;
    std::string why;
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
        ok = false;
        why = "too large";
    } else if (XML_Parse(builder.Parser, reinterpret_cast<const char*>(bytes.data()),
                         static_cast<int>(bytes.size()), XML_TRUE) != XML_STATUS_OK) {
        ok = false;
        why = !builder.Stopped.empty()
                  ? builder.Stopped
                  : std::string(XML_ErrorString(XML_GetErrorCode(builder.Parser))) + ", line " +
                        std::to_string(XML_GetCurrentLineNumber(builder.Parser));
    }
    XML_ParserFree(builder.Parser);
    if (!ok) AddNote(notes, TImportNoteKind::BrokenIndex, {CleanUtf8(fileName), why});
    return ok;
}

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool XmlCanHold(std::string_view text) {
    // Control characters but tab, and the two non-characters U+FFFE and U+FFFF, are not XML.
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; }) &&
           text.find("\xEF\xBF\xBE") == std::string_view::npos &&
           text.find("\xEF\xBF\xBF") == std::string_view::npos;
}

namespace {

TForeignPack ReadPictures(const TFileSet& files) {
    TForeignPack pack;
    for (const std::string& path : files.Paths()) {
        if (!HasPictureExtension(path) || IsMacResourceFork(path)) continue;
        TForeignSmile smile;
        if (!files.Read(path, smile.Bytes)) {
            AddNote(pack.Notes, TImportNoteKind::MissingFile, {CleanUtf8(path)});
            continue;
        }
        smile.Name = path;
        smile.CodesFromName = true;
        pack.Smiles.push_back(std::move(smile));
    }
    return pack;
}

bool EndsWithZip(std::string_view path) {
    return path.size() > 4 && AsciiLower(path.substr(path.size() - 4)) == ".zip";
}

// An existing out is refused unless it is an empty folder: an export never mixes with or
// replaces what is there.
void CheckOutFree(const std::string& out, bool zip) {
    if (zip ? FileExists(out) || DirectoryExists(out) : FileExists(out)) {
        throw std::runtime_error(out + " already exists");
    }
    if (DirectoryExists(out) && !ListFolder(IncludeTrailingSeparator(out)).empty()) {
        throw std::runtime_error(out + " is not an empty folder");
    }
}

// The pictures' names come from the caller: each must be a plain name in the folder, and no two
// may be one name on Windows (nor take the index's name).
void CheckFileNames(const formats::TFiles& files) {
    std::unordered_set<std::u32string> seen;
    for (const auto& [name, bytes] : files) {
        if (name.empty() || name == "." || name == ".." ||
            name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
            throw std::runtime_error("Not a file name: " + name);
        }
        if (!seen.insert(FoldedFileName(name)).second) throw std::runtime_error("Two files named " + name);
    }
}

// Writes the files into a new folder beside out, flushes them, then renames the folder to out:
// out is never seen half written.
void WriteFolder(const std::string& out, const formats::TFiles& files) {
    const std::string parent = ExtractFilePath(out);
    if (!parent.empty() && !ForceDirectories(parent)) throw std::runtime_error("Unable to create " + parent);
    // A fresh name made with mkdir rather than mkdtemp: the folder becomes the user's and takes
    // the permissions the umask gives, not mkdtemp's private ones.
    std::string temp;
    std::random_device random;
    for (int attempt = 0;; ++attempt) {
        temp = (parent.empty() ? std::string("./") : parent) + ".~faceloom-export-" +
               std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000000u);
        if (::mkdir(temp.c_str(), 0777) == 0) break;
        if (errno != EEXIST || attempt == 16) throw std::runtime_error("Unable to write to " + out);
    }
    const std::string folder = temp + "/";
    try {
        TFlushBatch batch;
        for (const auto& [name, bytes] : files) {
            const std::string path = folder + name;
            const std::string sub = ExtractFilePath(path);
            if (sub != folder && !ForceDirectories(sub)) throw std::runtime_error("Unable to create " + sub);
            WriteFileAtomic(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                            TDurability::Durable, &batch);
        }
        batch.AddFolder(folder);
        if (!batch.Flush()) throw std::runtime_error("Unable to write to " + out);
        // rename() takes the place of an empty folder, and fails on anything else that appeared.
        if (::rename(temp.c_str(), out.c_str()) != 0) throw std::runtime_error("Unable to write to " + out);
    } catch (...) {
        RemoveTree(folder);
        throw;
    }
    SyncFolder(parent.empty() ? "./" : parent);
}

}  // namespace

}  // namespace formats

const char* PackFormatName(TPackFormat format) {
    switch (format) {
        case TPackFormat::Pictures:
            return "pictures";
        case TPackFormat::Zip:
            return "zip";
        case TPackFormat::Pidgin:
            return "pidgin";
        case TPackFormat::Freedesktop:
            return "freedesktop";
        case TPackFormat::Psi:
            return "psi";
    }
    return "unknown";
}

bool ParsePackFormat(std::string_view name, TPackFormat& format) {
    const std::string lower = AsciiLower(name);
    for (const TPackFormat candidate : {TPackFormat::Pictures, TPackFormat::Zip, TPackFormat::Pidgin,
                                        TPackFormat::Freedesktop, TPackFormat::Psi}) {
        if (lower == PackFormatName(candidate)) {
            format = candidate;
            return true;
        }
    }
    return false;
}

TPackFormat DetectPackFormat(const TFileSet& files) {
    static constexpr std::pair<const char*, TPackFormat> kIndexes[] = {
        {"theme", TPackFormat::Pidgin},
        {"emoticons.xml", TPackFormat::Freedesktop},
        {"icondef.xml", TPackFormat::Psi},
        {"_define.ini", TPackFormat::Zip},
    };
    // An index at the top wins over one in a sub-folder.
    for (const auto& [name, format] : kIndexes) {
        if (!files.Find(name).empty()) return format;
    }
    for (const auto& [name, format] : kIndexes) {
        if (!formats::LocateIndex(files, name).Path.empty()) return format;
    }
    return TPackFormat::Pictures;
}

TForeignPack ReadForeignPack(const TFileSet& files, TPackFormat format, TCodePage codePage) {
    switch (format) {
        case TPackFormat::Pictures:
            return formats::ReadPictures(files);
        case TPackFormat::Zip:
            return formats::ReadOurZip(files, codePage);
        case TPackFormat::Pidgin:
            return formats::ReadPidginTheme(files);
        case TPackFormat::Freedesktop:
            return formats::ReadFreedesktopTheme(files);
        case TPackFormat::Psi:
            return formats::ReadPsiIconset(files);
    }
    return {};
}

void WriteForeignPack(const TExportPack& pack, TPackFormat format, const std::string& out,
                      TCodePage codePage) {
    std::string target = out;
    while (target.size() > 1 && target.back() == kPathSeparator) target.pop_back();
    if (target.empty()) throw std::runtime_error("No place to write the pack to");
    // Our own format is a zip by whatever name; a theme is one when its name says so.
    const bool zip = format == TPackFormat::Zip || formats::EndsWithZip(target);
    formats::CheckOutFree(target, zip);
    // A theme takes its name from the folder it is in; a zip of one holds that folder.
    std::string stem = ExtractFileName(target);
    if (formats::EndsWithZip(target)) stem.resize(stem.size() - 4);
    if (stem.empty() || stem == "." || stem == "..") stem = "smiles";
    formats::TFiles files;
    switch (format) {
        case TPackFormat::Zip:
            files = formats::OurZipFiles(pack, codePage);
            break;
        case TPackFormat::Pidgin:
            files = formats::PidginThemeFiles(pack, pack.Title.empty() ? stem : pack.Title);
            break;
        case TPackFormat::Freedesktop:
            files = formats::FreedesktopThemeFiles(pack);
            break;
        case TPackFormat::Pictures:
        case TPackFormat::Psi:
            throw std::runtime_error(std::string("Packs are not written as ") + PackFormatName(format));
    }
    formats::CheckFileNames(files);
    if (!zip) {
        formats::WriteFolder(target, files);
        return;
    }
    if (format != TPackFormat::Zip) {
        for (auto& file : files) file.first = stem + "/" + file.first;
    }
    const std::string parent = ExtractFilePath(target);
    if (!parent.empty() && !ForceDirectories(parent)) throw std::runtime_error("Unable to create " + parent);
    WriteZip(target, files);
}

}  // namespace faceloom
