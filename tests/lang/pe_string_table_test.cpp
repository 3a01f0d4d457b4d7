#include "lang/pe_string_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "lang/lang_compiler.h"
#include "support/pe_writer.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

using test::PutU16;
using test::PutU32;
using test::TPeModule;
using test::TPeOptions;
using test::WritePeModule;

std::u16string LongText(size_t length) {
    std::u16string text;
    for (size_t i = 0; i < length; ++i) {
        text.push_back(static_cast<char16_t>(u'a' + i % 26));
    }
    return text;
}

// Texts in several blocks, with the edges of the id range and of a block.
const std::map<int, std::u16string>& SampleTexts() {
    static const std::map<int, std::u16string> texts = {
        {0, u"zero"},
        {15, u"last of block 1"},
        {16, u"first of block 2"},
        {101, u"Русский"},
        {1602, u"Пустой смайлпак"},
        {4000, LongText(300)},
        {40000, u"\U0001F600 outside the BMP"},
        {65535, u"the very last id"},
    };
    return texts;
}

void ExpectTexts(const TPeStringTable& table, const std::map<int, std::u16string>& texts) {
    for (int id = 0; id <= 0xFFFF; ++id) {
        const auto it = texts.find(id);
        const std::u16string expected = it == texts.end() ? std::u16string() : it->second;
        ASSERT_EQ(table.Text(id), expected) << "id " << id;
    }
}

std::optional<TPeStringTable> ParseModule(const TPeModule& module, std::string* error = nullptr) {
    return TPeStringTable::Parse(module.bytes, error);
}

class PeStringTableFormats : public testing::TestWithParam<bool> {};

TEST_P(PeStringTableFormats, ReadsEveryTextOfSparseBlocks) {
    TPeOptions options;
    options.pe32Plus = GetParam();
    const TPeModule module = WritePeModule(test::StringTableResources(SampleTexts()), options);
    std::string error;
    const auto table = ParseModule(module, &error);
    ASSERT_TRUE(table) << error;
    ExpectTexts(*table, SampleTexts());
    EXPECT_EQ(table->BlockIds(), (std::vector<uint16_t>{1, 2, 7, 101, 251, 2501, 4096}));
    EXPECT_EQ(table->Text(-1), u"");
    EXPECT_EQ(table->Text(65536), u"");
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeStringTableFormats, testing::Bool());

TEST(PeStringTable, ReadsWhatTheCompilerWrites) {
    TLangTexts texts;
    for (const auto& [id, text] : SampleTexts()) {
        texts[static_cast<uint16_t>(id)] = text;
    }
    const auto table = TPeStringTable::Parse(WriteLangModule(texts));
    ASSERT_TRUE(table);
    ExpectTexts(*table, SampleTexts());
}

TEST(PeStringTable, OtherResourcesAndNoResourcesLeaveNoTexts) {
    // An icon-group-only module, a module whose data directory names no resources, and one
    // with an empty string table type: all loadable, none with texts.
    const std::vector<TPeModule> modules = {
        WritePeModule({{14, 1, 0x409, "group icon"}, {3, 1, 0x409, "icon"}}),
        [] {
            TPeOptions options;
            options.resourceDirectory = false;
            return WritePeModule(test::StringTableResources({{101, u"unused"}}), options);
        }(),
        [] {
            std::string tree;
            test::AppendResourceDirectory(tree, 0, 1);
            test::AppendResourceEntry(tree, 6, test::kResourceSubdirectory | 24);
            test::AppendResourceDirectory(tree, 0, 0);  // type 6 without blocks
            TPeOptions options;
            options.rawSection = tree;
            return WritePeModule({}, options);
        }(),
    };
    for (const TPeModule& module : modules) {
        std::string error;
        const auto table = ParseModule(module, &error);
        ASSERT_TRUE(table) << error;
        EXPECT_TRUE(table->BlockIds().empty());
        EXPECT_EQ(table->Text(101), u"");
    }
}

