#pragma once

#include <stdexcept>
#include <string>

namespace faceloom {

// A file the program rewrites could not be written; the message names the file
// ("Unable to write to <file>"). The old file is left as it was.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(const std::string& message) : std::runtime_error(message) {}
    static EInOutError UnableToWrite(const std::string& fileName) {
        return EInOutError("Unable to write to " + fileName);
    }
};

// A file could not be opened for reading (the platform's file-open error).
class EFOpenError : public std::runtime_error {
public:
    explicit EFOpenError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace faceloom
