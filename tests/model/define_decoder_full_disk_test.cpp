// A disk that fills in the middle of an edit, undo or redo: at every sampled point the
// operation either happens whole or not at all in the working copy, and when even its roll-back
// cannot be written the pack refuses everything else until it is put back. Then space is freed
// and the user goes on without a restart (one more edit, a save): the saved pack keeps every
// picture with its own signatures, and a restart on the storage agrees.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>

#include "define_decoder_fixture.h"
#include "model/define_file.h"
#include "model/edit_journal.h"
#include "platform/files.h"
#include "platform/fill_seam.h"
#include "platform/flush_batch.h"

namespace faceloom::test {
namespace {

// A pack's smiles as "signatures|picture id" (-1: no picture), in order.
using State = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

const State kStart = {"s0|1", "s1|2", "s2|3", "s3|4"};

struct Operation {
    const char* name;
    // Done before the fill, with room to spare.
    std::function<void(TDefineDecoder&)> setup;
    std::function<bool(TDefineDecoder&)> run;
    State before;
    State after;
    // The edit renames pictures, so a roll-back cut short by the fill can leave it half-way.
    bool renames;
};

// The last smile moved to the front: every picture of the pack changes its name.
State LastToFront(State state) {
    std::rotate(state.rbegin(), state.rbegin() + 1, state.rend());
    return state;
}

class FullDiskTest : public ModelTest {
protected:
    void TearDown() override { FillOff(); }

