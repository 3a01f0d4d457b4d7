// The decoders' reasons are texts of the language: each under an id of its own, its built-in
// Russian the exception's own message, and a note naming one says it in the note's language.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "convert/pack_import.h"
#include "lang/builtin_texts.h"
#include "lang/lang_compiler.h"
#include "pictures/decoder_errors.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace faceloom {
namespace {

// Each reason a decoder gives is a text of the language whose built-in Russian is the
// exception's own message, each under an id of its own.
TEST(BuiltinTexts, HoldEveryDecoderReasonAsTheDecodersSayIt) {
    std::set<int> ids;
    for (size_t k = 0; k < std::size(kDecoderMessages); ++k) {
        const TDecoderMessageText& message = kDecoderMessages[k];
        EXPECT_EQ(static_cast<size_t>(message.Message), k);
        if (message.Message == TDecoderMessage::None) {
            EXPECT_EQ(message.TextId, 0);
            continue;
        }
        SCOPED_TRACE(message.Russian);
        EXPECT_TRUE(ids.insert(message.TextId).second);
        EXPECT_EQ(BuiltinText(message.TextId), Utf8ToUtf16(message.Russian));
        EXPECT_EQ(EAbort(message.Message).what(), std::string(message.Russian));
        EXPECT_EQ(DecoderMessageTextId(EAbort(message.Message)), message.TextId);
    }
    EXPECT_EQ(DecoderMessageTextId(EAbort("a reason of its own")), 0);
    EXPECT_EQ(DecoderMessageTextId(std::runtime_error("not a decoder's")), 0);
}

// A GIF whose image data asks for an impossible code size, imported: the note's reason is the
// decoder's, in Russian built in and in English from the shipped language.
TEST(DecoderReasons, ANoteSaysTheDecodersReasonInItsLanguage) {
    TForeignPack pack;
    const std::string gif(
        "GIF89a\x01\x00\x01\x00\x00\x00\x00"
        "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00"
        "\x0c\x01\x00\x00\x3b",
        25);
    pack.Smiles.push_back({"bad.gif", std::vector<uint8_t>(gif.begin(), gif.end()), {}, false});
    TImportNotes notes;
    TConvertOptions options;
    try {
        ConvertForPack(pack.Smiles[0].Bytes, "bad.gif", options, notes);
        FAIL() << "a damaged header was read";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Kind, TImportNoteKind::DamagedPicture);
        EXPECT_EQ(error.ReasonText, DecoderMessageText(TDecoderMessage::DataError).TextId);
        const TImportNote note{error.Kind, {"bad.gif", error.what()}, error.ReasonText};
        const auto source =
            ReadWholeFile(std::filesystem::path(FACELOOM_SOURCE_DIR) / "languages" / "English.txt");
        ASSERT_TRUE(source);
        TLangTexts english;
        std::vector<TLangSourceError> errors;
        ASSERT_TRUE(ParseLangSource(*source, english, errors));
        const auto inEnglish = [&](int id) { return english.count(id) ? english.at(id) : std::u16string(); };
        const auto builtIn = [](int id) { return std::u16string(BuiltinText(id)); };
        EXPECT_EQ(Utf16ToUtf8(FormatImportNote(note, inEnglish)),
                  "«bad.gif»: the picture cannot be read (Error in the data), skipped.");
        EXPECT_EQ(Utf16ToUtf8(FormatImportNote(note, builtIn)),
                  "«bad.gif»: картинку не удалось прочитать (Ошибка в данных), пропущено.");
    }
}

}  // namespace
}  // namespace faceloom
