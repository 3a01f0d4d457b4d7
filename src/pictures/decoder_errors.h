#pragma once

#include <stdexcept>
#include <string>

namespace faceloom {

// The silent-abort kind: a picture could not be decoded. The message (UTF-8) says why; the
// application's top-level handler does not show it, the pack model counts the picture as
// failed to load.
class EAbort : public std::runtime_error {
public:
    explicit EAbort(const std::string& message) : std::runtime_error(message) {}
};

// The GIF image data ended (a zero-length sub-block) while codes were still needed.
class EDataBlockError : public EAbort {
public:
    explicit EDataBlockError(const std::string& message) : EAbort(message) {}
};

// A bitmap file that the bitmap reader cannot read: truncated, of an unsupported kind, or
// with sizes that do not add up. The message names the fault.
class EInvalidGraphic : public EAbort {
public:
    explicit EInvalidGraphic(const std::string& message) : EAbort(message) {}
};

// The picture's frames do not fit beside the frames already decoded for its pack (the pack's
// budget of decoded frames, TFrameBudget): the picture is not damaged, it is too large for
// memory.
class ETooLargeForMemory : public EAbort {
public:
    ETooLargeForMemory() : EAbort("Слишком велика для памяти") {}
};

}  // namespace faceloom