TEST(PeStringTable, UsesTheFirstLanguageOfEachBlock) {
    std::vector<test::TPeResource> resources = test::StringTableResources({{101, u"Deutsch"}}, 0x0407);
    auto english = test::StringTableResources({{101, u"English"}, {102, u"only in English"}}, 0x0409);
    resources.insert(resources.end(), english.begin(), english.end());
    const auto table = ParseModule(WritePeModule(resources));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Text(101), u"Deutsch");
    EXPECT_EQ(table->Text(102), u"");
}

TEST(PeStringTable, PassesOverBlocksNamedByStringsOrOutOfRange) {
    // Type 6 holds an entry named by a string whose offsets point nowhere, and an id entry
    // with a number no text id maps to, before the real block: neither is read.
    const uint32_t sectionRva = 0x3000;
    const std::string block = test::StringBlock({{5, u"five"}});
    std::string tree;
    test::AppendResourceDirectory(tree, 0, 1);  // 0: root
    test::AppendResourceEntry(tree, 6, test::kResourceSubdirectory | 24);
    test::AppendResourceDirectory(tree, 1, 2);  // 24: type 6
    test::AppendResourceEntry(tree, 0x80FFFFF0u, test::kResourceSubdirectory | 0x7FFFFFF0u);
    test::AppendResourceEntry(tree, 5000, test::kResourceSubdirectory | 0x7FFFFFF0u);
    test::AppendResourceEntry(tree, 1, test::kResourceSubdirectory | 64);
    test::AppendResourceDirectory(tree, 0, 1);  // 64: block 1
    test::AppendResourceEntry(tree, 0, 88);
    test::AppendResourceDataEntry(tree, sectionRva + 104, static_cast<uint32_t>(block.size()));  // 88
    tree += block;                                                                               // 104
    TPeOptions options;
    options.rawSection = tree;
    options.sectionRva = sectionRva;
    std::string error;
    const auto table = ParseModule(WritePeModule({}, options), &error);
    ASSERT_TRUE(table) << error;
    EXPECT_EQ(table->Text(5), u"five");
    EXPECT_EQ(table->BlockIds(), std::vector<uint16_t>{1});
}

TEST(PeStringTable, EntriesPastTheEndOfABlockHaveNoText) {
    // A block cut after its third entry, and one whose fifth length runs past its data.
    std::string block = test::StringBlock({{0, u"a"}, {2, u"ccc"}, {4, u"eeeee"}, {9, u"j"}});
    const size_t thirdEnd = 2 + 2 + 2 + 2 + 6;
    for (const std::string& data : {block.substr(0, thirdEnd), block.substr(0, thirdEnd + 2 + 2 + 4)}) {
        const auto table = ParseModule(WritePeModule({{6, 1, 0, data}}));
        ASSERT_TRUE(table);
        EXPECT_EQ(table->Text(0), u"a");
        EXPECT_EQ(table->Text(2), u"ccc");
        EXPECT_EQ(table->Text(4), u"");
        EXPECT_EQ(table->Text(9), u"");
    }
}

// ---- Modules that are not loadable -------------------------------------------------------

struct TBrokenCase {
    const char* name;
    std::function<void(TPeModule&)> damage;
    const char* reason;  // part of the error expected
};

// Offsets inside the hand-made section of BrokenTreeModule.
constexpr uint32_t kTypeDirectory = 24;
constexpr uint32_t kBlockDirectory = 48;
constexpr uint32_t kDataEntry = 72;
constexpr uint32_t kBlockData = 88;

// root -> type 6 -> block 7 -> language 0 -> data, every offset fixed, for patching.
TPeModule BrokenTreeModule(const std::function<void(std::string&)>& patch) {
    const uint32_t sectionRva = 0x3000;
    const std::string block = test::StringBlock({{5, u"hundred and one"}});
    std::string tree;
    test::AppendResourceDirectory(tree, 0, 1);
    test::AppendResourceEntry(tree, 6, test::kResourceSubdirectory | kTypeDirectory);
    test::AppendResourceDirectory(tree, 0, 1);
    test::AppendResourceEntry(tree, 7, test::kResourceSubdirectory | kBlockDirectory);
    test::AppendResourceDirectory(tree, 0, 1);
    test::AppendResourceEntry(tree, 0, kDataEntry);
    test::AppendResourceDataEntry(tree, sectionRva + kBlockData, static_cast<uint32_t>(block.size()));
    tree += block;
    patch(tree);
    TPeOptions options;
    options.rawSection = tree;
    options.sectionRva = sectionRva;
    return WritePeModule({}, options);
}

