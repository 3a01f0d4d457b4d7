// A whole pack from any bytes: a "_define.ini" and a few pictures (names that clash by letter
// case or with the canonical names included) are opened, edited, saved elsewhere and opened
// again. Bad input may give load errors and missing pictures, but never a crash, never a smile
// whose picture file is not where its index says, never a lost picture, and never a saved pack
// that reads back differently. The pack check finds what it finds on any such pack without
// changing it, and every finding names smiles and signatures the pack has.
//
// Input: flags byte (bit 0: the animated pack), u16 length + "_define.ini", count byte
// (0..6 pictures), per picture a name byte and u16 length + bytes, then operations of three
// bytes each (operation, a, b). Lengths beyond the input take what is left.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "model/define_decoder.h"
#include "model/define_file.h"
#include "model/pack_check.h"
#include "platform/files.h"

namespace {

using faceloom::TDefineDecoder;

constexpr size_t kMaxDefine = 4096;
constexpr size_t kMaxPicture = 4096;
constexpr size_t kMaxPictures = 6;
constexpr size_t kMaxOperations = 8;

// Plain names, canonical names, and names equal but for letter case, of both kinds.
const char* const kNames[] = {"a.gif", "A.GIF", "aa.gif", "AA.GIF", "ab.gif", "aB.Gif", "1.gif",   "zz.gif",
                              "x.bmp", "X.BMP", "aa.bmp", "AA.bmp", "ab.bmp", "1.bmp",  "baa.gif", "ac.GIF"};

// Signatures the edits add: plain, with inner blanks, Cyrillic bytes, a duplicate.
const char* const kSignatures[] = {":)", ";-)", "a b", "\xCF\xF0\xE8\xE2\xE5\xF2", ":)", "x"};

struct TFolders {
    faceloom::fuzz::TFuzzFolder root{"pack-fuzz"};
    std::string data = root.Path() + "data/";
    std::string pack = root.Path() + "pack/";
    std::string saved = root.Path() + "saved/";
    TFolders() {
        std::filesystem::create_directories(data);
        // Before any model exists, so that every storage area lives in the private folder.
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
};

const TFolders& Folders() {
    static const TFolders folders;
    return folders;
}

class TReader {
public:
    TReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool AtEnd() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string Chunk(size_t cap) {
        size_t length = Byte();
        length |= static_cast<size_t>(Byte()) << 8;
        length = std::min({length, cap, size_ - std::min(pos_, size_)});
        std::string bytes(reinterpret_cast<const char*>(data_) + pos_, length);
        pos_ += length;
        return bytes;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

void Write(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

std::optional<std::string> Read(const std::string& path) {
    if (!faceloom::FileExists(path)) return std::nullopt;
    return faceloom::ReadWholeFile(path);
}

const char* Mask(uint8_t pack) {
    return pack == faceloom::kAnimatedPack ? "*.gif" : "*.bmp";
}

// The contents of the pack's pictures in a folder.
std::multiset<std::string> Pictures(const std::string& folder, uint8_t pack) {
    std::multiset<std::string> contents;
    for (const std::string& name : faceloom::FindFiles(folder + Mask(pack))) {
        const std::optional<std::string> bytes = faceloom::ReadWholeFile(folder + name);
        FUZZ_CHECK(bytes.has_value());
        contents.insert(*bytes);
    }
    return contents;
}

using Signatures = std::vector<std::string>;

// The signatures as the definition file gives them back: the reader trims the blanks at the
// ends of a line, which a first signature after a leading comma may start with.
std::vector<Signatures> AsRead(const std::vector<Signatures>& smiles) {
    std::vector<std::string> lines;
    faceloom::SplitDefinition(faceloom::FormatDefinition(smiles), lines);
    std::vector<Signatures> read(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) faceloom::ParseSignatures(lines[i], read[i]);
    return read;
}

Signatures SignaturesOf(const TDefineDecoder& model, int32_t i) {
    return model.Smile(i)->Signatures.Items();
}

// What the harness expects of the current pack: each smile's signatures and the content of
// its picture file (none for a smile without file), and the contents of all pictures of the
// working copy, also those that belong to no smile.
struct TExpected {
    std::vector<Signatures> signatures;
    std::vector<std::optional<std::string>> files;
    std::multiset<std::string> pictures;
};

void Check(TDefineDecoder& model, const TExpected& expected) {
    const uint8_t pack = model.CurrentPack();
    const std::string& folder = model.WorkingFolder(pack);
    const int32_t count = model.SmileCount();
    FUZZ_CHECK(count == static_cast<int32_t>(expected.signatures.size()));
    int32_t loadErrors = 0, missing = 0, unsigned_ = 0;
    for (int32_t i = 0; i < count; ++i) {
        const faceloom::TSmile* smile = model.Smile(i);
        FUZZ_CHECK(smile != nullptr);
        const bool picture = smile->Picture.load() != nullptr;
        FUZZ_CHECK(!(picture && smile->LoadError));
        if (smile->LoadError) {
            ++loadErrors;
        } else if (!picture) {
            ++missing;
        }
        if (smile->Signatures.Empty()) ++unsigned_;
        FUZZ_CHECK(SignaturesOf(model, i) == expected.signatures[static_cast<size_t>(i)]);
        // A smile has a picture (or one that failed to load) exactly when its canonical file
        // exists, and that file is the one it had.
        const std::optional<std::string> file = Read(folder + model.PictureFileName(i));
        FUZZ_CHECK(file.has_value() == (picture || smile->LoadError));
        FUZZ_CHECK(file == expected.files[static_cast<size_t>(i)]);
    }
    FUZZ_CHECK(model.ErrorCount(0) == loadErrors);
    FUZZ_CHECK(model.ErrorCount(1) == missing);
    FUZZ_CHECK(model.ErrorCount(2) == unsigned_);
    FUZZ_CHECK(model.ErrorCount(0) + model.ErrorCount(1) <= count);

    std::vector<std::string> lines;
    FUZZ_CHECK(faceloom::ReadDefinition(model.DefinePath(pack), lines));
    FUZZ_CHECK(static_cast<int32_t>(lines.size()) == count);
    // Rewritten after every change: it reads back as the smiles' signatures, or as they were
    // written before a reload (which does not rewrite it) when the reader trimmed them.
    std::vector<Signatures> read(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) faceloom::ParseSignatures(lines[i], read[i]);
    FUZZ_CHECK(read == expected.signatures || read == AsRead(expected.signatures));
    FUZZ_CHECK(Pictures(folder, pack) == expected.pictures);
    // Temporary files and journals of the edits never stay behind.
    FUZZ_CHECK(faceloom::FindFiles(folder + "*.tmp").empty());
    FUZZ_CHECK(faceloom::FindFiles(folder + "*.journal").empty());
}

void CheckFindings(TDefineDecoder& model, const TExpected& expected) {
    faceloom::TCheckLimits limits;
    limits.MaxPerKind = 20;
    const faceloom::TCheckResult result = faceloom::CheckPack(faceloom::CheckInputOf(model), limits);
    for (const faceloom::TCheckFinding& finding : result.Findings) {
        FUZZ_CHECK(finding.Severity == faceloom::SeverityOf(finding.Kind));
        FUZZ_CHECK(finding.Signatures.size() == finding.Smiles.size());
        FUZZ_CHECK(!finding.Params.empty());
        for (size_t k = 0; k < finding.Smiles.size(); ++k) {
            const faceloom::TSmile* smile = model.Smile(finding.Smiles[k]);
            FUZZ_CHECK(smile != nullptr);
            FUZZ_CHECK(finding.Signatures[k] >= -1 && finding.Signatures[k] < smile->Signatures.Count());
        }
    }
    Check(model, expected);
}

// Takes the expectation from the working copy as it is (after opening or reloading).
TExpected Observe(TDefineDecoder& model) {
    TExpected expected;
    const std::string& folder = model.WorkingFolder(model.CurrentPack());
    for (int32_t i = 0; i < model.SmileCount(); ++i) {
        expected.signatures.push_back(SignaturesOf(model, i));
        expected.files.push_back(Read(folder + model.PictureFileName(i)));
    }
    expected.pictures = Pictures(folder, model.CurrentPack());
    return expected;
}

void Drop(std::multiset<std::string>& pictures, const std::optional<std::string>& content) {
    if (!content) return;
    const auto it = pictures.find(*content);
    FUZZ_CHECK(it != pictures.end());
    pictures.erase(it);
}

void Reset(const TFolders& folders) {
    for (const std::string& folder : {folders.data, folders.pack, folders.saved}) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        std::filesystem::create_directories(folder, ec);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TFolders& folders = Folders();
    Reset(folders);

    TReader input(data, size);
    const uint8_t kind = (input.Byte() & 1) != 0 ? faceloom::kAnimatedPack : faceloom::kStaticPack;
    const std::string define = input.Chunk(kMaxDefine);
    Write(folders.pack + faceloom::kDefineFileName, define);
    const size_t pictureCount = input.Byte() % (kMaxPictures + 1);
    std::vector<std::string> names;  // as written, later ones replacing earlier ones
    for (size_t k = 0; k < pictureCount; ++k) {
        const std::string name = kNames[input.Byte() % std::size(kNames)];
        Write(folders.pack + name, input.Chunk(kMaxPicture));
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }

    std::vector<std::string> lines;
    faceloom::SplitDefinition(define, lines);

    auto model = std::make_unique<TDefineDecoder>("Storage");
    model->LoadFromStorage();
    model->SetCurrentPack(kind);
    FUZZ_CHECK(model->OpenPack(folders.pack + faceloom::kDefineFileName));
    FUZZ_CHECK(model->CurrentPack() == kind);
    const std::string folder = model->WorkingFolder(kind);
    FUZZ_CHECK(!folder.empty());

    // Opening keeps every line as a smile and every picture of the kind.
    TExpected expected = Observe(*model);
    FUZZ_CHECK(model->SmileCount() == static_cast<int32_t>(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) {
        Signatures parsed;
        faceloom::ParseSignatures(lines[i], parsed);
        FUZZ_CHECK(expected.signatures[i] == parsed);
    }
    FUZZ_CHECK(expected.pictures == Pictures(folders.pack, kind));
    // Opening gives picture k of the name order the canonical name of k, whatever names the
    // pictures had (also names of others or differing only in letter case); smile i then holds
    // picture i.
    std::vector<std::string> sorted = faceloom::FindFiles(folders.pack + Mask(kind));
    faceloom::SortPictureNames(sorted);
    const int width = faceloom::PictureNameWidth(std::max(sorted.size(), lines.size()));
    FUZZ_CHECK(model->NameWidth(kind) == width);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string> want =
            i < sorted.size() ? Read(folders.pack + sorted[i]) : std::optional<std::string>();
        FUZZ_CHECK(expected.files[i] == want);
    }
    Check(*model, expected);
    CheckFindings(*model, expected);

    for (size_t op = 0; op < kMaxOperations && !input.AtEnd(); ++op) {
        const uint8_t code = input.Byte();
        const uint8_t a = input.Byte();
        const uint8_t b = input.Byte();
        const int32_t count = model->SmileCount();
        const int32_t i = count > 0 ? a % count : 0;
        const int32_t j = count > 0 ? b % count : 0;
        const std::string source =
            names.empty() ? folders.pack + "none.gif" : folders.pack + names[b % names.size()];
        const std::optional<std::string> sourceBytes = Read(source);
        switch (code % 7) {
            case 0: {
                const bool moves = count > 0;
                FUZZ_CHECK(model->MoveSmile(i, j) == moves);
                if (moves) {
                    auto sig = std::move(expected.signatures[i]);
                    expected.signatures.erase(expected.signatures.begin() + i);
                    expected.signatures.insert(expected.signatures.begin() + j, std::move(sig));
                    auto file = std::move(expected.files[i]);
                    expected.files.erase(expected.files.begin() + i);
                    expected.files.insert(expected.files.begin() + j, std::move(file));
                }
                break;
            }
            case 1: {
                const bool deletes = count > 0;
                FUZZ_CHECK(model->DeleteSmile(i) == deletes);
                if (deletes) {
                    Drop(expected.pictures, expected.files[i]);
                    expected.signatures.erase(expected.signatures.begin() + i);
                    expected.files.erase(expected.files.begin() + i);
                }
                break;
            }
            case 2:
                FUZZ_CHECK(model->DeletePicture(i) == (count > 0));
                if (count > 0) {
                    Drop(expected.pictures, expected.files[i]);
                    expected.files[i].reset();
                }
                break;
            case 3:
            case 4: {
                // Adding a smile takes the place of a picture beyond the last smile.
                const std::optional<std::string> beyond = Read(folder + model->PictureFileName(count));
                const bool insert = code % 7 == 4;
                const faceloom::TSmile* smile =
                    insert ? model->InsertSmile(i, source) : model->AddSmile(source);
                const bool expectAdded = sourceBytes.has_value() && (!insert || count > 0);
                FUZZ_CHECK((smile != nullptr) == expectAdded);
                if (expectAdded) {
                    Drop(expected.pictures, beyond);
                    expected.pictures.insert(*sourceBytes);
                    const int32_t at = insert ? i : count;
                    expected.signatures.insert(expected.signatures.begin() + at, Signatures{});
                    expected.files.insert(expected.files.begin() + at, sourceBytes);
                }
                break;
            }
            case 5: {
                const faceloom::TSmile* smile = model->ReplacePicture(i, source);
                const bool expectReplaced = sourceBytes.has_value() && count > 0;
                FUZZ_CHECK((smile != nullptr) == expectReplaced);
                if (expectReplaced) {
                    Drop(expected.pictures, expected.files[i]);
                    expected.pictures.insert(*sourceBytes);
                    expected.files[i] = sourceBytes;
                }
                break;
            }
            default:
                if (count > 0) {
                    const std::string signature = kSignatures[b % std::size(kSignatures)];
                    model->Smile(i)->Signatures.Add(signature);
                    expected.signatures[i].push_back(signature);
                }
                break;
        }
        Check(*model, expected);
    }

    CheckFindings(*model, expected);

    // Saving writes exactly the working copy.
    const bool saved = model->SaveAs(folders.saved + faceloom::kDefineFileName);
    FUZZ_CHECK(saved);
    FUZZ_CHECK(Pictures(folders.saved, kind) == expected.pictures);
    FUZZ_CHECK(Read(folders.saved + faceloom::kDefineFileName) == Read(model->DefinePath(kind)));
    // Nothing of the save's own is left in the target.
    for (const std::string& name : faceloom::FindFiles(folders.saved + "*")) {
        FUZZ_CHECK(name.rfind(".~faceloom", 0) != 0);
    }
    Check(*model, expected);
    // Names the reopened pack can pair in the same way: every smile has its file and every
    // picture has a canonical name of the current width.
    bool pairsAgain = true;
    {
        std::set<std::string> canonical;
        for (int32_t i = 0; i < model->SmileCount(); ++i) {
            pairsAgain &= expected.files[i].has_value();
            canonical.insert(model->PictureFileName(i));
        }
        for (const std::string& name : faceloom::FindFiles(folder + Mask(kind))) {
            pairsAgain &= canonical.count(name) != 0;
        }
    }

    // A model made afresh rebuilds the same pack from the working copy.
    expected.signatures = AsRead(expected.signatures);
    model.reset();
    model = std::make_unique<TDefineDecoder>("Storage");
    model->LoadFromStorage();
    FUZZ_CHECK(model->CurrentPack() == kind);
    Check(*model, expected);

    // The saved pack opens to the same smiles.
    if (saved) {
        FUZZ_CHECK(model->OpenPack(folders.saved + faceloom::kDefineFileName));
        const TExpected reopened = Observe(*model);
        FUZZ_CHECK(reopened.signatures == expected.signatures);
        FUZZ_CHECK(reopened.pictures == expected.pictures);
        if (pairsAgain) FUZZ_CHECK(reopened.files == expected.files);
        Check(*model, reopened);
    }

    FUZZ_CHECK(model->ClosePack());
    FUZZ_CHECK(model->SmileCount() == 0);
    FUZZ_CHECK(faceloom::FindFiles(folder + Mask(kind)).empty());
    FUZZ_CHECK(faceloom::FindFiles(folder + "*.ini").size() <= 1);  // the storage's own state
    return 0;
}
