#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>

namespace faceloom {

// Why a picture could not be decoded, as the user is told it: each reason is a text of the
// language (its id; Russian built in), so a window or the command line says it in the chosen
// language. The decoders' exceptions carry the Russian text as their message.
enum class TDecoderMessage : uint8_t {
    None,  // a message of its own (what() only)
    HeaderError,
    Truncated,
    UnexpectedEnd,
    DataError,
    EndOfBlock,
    StackOverflow,
    StackEmpty,
    OutLineError,
    PictureTooLarge,
    TooLargeForMemory,
    InvalidBitmap,
    Count,
};

struct TDecoderMessageText {
    TDecoderMessage Message;
    int TextId;
    const char* Russian;  // UTF-8, the exception's message
};

inline constexpr TDecoderMessageText kDecoderMessages[] = {
    {TDecoderMessage::None, 0, ""},
    {TDecoderMessage::HeaderError, 2322, "Неверные данные заголовка"},
    {TDecoderMessage::Truncated, 2323, "Файл урезан"},
    {TDecoderMessage::UnexpectedEnd, 2324, "Неожиданное окончание файла"},
    {TDecoderMessage::DataError, 2325, "Ошибка в данных"},
    {TDecoderMessage::EndOfBlock, 2326, "Неожиданное окончание блока"},
    {TDecoderMessage::StackOverflow, 2327, "Переполнение стека"},
    {TDecoderMessage::StackEmpty, 2328, "Стек пуст"},
    {TDecoderMessage::OutLineError, 2329, "Ошибка в OutLine"},
    {TDecoderMessage::PictureTooLarge, 2330, "Слишком большое изображение"},
    {TDecoderMessage::TooLargeForMemory, 2331, "Слишком велика для памяти"},
    {TDecoderMessage::InvalidBitmap, 2332, "Неверный формат точечного рисунка"},
};
static_assert(std::size(kDecoderMessages) == static_cast<size_t>(TDecoderMessage::Count));

constexpr const TDecoderMessageText& DecoderMessageText(TDecoderMessage message) {
    return kDecoderMessages[static_cast<size_t>(message)];
}

// The silent-abort kind: a picture could not be decoded. The message (UTF-8) says why; the
// application's top-level handler does not show it, the pack model counts the picture as
// failed to load. Message names the reason for the user (None: what() is all there is).
class EAbort : public std::runtime_error {
public:
    explicit EAbort(const std::string& message) : std::runtime_error(message) {}
    explicit EAbort(TDecoderMessage message)
        : std::runtime_error(DecoderMessageText(message).Russian), Message(message) {}
    // The reason's text, the detail (a technical one, for logs and tests) in the message.
    EAbort(TDecoderMessage message, const std::string& detail)
        : std::runtime_error(detail), Message(message) {}
    TDecoderMessage Message = TDecoderMessage::None;
};

// The text id of the reason a decoder gave for error, 0 when it gave none.
inline int DecoderMessageTextId(const std::exception& error) {
    const auto* abort = dynamic_cast<const EAbort*>(&error);
    return abort ? DecoderMessageText(abort->Message).TextId : 0;
}

// The GIF image data ended (a zero-length sub-block) while codes were still needed.
class EDataBlockError : public EAbort {
public:
    explicit EDataBlockError(TDecoderMessage message) : EAbort(message) {}
};

// A bitmap file that the bitmap reader cannot read: truncated, of an unsupported kind, or
// with sizes that do not add up. The message names the fault.
class EInvalidGraphic : public EAbort {
public:
    explicit EInvalidGraphic(const std::string& message) : EAbort(TDecoderMessage::InvalidBitmap, message) {}
    EInvalidGraphic(TDecoderMessage reason, const std::string& message) : EAbort(reason, message) {}
};

// The picture's frames do not fit beside the frames already decoded for its pack (the pack's
// budget of decoded frames, TFrameBudget): the picture is not damaged, it is too large for
// memory.
class ETooLargeForMemory : public EAbort {
public:
    ETooLargeForMemory() : EAbort(TDecoderMessage::TooLargeForMemory) {}
};

}  // namespace faceloom
