#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace faceloom::cli {

// A command line the program cannot act on: unknown option, missing argument, ... The
// message says what is wrong; the program prints it with a pointer to --help and ends with
// exit status 2.
class EUsageError : public std::runtime_error {
public:
    explicit EUsageError(const std::string& message) : std::runtime_error(message) {}
};

struct TOptionSpec {
    std::string Name;  // with the dashes: "--out"
    bool TakesValue = false;
};

// The arguments of one command after option parsing.
struct TParsedArgs {
    std::set<std::string> Flags;
    std::map<std::string, std::string> Values;  // the last value given wins
    std::vector<std::string> Positionals;

    bool Has(const std::string& name) const { return Flags.count(name) != 0 || Values.count(name) != 0; }
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
};

// Parses the arguments that follow the command name. Options may stand anywhere among the
// positional arguments; "--name value" and "--name=value" both work for options with a
// value; "--" makes everything after it positional; "-h" is "--help"; a lone "-" is
// positional. Throws EUsageError for an unknown option, a flag given a value or a missing
// value.
TParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<TOptionSpec>& specs);

// The pack kind of --static / --animated (animated when neither is given); both at once is a
// usage error. Answers the pack index (0 static, 1 animated).
uint8_t PackKindOf(const TParsedArgs& args);
const char* PackKindName(uint8_t kind);

// --code-page NAME (windows-1251 when not given); an unknown name is a usage error.
TCodePage CodePageOf(const TParsedArgs& args);

// The counts of positional arguments a command takes; a usage error otherwise.
void ExpectPositionals(const TParsedArgs& args, size_t minimum, size_t maximum, const std::string& what);

}  // namespace faceloom::cli
