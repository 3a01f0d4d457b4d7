#include "cli/deep_check.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "cli/json_writer.h"
#include "cli/text_escape.h"
#include "convert/import_note.h"
#include "lang/builtin_texts.h"
#include "lang/lang_compiler.h"
#include "lang/pe_string_table.h"
#include "pictures/decoder_errors.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace faceloom::cli {

namespace {

constexpr TCheckSeverity kSeverities[] = {TCheckSeverity::Error, TCheckSeverity::Warning,
                                          TCheckSeverity::Note};

const char* FixActionName(TFixAction action) {
    switch (action) {
        case TFixAction::RemoveSignature:
            return "remove-signature";
        case TFixAction::DeleteSmile:
            return "delete-smile";
        case TFixAction::None:
        case TFixAction::ReplacePicture:
            break;
    }
    return "none";
}

std::string Utf8(const TTextLookup& text, int id) {
    return Utf16ToUtf8(text(id));
}

std::string OmittedSentence(const TTextLookup& text, const TCheckResult& result, TCheckKind kind) {
    int32_t listed = 0;
    for (const TCheckFinding& f : result.Findings) listed += f.Kind == kind ? 1 : 0;
    return Utf16ToUtf8(FillPlaceholders(text(kCheckTextOmitted), {std::to_string(listed)}));
}

}  // namespace

TTextLookup LoadCheckTexts(const std::string& languageFile) {
    auto builtIn = [](int id) { return std::u16string(BuiltinText(id)); };
    if (languageFile.empty()) return builtIn;
    auto texts = std::make_shared<TLangTexts>();
    std::string moduleError;
    if (const std::optional<TPeStringTable> table = TPeStringTable::Open(languageFile, &moduleError)) {
        auto take = [&](int id) {
            std::u16string t = table->Text(id);
            if (!t.empty()) (*texts)[static_cast<uint16_t>(id)] = std::move(t);
        };
        for (int id = kCheckTextBase; id <= kCheckTextClean; ++id) take(id);
        take(kCheckTextTooLargeForMemory);
        // The import's notes and the decoders' reasons they and the findings name.
        for (int k = 0; k < kImportNoteKindCount; ++k) take(kImportTextBase + k);
        for (const TDecoderMessageText& message : kDecoderMessages)
            if (message.TextId != 0) take(message.TextId);
    } else {
        const std::optional<std::string> source = ReadWholeFile(languageFile);
        std::vector<TLangSourceError> errors;
        if (!source) throw std::runtime_error("cannot read the language file '" + languageFile + "'");
        if (!ParseLangSource(*source, *texts, errors)) {
            throw std::runtime_error("'" + languageFile + "' is neither a language module (" + moduleError +
                                     ") nor a language source (" +
                                     (errors.empty() ? std::string("no texts") : errors.front().message) +
                                     ")");
        }
    }
    return [texts, builtIn](int id) {
        const auto it = texts->find(static_cast<uint16_t>(id));
        return it != texts->end() && !it->second.empty() ? it->second : builtIn(id);
    };
}

std::string FormatDeepText(const std::string& folder, int32_t smiles, const TCheckResult& result,
                           const TTextLookup& text) {
    std::string out = folder + "\n";
    out += "  smiles: " + std::to_string(smiles) +
           ", errors: " + std::to_string(result.Count(TCheckSeverity::Error)) +
           ", warnings: " + std::to_string(result.Count(TCheckSeverity::Warning)) +
           ", notes: " + std::to_string(result.Count(TCheckSeverity::Note)) + "\n";
    bool any = false;
    for (TCheckSeverity severity : kSeverities) {
        std::string lines;
        for (int k = 0; k < kCheckKindCount; ++k) {
            const auto kind = static_cast<TCheckKind>(k);
            if (SeverityOf(kind) != severity) continue;
            for (const TCheckFinding& f : result.Findings) {
                if (f.Kind != kind) continue;
                lines += "    [" + std::string(CheckKindName(kind)) + "] " +
                         EscapeLine(Utf16ToUtf8(FormatFinding(f, text))) + "\n";
            }
            if (result.Omitted[static_cast<size_t>(k)] != 0) {
                lines += "    [" + std::string(CheckKindName(kind)) + "] " +
                         OmittedSentence(text, result, kind) + "\n";
            }
        }
        if (lines.empty()) continue;
        any = true;
        out += "  " + Utf8(text, kCheckTextSeverityBase + static_cast<int>(severity)) + "\n" + lines;
    }
    if (!any) out += "  " + Utf8(text, kCheckTextClean) + "\n";
    return out;
}

void WriteDeepJson(TJsonWriter& json, const std::string& folder, uint8_t kind, int32_t smiles,
                   const TCheckResult& result, const TTextLookup& text) {
    json.BeginObject();
    json.Key("folder").String(folder);
    json.Key("kind").String(kind == 0 ? "static" : "animated");
    json.Key("smiles").Number(smiles);
    json.Key("counts").BeginObject();
    for (TCheckSeverity severity : kSeverities) {
        json.Key(std::string(SeverityName(severity)) + "s").Number(result.Count(severity));
    }
    json.EndObject();
    json.Key("findings").BeginArray();
    for (const TCheckFinding& f : result.Findings) {
        json.BeginObject();
        json.Key("kind").String(CheckKindName(f.Kind));
        json.Key("severity").String(SeverityName(f.Severity));
        json.Key("smiles").IntArray(f.Smiles);
        json.Key("signatures").IntArray(f.Signatures);
        json.Key("params").StringArray(f.Params);
        json.Key("message").String(Utf16ToUtf8(FormatFinding(f, text)));
        json.Key("fix");
        // Replacing a picture needs the user's file: no fix a script can apply.
        if (f.Fix.Action == TFixAction::None || f.Fix.Action == TFixAction::ReplacePicture) {
            json.Null();
        } else {
            json.BeginObject();
            json.Key("action").String(FixActionName(f.Fix.Action));
            json.Key("smile").Number(f.Fix.Smile);
            if (f.Fix.Action == TFixAction::RemoveSignature) json.Key("signature").Number(f.Fix.Signature);
            json.EndObject();
        }
        json.EndObject();
    }
    json.EndArray();
    // Kinds that had more findings than were listed: how many more, or null when not counted.
    json.Key("omitted").BeginArray();
    for (int k = 0; k < kCheckKindCount; ++k) {
        const int32_t omitted = result.Omitted[static_cast<size_t>(k)];
        if (omitted == 0) continue;
        json.BeginObject();
        json.Key("kind").String(CheckKindName(static_cast<TCheckKind>(k)));
        json.Key("count");
        if (omitted < 0) {
            json.Null();
        } else {
            json.Number(omitted);
        }
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
}

}  // namespace faceloom::cli