    // Every file below a folder with its bytes.
    static Files AllFiles(const std::string& folder) {
        Files files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file()) files[entry.path().string()] = ReadBytes(entry.path());
        }
        return files;
    }
    // The state a folder holds: its definition's lines and the picture of each.
    static State FolderState(const std::string& folder) {
        std::vector<std::string> lines;
        if (!ReadDefinition(folder + "_define.ini", lines)) return {"no definition"};
        State state;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::vector<std::string> signatures;
            ParseSignatures(lines[i], signatures);
            std::string joined;
            for (const std::string& s : signatures) joined += (joined.empty() ? "" : ",") + s;
            const std::string picture = folder + CanonicalName(static_cast<int>(i)) + ".gif";
            state.push_back(joined + "|" + std::to_string(FileId(picture)));
        }
        return state;
    }
    static State ModelState(const TDefineDecoder& model) {
        State state;
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            std::string joined;
            for (const std::string& s : model.Smile(i)->Signatures.Items())
                joined += (joined.empty() ? "" : ",") + s;
            state.push_back(joined + "|" + std::to_string(PictureId(model.Smile(i))));
        }
        return state;
    }
    // The pictures a state's pack holds, by name.
    static std::vector<std::string> PictureNames(const State& state) {
        std::vector<std::string> names;
        for (size_t i = 0; i < state.size(); ++i) {
            if (state[i].substr(state[i].find('|')) != "|-1")
                names.push_back(CanonicalName(static_cast<int>(i)) + ".gif");
        }
        return names;
    }

    std::unique_ptr<TDefineDecoder> Fresh(const Operation& op) {
        auto model = NewModel();
        EXPECT_TRUE(model->OpenPack(source_ + "_define.ini"));
        op.setup(*model);
        EXPECT_EQ(ModelState(*model), op.before) << op.name;
        return model;
    }

    // One fill point: the operation under the fill, checks while full, then space freed and
    // the user goes on. Returns the error of the operation (None when it succeeded).
    TModelError RunAt(const Operation& op, uint64_t bytes, uint64_t entries, int point) {
        const std::string where = std::string(op.name) + " at fill point " + std::to_string(point) + " (" +
                                  std::to_string(bytes) + " bytes, " + std::to_string(entries) + " entries)";
        SCOPED_TRACE(where);
        auto model = Fresh(op);
        const std::string work = Work(*model);
        const Files files = AllFiles(work);
        FillAfter(bytes, entries);
        const bool done = op.run(*model);
        const TModelError error = done ? TModelError::None : model->LastError();
        if (done) {
            EXPECT_EQ(ModelState(*model), op.after);
            EXPECT_EQ(FolderState(work), op.after);
        } else {
            EXPECT_EQ(ModelState(*model), op.before);
            EXPECT_TRUE(error == TModelError::WriteFailed || error == TModelError::RenameFailed ||
                        error == TModelError::CopyFailed || error == TModelError::EditUnfinished)
                << static_cast<int>(error);
        }
        if (error == TModelError::EditUnfinished) {
            // Still full: nothing else happens to the pack, each refusal says why.
            EXPECT_TRUE(FileExists(work + kEditJournalName));
            EXPECT_FALSE(model->AddSignature(0, 0, "z"));
            EXPECT_EQ(model->LastError(), TModelError::EditUnfinished);
            EXPECT_FALSE(model->MoveSmile(0, 1));
            EXPECT_EQ(model->LastError(), TModelError::EditUnfinished);
            EXPECT_FALSE(model->Undo());
            EXPECT_EQ(model->LastError(), TModelError::EditUnfinished);
            EXPECT_FALSE(model->SaveAs(sources.folder() + "refused/_define.ini"));
            EXPECT_EQ(model->LastError(), TModelError::EditUnfinished);
            EXPECT_FALSE(FileExists(sources.folder() + "refused/_define.ini"));
            EXPECT_EQ(ModelState(*model), op.before);
        } else if (!done) {
            // Nothing changed in the working copy, its history included.
            EXPECT_EQ(AllFiles(work), files);
        }

        // Room again: the user goes on without a restart.
        FillOff();
        const State base = done ? op.after : op.before;
        const State expected = LastToFront(base);
        EXPECT_TRUE(model->MoveSmile(static_cast<int32_t>(base.size()) - 1, 0))
            << static_cast<int>(model->LastError());
        EXPECT_EQ(ModelState(*model), expected);
        EXPECT_EQ(FolderState(work), expected);
        // The history agrees with the working copy: the move goes back exactly.
        EXPECT_TRUE(model->Undo()) << static_cast<int>(model->LastError());
        EXPECT_EQ(FolderState(work), base);
        EXPECT_TRUE(model->Redo()) << static_cast<int>(model->LastError());
        EXPECT_EQ(ModelState(*model), expected);
        const std::string saved = sources.folder() + "saved" + std::to_string(point) + "/";
        EXPECT_TRUE(model->SaveAs(saved + "_define.ini")) << static_cast<int>(model->LastError());
        EXPECT_EQ(FolderState(saved), expected);
        EXPECT_EQ(ListFiles(saved, ".gif"), PictureNames(expected));
        model.reset();
        auto restarted = NewModel();
        EXPECT_TRUE(restarted->LoadFromStorage());
        EXPECT_EQ(ModelState(*restarted), expected);
        return error;
    }

    // Bytes and entries the operation makes with room to spare.
    std::pair<uint64_t, uint64_t> Measure(const Operation& op) {
        auto model = Fresh(op);
        const uint64_t bytes = BytesWritten(), entries = EntriesMade();
        EXPECT_TRUE(op.run(*model)) << op.name;
        return {BytesWritten() - bytes, EntriesMade() - entries};
    }

    void SetUp() override {
        source_ = MakePack("pack", {{"aa.gif", 1}, {"ab.gif", 2}, {"ac.gif", 3}, {"ad.gif", 4}},
                           "s0\r\ns1\r\ns2\r\ns3");
        inserted_ = Picture(50);
        replacing_ = Picture(60);
    }

    std::vector<Operation> Operations() {
        auto none = [](TDefineDecoder&) {};
        auto deleteOne = [](TDefineDecoder& m) { ASSERT_TRUE(m.DeleteSmile(1)); };
        const State deleted = {"s0|1", "s2|3", "s3|4"};
        return {
            {"insert",
             none,
             [this](TDefineDecoder& m) { return m.InsertSmile(1, inserted_) != nullptr; },
             kStart,
             {"s0|1", "|50", "s1|2", "s2|3", "s3|4"},
             true},
            {"move",
             none,
             [](TDefineDecoder& m) { return m.MoveSmile(0, 3); },
             kStart,
             {"s1|2", "s2|3", "s3|4", "s0|1"},
             true},
            {"replace",
             none,
             [this](TDefineDecoder& m) { return m.ReplacePicture(2, replacing_) != nullptr; },
             kStart,
             {"s0|1", "s1|2", "s2|60", "s3|4"},
             true},
            {"delete", none, [](TDefineDecoder& m) { return m.DeleteSmile(1); }, kStart, deleted, true},
            {"delete picture",
             none,
             [](TDefineDecoder& m) { return m.DeletePicture(2); },
             kStart,
             {"s0|1", "s1|2", "s2|-1", "s3|4"},
             true},
            {"signature",
             none,
             [](TDefineDecoder& m) { return m.AddSignature(1, 1, "x"); },
             kStart,
             {"s0|1", "s1,x|2", "s2|3", "s3|4"},
             false},
            {"undo", deleteOne, [](TDefineDecoder& m) { return m.Undo(); }, deleted, kStart, true},
            {"redo",
             [](TDefineDecoder& m) {
                 ASSERT_TRUE(m.DeleteSmile(1));
                 ASSERT_TRUE(m.Undo());
             },
             [](TDefineDecoder& m) { return m.Redo(); }, kStart, deleted, true},
        };
    }

    // Outcomes of one operation's fill points, for the log: "insert: 14 points, 9 WriteFailed ...".
    static void Tally(const Operation& op, const std::map<TModelError, int>& outcomes) {
        static const std::map<TModelError, const char*> names = {
            {TModelError::None, "done"},
            {TModelError::WriteFailed, "WriteFailed"},
            {TModelError::RenameFailed, "RenameFailed"},
            {TModelError::CopyFailed, "CopyFailed"},
            {TModelError::EditUnfinished, "EditUnfinished"}};
        std::string line = std::string("[          ] ") + op.name + ":";
        for (const auto& [error, count] : outcomes) {
            const auto name = names.find(error);
            line += " " + std::to_string(count) + " " + (name == names.end() ? "other" : name->second);
        }
        std::printf("%s\n", line.c_str());
    }

    // A model whose move of smile 0 to 3 was left half-way: the new names ran out during its
    // renames, and they are still out.
    std::unique_ptr<TDefineDecoder> HalfWayMove() {
        for (uint64_t room = 0; room < 40; ++room) {
            auto model = NewModel();
            EXPECT_TRUE(model->OpenPack(source_ + "_define.ini"));
            FillAfter(UINT64_MAX, room);
            EXPECT_FALSE(model->MoveSmile(0, 3));
            if (model->LastError() == TModelError::EditUnfinished) return model;
            FillOff();
        }
        ADD_FAILURE() << "no fill point leaves the move half-way";
        return nullptr;
    }

    std::string source_, inserted_, replacing_;
    // What reaches the disk is not in question here, only what the file system refuses.
    TSkippedFlushes skipped_;
};

