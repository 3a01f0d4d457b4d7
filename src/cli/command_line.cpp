#include "cli/command_line.h"

#include "model/define_decoder.h"

namespace faceloom::cli {

namespace {

const TOptionSpec* FindSpec(const std::vector<TOptionSpec>& specs, const std::string& name) {
    for (const TOptionSpec& spec : specs) {
        if (spec.Name == name) return &spec;
    }
    return nullptr;
}

}  // namespace

std::string TParsedArgs::Value(const std::string& name, const std::string& fallback) const {
    auto it = Values.find(name);
    return it == Values.end() ? fallback : it->second;
}

TParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<TOptionSpec>& specs) {
    TParsedArgs parsed;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.Positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg == "-h" ? std::string("--help") : arg;
        std::string value;
        bool hasInlineValue = false;
        if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasInlineValue = true;
        }
        const TOptionSpec* spec = FindSpec(specs, name);
        if (spec == nullptr) {
            throw EUsageError("unknown option '" + arg + "'");
        }
        if (!spec->TakesValue) {
            if (hasInlineValue) throw EUsageError("option '" + name + "' takes no value");
            parsed.Flags.insert(name);
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= args.size()) throw EUsageError("option '" + name + "' needs a value");
            value = args[++i];
        }
        parsed.Values[name] = value;
    }
    return parsed;
}

uint8_t PackKindOf(const TParsedArgs& args) {
    const bool isStatic = args.Has("--static");
    const bool isAnimated = args.Has("--animated");
    if (isStatic && isAnimated) {
        throw EUsageError("--static and --animated exclude each other");
    }
    return isStatic ? kStaticPack : kAnimatedPack;
}

const char* PackKindName(uint8_t kind) {
    return kind == kStaticPack ? "static" : "animated";
}

TCodePage CodePageOf(const TParsedArgs& args) {
    TCodePage codePage = TCodePage::Windows1251;
    if (args.Has("--code-page") && !ParseCodePage(args.Value("--code-page"), codePage)) {
        throw EUsageError("unknown code page '" + args.Value("--code-page") +
                          "' (known: windows-1251, windows-1252)");
    }
    return codePage;
}

void ExpectPositionals(const TParsedArgs& args, size_t minimum, size_t maximum, const std::string& what) {
    const size_t count = args.Positionals.size();
    if (count < minimum) {
        throw EUsageError("missing " + what);
    }
    if (count > maximum) {
        throw EUsageError("unexpected argument '" + args.Positionals[maximum] + "'");
    }
}

}  // namespace faceloom::cli
