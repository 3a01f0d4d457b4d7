#include "convert/pack_import.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

#include "animation/smile.h"
#include "model/define_decoder.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"

namespace faceloom {

namespace {

// The key two signatures clash by: the editor finds signatures without regard to the letter
// case of Latin and Cyrillic letters.
std::u16string ClashKey(const std::string& bytes, TCodePage codePage) {
    return FoldCase(CodePageToUnicode(bytes, codePage));
}

bool IsWordChar(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c >= 0x80;
}

// The ways a number can make a new code of code, the most readable first: ":smile:" with 2 →
// ":smile2:" (a code without letters or digits: ":-)" → ":-)2"), then the number at every
// place inside the code from its end on (":-)" → ":-2)", ":2-)"), which keep the code itself
// out of the new one.
std::vector<std::u16string> NumberedForms(const std::u16string& code, int number) {
    const std::u16string digits = Utf8ToUtf16(std::to_string(number));
    size_t end = code.size();
    while (end > 0 && !IsWordChar(code[end - 1])) --end;
    std::vector<std::u16string> forms;
    forms.push_back(end == 0 ? code + digits : code.substr(0, end) + digits + code.substr(end));
    for (size_t at = code.size(); at-- > 1;) forms.push_back(code.substr(0, at) + digits + code.substr(at));
    return forms;
}

// Neither key holds the other: typing one never shows the other's smile.
bool Apart(const std::u16string& a, const std::u16string& b) {
    return a.find(b) == std::u16string::npos && b.find(a) == std::u16string::npos;
}

// The numbers tried for a new code before the clash is given up (its smile then goes without
// the code, as Keep leaves it).
constexpr int kLastNumber = 99;

// The pack's picture kind and, for a static pack, the colour its first readable picture is
// transparent by, so that new pictures look like the others.
uint32_t PackKeyColor(const TDefineDecoder& model) {
    const uint32_t fallback = TConvertOptions().KeyColor;
    if (model.CurrentPack() != 0) return fallback;
    for (int32_t i = 0; i < model.SmileCount() && i < 16; ++i) {
        const auto bytes = ReadWholeFile(model.WorkingFolder(0) + model.PictureFileName(i));
        uint32_t key = 0;
        if (bytes && BmpKeyColor({reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()}, key))
            return key;
    }
    return fallback;
}

// The source's codes as the pack can hold them: in its code page, read back unchanged,
// storable in a definition line; each once. The others are dropped with a note.
std::vector<std::string> PackCodes(const TForeignSmile& smile, const TImportOptions& options,
                                   TImportNotes& notes) {
    std::vector<std::string> codes =
        smile.CodesFromName ? std::vector<std::string>{CodeFromFileName(smile.Name, options.CodePattern)}
                            : smile.Codes;
    std::vector<std::string> result;
    std::set<std::u16string> seen;
    for (const std::string& code : codes) {
        if (code.empty()) continue;
        const std::string bytes = Utf8ToCodePage(code, options.CodePage);
        if (CodePageToUtf8(bytes, options.CodePage) != code || !TDefineDecoder::StorableSignature(bytes)) {
            AddNote(notes, TImportNoteKind::CodeDropped, {smile.Name, code});
            continue;
        }
        if (seen.insert(ClashKey(bytes, options.CodePage)).second) result.push_back(bytes);
    }
    return result;
}

}  // namespace

std::string CodeFromFileName(const std::string& path, const std::string& pattern) {
    std::string name =
        path.substr(path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    std::string code;
    size_t at = 0;
    for (size_t found; (found = pattern.find("name", at)) != std::string::npos; at = found + 4) {
        code += pattern.substr(at, found - at) + name;
    }
    return code + pattern.substr(at);
}

TImportPlan PlanImport(const TForeignPack& source, const TDefineDecoder& model, const TImportOptions& options,
                       const TImportProgress& progress) {
    TImportPlan plan;
    plan.PackKind = model.CurrentPack();
    plan.Notes = source.Notes;
    TConvertOptions convert;
    convert.PackKind = plan.PackKind;
    convert.MaxWidth = options.MaxWidth;
    convert.MaxHeight = options.MaxHeight;
    convert.KeyColor = PackKeyColor(model);
    convert.Limits = options.Pictures;

    // Who holds each code so far: a smile of the pack (>= 0) or an item of the batch (~item).
    std::map<std::u16string, int32_t> holders;
    for (int32_t i = 0; i < model.SmileCount(); ++i) {
        for (const std::string& signature : model.Smile(i)->Signatures.Items())
            holders.emplace(ClashKey(signature, options.CodePage), i);
    }
    const int32_t total = static_cast<int32_t>(source.Smiles.size());
    for (int32_t s = 0; s < total; ++s) {
        if (progress && !progress(s, total)) {
            plan.Cancelled = true;
            return plan;
        }
        const TForeignSmile& smile = source.Smiles[static_cast<size_t>(s)];
        TImportItem item;
        item.Name = smile.Name;
        try {
            item.Bytes = ConvertForPack(smile.Bytes, smile.Name, convert, plan.Notes).Bytes;
        } catch (const EConvertError& error) {
            AddNote(plan.Notes, error.Kind, {smile.Name, error.what()});
            plan.Notes.back().ReasonText = error.ReasonText;
            continue;
        }
        item.Codes = PackCodes(smile, options, plan.Notes);
        const int32_t index = static_cast<int32_t>(plan.Items.size());
        for (int32_t c = 0; c < static_cast<int32_t>(item.Codes.size()); ++c) {
            const auto [holder, added] =
                holders.emplace(ClashKey(item.Codes[static_cast<size_t>(c)], options.CodePage), ~index);
            if (added) continue;
            TClash clash;
            clash.Item = index;
            clash.Code = c;
            if (holder->second >= 0) {
                clash.ExistingSmile = holder->second;
            } else {
                clash.EarlierItem = ~holder->second;
            }
            plan.Clashes.push_back(clash);
        }
        plan.Items.push_back(std::move(item));
    }
    // Renamed codes are taken last: each apart from every code of the pack and of the batch and
    // from the renamed ones before it, neither holding another nor held by one, so that any mix
    // of choices leaves no two smiles with one code and no code that types another's smile.
    std::vector<std::u16string> taken;
    taken.reserve(holders.size() + plan.Clashes.size());
    for (const auto& [key, holder] : holders) taken.push_back(key);
    for (TClash& clash : plan.Clashes) {
        const std::u16string code = CodePageToUnicode(
            plan.Items[static_cast<size_t>(clash.Item)].Codes[static_cast<size_t>(clash.Code)],
            options.CodePage);
        for (int number = 2; number <= kLastNumber && clash.Renamed.empty(); ++number) {
            for (const std::u16string& form : NumberedForms(code, number)) {
                const std::string renamed = UnicodeToCodePage(form, options.CodePage);
                const std::u16string key = ClashKey(renamed, options.CodePage);
                if (CodePageToUnicode(renamed, options.CodePage) != form ||
                    !TDefineDecoder::StorableSignature(renamed) ||
                    !std::all_of(taken.begin(), taken.end(),
                                 [&](const std::u16string& other) { return Apart(key, other); })) {
                    continue;
                }
                clash.Renamed = renamed;
                taken.push_back(key);
                break;
            }
        }
    }
    if (progress) progress(total, total);
    return plan;
}

void ChooseForAll(TImportPlan& plan, TClashChoice choice) {
    for (TClash& clash : plan.Clashes) clash.Choice = choice;
}

void NoteChoices(TImportPlan& plan) {
    std::vector<bool> skipped(plan.Items.size(), false);
    std::vector<size_t> kept(plan.Items.size(), 0);
    for (size_t i = 0; i < plan.Items.size(); ++i) kept[i] = plan.Items[i].Codes.size();
    for (const TClash& clash : plan.Clashes) {
        if (clash.Item < 0 || static_cast<size_t>(clash.Item) >= plan.Items.size()) continue;
        const auto item = static_cast<size_t>(clash.Item);
        if (clash.Choice == TClashChoice::Skip) skipped[item] = true;
        if (clash.Choice == TClashChoice::Keep ||
            (clash.Choice == TClashChoice::Rename && clash.Renamed.empty()))
            --kept[item];
    }
    for (size_t i = 0; i < plan.Items.size(); ++i) {
        if (!skipped[i] && kept[i] == 0 && !plan.Items[i].Codes.empty())
            AddNote(plan.Notes, TImportNoteKind::LeftUnsigned, {plan.Items[i].Name});
    }
}

TImportResult ApplyImport(TDefineDecoder& model, int32_t position, const TImportPlan& plan,
                          const TImportProgress& progress) {
    TImportResult result;
    // Each item's codes as its clashes' choices leave them; skipped items stay out.
    std::vector<std::vector<std::string>> codes;
    std::vector<bool> skipped(plan.Items.size(), false);
    for (const TImportItem& item : plan.Items) codes.push_back(item.Codes);
    std::vector<std::vector<bool>> dropped(plan.Items.size());
    for (size_t i = 0; i < plan.Items.size(); ++i) dropped[i].assign(plan.Items[i].Codes.size(), false);
    for (const TClash& clash : plan.Clashes) {
        const auto item = static_cast<size_t>(clash.Item);
        const auto code = static_cast<size_t>(clash.Code);
        if (clash.Choice == TClashChoice::Skip) skipped[item] = true;
        // A rename that found no code apart from the others leaves the code out, as Keep does.
        if (clash.Choice == TClashChoice::Keep ||
            (clash.Choice == TClashChoice::Rename && clash.Renamed.empty()))
            dropped[item][code] = true;
        if (clash.Choice == TClashChoice::Rename) codes[item][code] = clash.Renamed;
    }
    const std::string extension = plan.PackKind == 0 ? ".bmp" : ".gif";
    TScratchFile scratch(std::filesystem::temp_directory_path().string() + "/", "import" + extension);
    if (scratch.Path().empty()) {
        result.Failed = true;
        return result;
    }
    const int32_t start = std::clamp(position, 0, model.SmileCount());
    const int32_t total = static_cast<int32_t>(plan.Items.size());
    model.BeginStep();
    for (int32_t i = 0; i < total; ++i) {
        if (progress && !progress(i, total)) {
            result.Cancelled = true;
            break;
        }
        const auto k = static_cast<size_t>(i);
        if (skipped[k]) continue;
        std::vector<std::string> signatures;
        for (size_t c = 0; c < codes[k].size(); ++c) {
            if (!dropped[k][c]) signatures.push_back(codes[k][c]);
        }
        const TImportItem& item = plan.Items[k];
        {
            std::ofstream out(scratch.Path(), std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(item.Bytes.data()),
                      static_cast<std::streamsize>(item.Bytes.size()));
            if (!out.flush()) {
                result.Failed = true;
                break;
            }
        }
        if (model.AddSmileWithSignatures(start + result.Added, scratch.Path(), signatures) == nullptr) {
            result.Failed = true;
            break;
        }
        ++result.Added;
    }
    model.EndStep();
    // The batch is one step: taking it back leaves the pack as it was. Should that fail too,
    // what was added stays, as the model's history says.
    if ((result.Failed || result.Cancelled) && result.Added > 0 && model.Undo()) result.Added = 0;
    if (result.Added > 0) result.FirstIndex = start;
    if (progress && !result.Cancelled) progress(total, total);
    return result;
}

TReplaceResult ReplacePictureFrom(TDefineDecoder& model, int32_t index, const std::string& file,
                                  const std::string& name, const TImportOptions& options,
                                  TImportNotes& notes) {
    TReplaceResult result;
    // A smile that is not there, or a pack that cannot be edited: the model says why.
    if (index < 0 || index >= model.SmileCount()) {
        result.Smile = model.ReplacePicture(index, file);
        return result;
    }
    // As an archive entry is bounded, so is the one file; its size is known before reading.
    bool tooLarge = false;
    const std::optional<std::string> bytes =
        ReadWholeFile(file, static_cast<uint64_t>(options.Archive.MaxEntryBytes), &tooLarge);
    if (!bytes) {
        if (!tooLarge) {
            result.Unreadable = true;
            return result;
        }
        result.Refused = TImportNote{TImportNoteKind::PictureTooLarge,
                                     {name, std::to_string(options.Archive.MaxEntryBytes >> 20) + " MB"}};
        return result;
    }
    TConvertOptions convert;
    convert.PackKind = model.CurrentPack();
    convert.MaxWidth = options.MaxWidth;
    convert.MaxHeight = options.MaxHeight;
    convert.KeyColor = PackKeyColor(model);
    convert.Limits = options.Pictures;
    TImportNotes changes;
    TConvertedPicture converted;
    try {
        converted = ConvertForPack({reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()}, name,
                                   convert, changes);
    } catch (const EConvertError& error) {
        result.Refused = TImportNote{error.Kind, {name, error.what()}, error.ReasonText};
        return result;
    }
    // The bytes the conversion settled on are what the pack gets, never the file read again:
    // it may have changed since.
    const std::string extension = convert.PackKind == 0 ? ".bmp" : ".gif";
    TScratchFile scratch(std::filesystem::temp_directory_path().string() + "/", "replace" + extension);
    if (scratch.Path().empty()) {
        result.Unreadable = true;
        return result;
    }
    {
        std::ofstream out(scratch.Path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(converted.Bytes.data()),
                  static_cast<std::streamsize>(converted.Bytes.size()));
        if (!out.flush()) {
            result.Unreadable = true;
            return result;
        }
    }
    result.Smile = model.ReplacePicture(index, scratch.Path());
    if (result.Smile) notes.insert(notes.end(), changes.begin(), changes.end());
    return result;
}

TForeignPack ReadSource(const std::string& given, const TImportOptions& options, bool detect,
                        TPackFormat format, TPackFormat* used) {
    if (!DirectoryExists(given) && !FileExists(given))
        throw std::runtime_error("no such file or folder: '" + given + "'");
    // An index file stands for the folder holding it: read alone it names pictures that are
    // not in the set.
    std::string path = given;
    const std::string name = AsciiLower(ExtractFileName(given));
    if (FileExists(given) &&
        (name == "theme" || name == "emoticons.xml" || name == "icondef.xml" || name == "_define.ini")) {
        path = ExtractFilePath(given);
        if (path.empty()) path = "./";
    }
    TImportNotes notes;
    std::unique_ptr<TFileSet> files = TFileSet::FromPath(path, options.Archive, notes);
    if (!files) throw std::runtime_error("cannot read '" + path + "'");
    if (detect) format = DetectPackFormat(*files);
    if (used) *used = format;
    TForeignPack pack = ReadForeignPack(*files, format, options.CodePage);
    pack.Notes.insert(pack.Notes.begin(), notes.begin(), notes.end());
    return pack;
}

int32_t ExportPack(const std::string& packFolder, TPackFormat format, const std::string& out,
                   TCodePage codePage) {
    if (format == TPackFormat::Pictures || format == TPackFormat::Psi)
        throw std::runtime_error(std::string("packs are not written as ") + PackFormatName(format));
    TExportPack pack = ReadPackFolder(packFolder, codePage);
    if (format != TPackFormat::Zip && pack.Kind == 0) {
        // Themes have no key colour: a static picture becomes a PNG whose transparency is
        // what the editor shows.
        for (TExportSmile& smile : pack.Smiles) {
            try {
                TRgbaPicture picture = DecodePicture(smile.Bytes);
                smile.Bytes = EncodePng(picture.Frames.front());
                const size_t dot = smile.FileName.find_last_of('.');
                smile.FileName = smile.FileName.substr(0, dot) + ".png";
            } catch (const EConvertError&) {
                // A picture the editor cannot read either goes out as it is.
            }
        }
    }
    WriteForeignPack(pack, format, out, codePage);
    return static_cast<int32_t>(pack.Smiles.size());
}

}  // namespace faceloom