// Writes fail from a sampled byte on (folders and renames still work, as on a disk whose
// blocks ran out): the operation fails whole and the working copy is as before.
TEST_F(FullDiskTest, WritesFailingAtEverySampledByteNeverShiftASavedPack) {
    int points = 0;
    for (const Operation& op : Operations()) {
        const auto [bytes, entries] = Measure(op);
        ASSERT_GT(bytes, 0u) << op.name;
        std::map<TModelError, int> outcomes;
        // The journal names files by their identities, whose decimal length varies a little
        // from run to run: near the end either outcome is right.
        constexpr uint64_t kSlack = 64;
        constexpr uint64_t kSamples = 12;
        std::vector<uint64_t> at;
        for (uint64_t k = 0; k <= kSamples; ++k) at.push_back(bytes * k / kSamples);
        at.push_back(bytes - 1);
        at.push_back(bytes + kSlack);
        std::sort(at.begin(), at.end());
        at.erase(std::unique(at.begin(), at.end()), at.end());
        for (const uint64_t room : at) {
            const TModelError error = RunAt(op, room, UINT64_MAX, points++);
            ++outcomes[error];
            if (room + kSlack < bytes) {
                EXPECT_NE(error, TModelError::None) << op.name << " " << room;
            }
            if (room >= bytes + kSlack) {
                EXPECT_EQ(error, TModelError::None) << op.name << " " << room;
            }
            // Every write comes before the first rename: nothing is ever left half-way.
            EXPECT_NE(error, TModelError::EditUnfinished) << op.name << " " << room;
        }
        Tally(op, outcomes);
        if (HasFailure()) return;
    }
    std::printf("[          ] %d fill points\n", points);
}

// New names run out from a sampled entry on, renames included, so that an edit that started
// its renames cannot put them back either: the pack refuses everything until there is room,
// then puts the edit back and goes on.
TEST_F(FullDiskTest, RenamesFailingAtEverySampledEntryNeverShiftASavedPack) {
    int points = 0;
    for (const Operation& op : Operations()) {
        const auto [bytes, entries] = Measure(op);
        ASSERT_GT(entries, 0u) << op.name;
        std::map<TModelError, int> outcomes;
        int unfinished = 0;
        for (uint64_t room = 0; room <= entries; ++room) {
            const TModelError error = RunAt(op, UINT64_MAX, room, points++);
            ++outcomes[error];
            unfinished += error == TModelError::EditUnfinished;
            EXPECT_EQ(error == TModelError::None, room == entries) << op.name << " " << room;
        }
        // The sweep reaches the edits' renames: some points leave them half-way.
        if (op.renames) {
            EXPECT_GT(unfinished, 0) << op.name;
        } else {
            EXPECT_EQ(unfinished, 0) << op.name;
        }
        Tally(op, outcomes);
        if (HasFailure()) return;
    }
    std::printf("[          ] %d fill points\n", points);
}