TEST(PeStringTable, HandMadeTreeIsReadUnpatched) {
    // The base of the broken cases below must itself be fine.
    const auto table = ParseModule(BrokenTreeModule([](std::string&) {}));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->Text(101), u"hundred and one");
}

TEST(PeStringTable, RejectsMalformedModules) {
    const auto valid = [] { return WritePeModule(test::StringTableResources({{101, u"x"}})); };
    const std::vector<TBrokenCase> cases = {
        {"no MZ", [](TPeModule& m) { m.bytes[0] = 'Z'; }, "DOS"},
        {"PE header past the end",
         [](TPeModule& m) { PutU32(m.bytes, 0x3C, static_cast<uint32_t>(m.bytes.size()) - 2); },
         "PE signature"},
        {"PE header offset wrapping", [](TPeModule& m) { PutU32(m.bytes, 0x3C, 0xFFFFFFFEu); },
         "PE signature"},
        {"no PE signature", [](TPeModule& m) { m.bytes[m.peHeader + 1] = 'X'; }, "PE signature"},
        {"unknown optional header", [](TPeModule& m) { PutU16(m.bytes, m.optionalHeader, 0x107); }, "PE32"},
        {"optional header larger than the file",
         [](TPeModule& m) { PutU16(m.bytes, m.peHeader + 20, 0xFFFF); }, "optional header"},
        {"optional header too small for its directories",
         [](TPeModule& m) { PutU16(m.bytes, m.peHeader + 20, 100); }, "optional header"},
        {"huge directory count", [](TPeModule& m) { PutU32(m.bytes, m.optionalHeader + 92, 0xFFFFFFFFu); },
         "data directories"},
        {"too many sections", [](TPeModule& m) { PutU16(m.bytes, m.peHeader + 6, 97); }, "sections"},
        {"section table past the end", [](TPeModule& m) { PutU16(m.bytes, m.peHeader + 6, 90); }, "section"},
        {"section data past the end", [](TPeModule& m) { PutU32(m.bytes, m.sectionHeader + 16, 0x10000); },
         "section"},
        {"section data offset wrapping",
         [](TPeModule& m) { PutU32(m.bytes, m.sectionHeader + 20, 0xFFFFFF00u); }, "section"},
        {"resource directory outside every section",
         [](TPeModule& m) { PutU32(m.bytes, m.resourceDirectoryEntry, 0x9000); }, "resource directory"},
        {"resource directory cut by the section's end",
         [](TPeModule& m) {
             const auto virtualSize =
                 static_cast<uint32_t>(static_cast<uint8_t>(m.bytes[m.sectionHeader + 8]) |
                                       static_cast<uint8_t>(m.bytes[m.sectionHeader + 9]) << 8);
             PutU32(m.bytes, m.resourceDirectoryEntry, m.sectionRva + virtualSize - 4);
         },
         "a resource directory lies outside the resource section"},
    };
    for (const TBrokenCase& c : cases) {
        TPeModule module = valid();
        c.damage(module);
        std::string error;
        EXPECT_FALSE(ParseModule(module, &error)) << c.name;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
}

TEST(PeStringTable, RejectsHostileResourceTrees) {
    const std::vector<std::pair<const char*, std::function<void(std::string&)>>> patches = {
        {"root claims 131070 entries",
         [](std::string& t) {
             PutU16(t, 12, 0xFFFF);
             PutU16(t, 14, 0xFFFF);
         }},
        {"type directory outside the section",
         [](std::string& t) { PutU32(t, 20, test::kResourceSubdirectory | 0x7FFFFFF0u); }},
        {"type 6 is data, not a directory", [](std::string& t) { PutU32(t, 20, kDataEntry); }},
        {"type directory loops to the root",
         [](std::string& t) { PutU32(t, 20, test::kResourceSubdirectory | 0); }},
        {"block directory loops to itself",
         [](std::string& t) {
             PutU32(t, kBlockDirectory + 20, test::kResourceSubdirectory | kBlockDirectory);
         }},
        {"block is data, not a directory",
         [](std::string& t) { PutU32(t, kTypeDirectory + 20, kDataEntry); }},
        {"block directory claims more entries than fit",
         [](std::string& t) { PutU16(t, kBlockDirectory + 14, 0xFFFF); }},
        {"data entry outside the section",
         [](std::string& t) { PutU32(t, kBlockDirectory + 20, 0x7FFFFFF8u); }},
        {"data entry cut by the section's end",
         [](std::string& t) { PutU32(t, kBlockDirectory + 20, static_cast<uint32_t>(t.size()) - 8); }},
        {"block data before the section", [](std::string& t) { PutU32(t, kDataEntry, 0x100); }},
        {"block data past the section", [](std::string& t) { PutU32(t, kDataEntry + 4, 0x10000); }},
        {"block data size wrapping", [](std::string& t) { PutU32(t, kDataEntry + 4, 0xFFFFFFFFu); }},
    };
    for (const auto& [name, patch] : patches) {
        std::string error;
        EXPECT_FALSE(ParseModule(BrokenTreeModule(patch), &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
    }
}

TEST(PeStringTable, ModulesCutAtAnyLengthAreNotLoadable) {
    // Every section's data must be in the file, so no proper prefix of a module is one.
    TLangTexts texts = {{101, u"Name"}, {1602, u"notice"}, {40000, u"far"}};
    const std::vector<std::string> modules = {
        WriteLangModule(texts),
        WritePeModule(test::StringTableResources({{101, u"Name"}, {300, u"x"}})).bytes,
        [] {
            TPeOptions options;
            options.pe32Plus = true;
            return WritePeModule(test::StringTableResources({{101, u"Name"}}), options).bytes;
        }(),
    };
    for (const std::string& module : modules) {
        ASSERT_TRUE(TPeStringTable::Parse(module));
        for (size_t length = 0; length < module.size(); ++length) {
            ASSERT_FALSE(TPeStringTable::Parse(module.substr(0, length))) << "cut at " << length;
        }
        // Bytes after the last section (an overlay, a signature) do not matter.
        const auto longer = TPeStringTable::Parse(module + std::string(100, '\xFF'));
        ASSERT_TRUE(longer);
        EXPECT_EQ(longer->Text(101), u"Name");
    }
}

TEST(PeStringTable, OpensFilesAndRejectsWhatIsNotAModule) {
    test::TempDir dir;
    test::WriteBytes(dir.file("good.lng"), WritePeModule(test::StringTableResources({{101, u"Good"}})).bytes);
    test::WriteBytes(dir.file("text.lng"), "101 = not compiled\n");
    test::WriteBytes(dir.file("empty.lng"), "");
    const auto good = TPeStringTable::Open(dir.file("good.lng"));
    ASSERT_TRUE(good);
    EXPECT_EQ(good->Text(101), u"Good");
    EXPECT_FALSE(TPeStringTable::Open(dir.file("text.lng")));
    EXPECT_FALSE(TPeStringTable::Open(dir.file("empty.lng")));
    EXPECT_FALSE(TPeStringTable::Open(dir.file("missing.lng")));
    EXPECT_FALSE(TPeStringTable::Open(dir.folder()));
}

TEST(PeStringTable, RejectsFilesTooLargeForALanguage) {
    std::string module = WritePeModule(test::StringTableResources({{101, u"Big"}})).bytes;
    module.resize(TPeStringTable::kMaxModuleSize + 1, '\0');
    std::string error;
    EXPECT_FALSE(TPeStringTable::Parse(std::move(module), &error));
    EXPECT_NE(error.find("too large"), std::string::npos);
}

}  // namespace
}  // namespace faceloom
