#include "cli/report_format.h"

#include "cli/json_writer.h"
#include "cli/text_escape.h"

namespace faceloom::cli {

std::string FormatCheck(const TPackReport& report) {
    std::string out = report.Folder + "\n";
    out += "  smiles: " + std::to_string(report.Smiles.size()) + "\n";
    out += "  load errors: " + std::to_string(report.LoadErrors) + "\n";
    out += "  missing files: " + std::to_string(report.MissingFiles) + "\n";
    out += "  without signatures: " + std::to_string(report.WithoutSignatures) + "\n";
    out += "  duplicate signatures: " + std::to_string(report.DuplicateSignatures) + "\n";
    return out;
}

std::string FormatListText(const TPackReport& report, TCodePage codePage) {
    std::string out;
    for (const TSmileReport& smile : report.Smiles) {
        out += std::to_string(smile.Index);
        out += '\t';
        out += smile.Source ? EscapeLine(*smile.Source) : std::string("-");
        out += '\t' + std::to_string(smile.Frames);
        out += '\t' + std::to_string(smile.Width) + "x" + std::to_string(smile.Height);
        out += '\t';
        out += SmileStatusName(smile.Status);
        for (const std::string& signature : smile.Signatures) {
            out += '\t';
            out += EscapeLine(CodePageToUtf8(signature, codePage));
        }
        out += '\n';
    }
    return out;
}

std::string FormatListJson(const TPackReport& report, TCodePage codePage) {
    TJsonWriter json;
    json.BeginObject();
    json.Key("kind").String(report.Kind == 0 ? "static" : "animated");
    json.Key("folder").String(report.Folder);
    json.Key("smiles").BeginArray();
    for (const TSmileReport& smile : report.Smiles) {
        json.BeginObject();
        json.Key("index").Number(smile.Index);
        json.Key("source");
        if (smile.Source) {
            json.String(*smile.Source);
        } else {
            json.Null();
        }
        json.Key("frames").Number(smile.Frames);
        json.Key("width").Number(smile.Width);
        json.Key("height").Number(smile.Height);
        json.Key("delays").IntArray(smile.Delays);
        json.Key("status").String(SmileStatusName(smile.Status));
        json.Key("signatures").BeginArray();
        for (const std::string& signature : smile.Signatures) {
            json.String(CodePageToUtf8(signature, codePage));
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    json.Key("counts").BeginObject();
    json.Key("smiles").Number(static_cast<int64_t>(report.Smiles.size()));
    json.Key("load_errors").Number(report.LoadErrors);
    json.Key("missing_files").Number(report.MissingFiles);
    json.Key("without_signatures").Number(report.WithoutSignatures);
    json.EndObject();
    json.EndObject();
    return json.Text() + "\n";
}

std::string FormatFramesJson(int32_t width, int32_t height, const std::vector<int32_t>& delays,
                             const std::vector<int>& depths) {
    TJsonWriter json;
    json.BeginObject();
    json.Key("frames").Number(static_cast<int64_t>(depths.size()));
    json.Key("width").Number(width);
    json.Key("height").Number(height);
    json.Key("delays").IntArray(delays);
    json.Key("depth").BeginArray();
    for (int depth : depths) json.Number(depth);
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

}  // namespace faceloom::cli