// The edit's renames are done when its new history index or definition cannot be put in place
// (a folder with a file in it holds the name): the renames and the index already in place go
// back, and the working copy is exactly as before, history included (the undo and redo rows
// have an index of their own to go back to).
TEST_F(FullDiskTest, AnIndexOrDefinitionThatCannotBePutInPlaceLeavesEverythingAsBefore) {
    for (const char* target : {"_define.ini", "History/index"}) {
        for (const Operation& op : Operations()) {
            SCOPED_TRACE(std::string(op.name) + ", " + target + " blocked");
            auto model = Fresh(op);
            const std::string path = Work(*model) + target;
            const std::string bytes = std::filesystem::exists(path) ? ReadBytes(path) : std::string();
            std::filesystem::remove(path);
            std::filesystem::create_directories(path + "/x");
            const Files files = AllFiles(Work(*model));

            EXPECT_FALSE(op.run(*model));
            EXPECT_EQ(model->LastError(), TModelError::WriteFailed);
            EXPECT_EQ(AllFiles(Work(*model)), files);
            EXPECT_EQ(ModelState(*model), op.before);

            // Given back (an index that was not there stays away): the edit goes through.
            std::filesystem::remove_all(path);
            if (!bytes.empty()) WriteBytes(path, bytes);
            EXPECT_TRUE(op.run(*model)) << static_cast<int>(model->LastError());
            EXPECT_EQ(ModelState(*model), op.after);
            EXPECT_EQ(FolderState(Work(*model)), op.after);
        }
    }
}

// The editor quits while the edit is still half-way and starts again on a disk that is still
// full: the start cannot finish the edit, so the pack refuses everything; once there is room
// the next operation finishes it, the list is built again from the working copy, and the
// operation goes on from there.
TEST_F(FullDiskTest, AnEditLeftHalfWayAcrossARestartIsFinishedOnceThereIsRoom) {
    const State moved = {"s1|2", "s2|3", "s3|4", "s0|1"};
    HalfWayMove().reset();  // still full: quitting cannot put it back either
    if (HasFatalFailure()) return;
    const std::string work = StorageFolder(kAnimatedPack);
    ASSERT_TRUE(FileExists(work + kEditJournalName));

    auto model = NewModel();
    ASSERT_TRUE(model->LoadFromStorage());
    EXPECT_FALSE(model->AddSignature(0, 0, "z"));
    EXPECT_EQ(model->LastError(), TModelError::EditUnfinished);
    EXPECT_FALSE(model->SaveAs(sources.folder() + "refused/_define.ini"));
    EXPECT_EQ(model->LastError(), TModelError::EditUnfinished);

    FillOff();
    ASSERT_TRUE(model->AddSignature(0, 0, "z")) << static_cast<int>(model->LastError());
    const State expected = {"z,s1|2", "s2|3", "s3|4", "s0|1"};
    EXPECT_EQ(ModelState(*model), expected);
    EXPECT_EQ(FolderState(work), expected);
    EXPECT_FALSE(FileExists(work + kEditJournalName));
    ASSERT_TRUE(model->SaveAs(sources.folder() + "saved/_define.ini"));
    EXPECT_EQ(FolderState(sources.folder() + "saved/"), expected);
    // The finished move is a step of the history like any other.
    ASSERT_TRUE(model->Undo());
    EXPECT_EQ(ModelState(*model), moved);
    ASSERT_TRUE(model->Undo());
    EXPECT_EQ(FolderState(work), kStart);
    model.reset();
    auto restarted = NewModel();
    ASSERT_TRUE(restarted->LoadFromStorage());
    EXPECT_EQ(ModelState(*restarted), kStart);
}

// Quitting with room again puts a half-way edit back: the list held what it goes back to.
TEST_F(FullDiskTest, AnEditLeftHalfWayIsPutBackWhenTheEditorQuitsWithRoom) {
    auto model = HalfWayMove();
    ASSERT_TRUE(model);
    const std::string work = Work(*model);
    FillOff();
    model.reset();
    EXPECT_FALSE(FileExists(work + kEditJournalName));
    EXPECT_EQ(FolderState(work), kStart);
    auto restarted = NewModel();
    ASSERT_TRUE(restarted->LoadFromStorage());
    EXPECT_EQ(ModelState(*restarted), kStart);
    EXPECT_FALSE(restarted->CanUndo());
}

}  // namespace
}  // namespace faceloom::test
