#include "app/commands/command_table.h"

#include "app/commands/editor_commands.h"

namespace faceloom {

namespace {

using C = TCommand;
using E = TEditorCommands;

// clang-format off
constexpr TCommandSpec kCommands[] = {
    // command             element                     object name            text                   tool btn menu check keys            list keys
    {C::NewPack,           kElementNewPack,           "TntToolButton1Action", kTextNewPack,          1,  0,  0, false, "Ctrl+N",       nullptr, &E::NewPack},
    {C::OpenPack,          kElementOpenPack,          "TntToolButton2Action", kTextOpenPack,         2,  0,  0, false, "Ctrl+O",       nullptr, &E::OpenPack},
    {C::Save,              kElementSave,              "TntToolButton3Action", kTextSave,             3,  0,  0, false, "Ctrl+S",       nullptr, &E::Save},
    {C::SaveAs,            kElementSaveAs,            "TntToolButton4Action", kTextSaveAs,           4,  0,  0, false, "Ctrl+Shift+S", nullptr, &E::SaveAs},
    {C::ClosePack,         kElementClosePack,         "TntToolButton5Action", kTextClosePack,        5,  0,  0, false, "Ctrl+W",       nullptr, &E::ClosePack},
    {C::StaticPack,        kElementStaticPack,        "TntToolButton7Action", kTextStaticPack,       7,  0,  0, true,  "Ctrl+1",       nullptr, &E::StaticPack},
    {C::AnimatedPack,      kElementAnimatedPack,      "TntToolButton8Action", kTextAnimatedPack,     8,  0,  0, true,  "Ctrl+2",       nullptr, &E::AnimatedPack},
    {C::BothPacks,         kElementBothPacks,         "TntToolButton9Action", kTextBothPacks,        9,  0,  0, true,  "Ctrl+3",       nullptr, &E::BothPacks},
    {C::Options,           kElementOptions,           "TntToolButton11Action", kTextOptions,         11, 0,  0, false, "Ctrl+,",       nullptr, &E::Options},
    {C::About,             kElementAbout,             "TntToolButton13Action", kTextAbout,           13, 0,  0, false, "F1",           nullptr, &E::About},
    {C::AddSmiles,         kElementAddSmiles,         "AddSmile",             kTextAddSmiles,        0,  2,  1, false, "Ins",          nullptr, &E::AddSmiles},
    {C::MoveSmileUp,       kElementMoveSmileUp,       "MoveSmileUp",          kTextMoveSmileUp,      0,  3,  0, false, "Ctrl+Up",      nullptr, &E::MoveSmileUp},
    {C::ReplacePicture,    kElementReplacePicture,    "ReplacePicture",       kTextReplacePicture,   0,  4,  3, false, nullptr,        nullptr, &E::ReplacePicture},
    {C::MoveSmileLeft,     kElementMoveSmileLeft,     "MoveSmileLeft",        kTextMoveSmileLeft,    0,  5,  0, false, "Ctrl+Left",    nullptr, &E::MoveSmileLeft},
    {C::Preview,           kElementPreview,           "Preview",              kTextPreview,          0,  6,  6, false, "Return",       nullptr, &E::Preview},
    {C::MoveSmileRight,    kElementMoveSmileRight,    "MoveSmileRight",       kTextMoveSmileRight,   0,  7,  0, false, "Ctrl+Right",   nullptr, &E::MoveSmileRight},
    {C::DeleteSmile,       kElementDeleteSmile,       "DeleteSmile",          kTextDeleteSmile,      0,  8,  4, false, "Del",          nullptr, &E::DeleteSmile},
    {C::MoveSmileDown,     kElementMoveSmileDown,     "MoveSmileDown",        kTextMoveSmileDown,    0,  9,  0, false, "Ctrl+Down",    nullptr, &E::MoveSmileDown},
    {C::DeletePicture,     kElementDeletePicture,     "DeletePicture",        kTextDeletePicture,    0,  10, 5, false, nullptr,        nullptr, &E::DeletePicture},
    {C::AddSignature,      kElementAddSignature,      "AddSignature",         kTextAddSignature,     0,  11, 0, false, nullptr,        "Ins",   &E::AddSignature},
    {C::EditSignature,     kElementEditSignature,     "EditSignature",        kTextEditSignature,    0,  12, 0, false, "F2",           "Return", &E::EditSignature},
    {C::MoveSignatureUp,   kElementMoveSignatureUp,   "MoveSignatureUp",      kTextMoveSignatureUp,  0,  13, 0, false, nullptr,        nullptr, &E::MoveSignatureUp},
    {C::DeleteSignature,   kElementDeleteSignature,   "DeleteSignature",      kTextDeleteSignature,  0,  14, 0, false, nullptr,        "Del",   &E::DeleteSignature},
    {C::FindSignature,     kElementFindSignature,     "FindSignature",        kTextFindSignature,    0,  15, 0, false, nullptr,        nullptr, &E::FindSignature},
    {C::MoveSignatureDown, kElementMoveSignatureDown, "MoveSignatureDown",    kTextMoveSignatureDown, 0, 16, 0, false, nullptr,        nullptr, &E::MoveSignatureDown},
    {C::Undo,              kElementUndo,              "TntToolButton15Action", kTextUndo,            15, 0,  7, false, "Ctrl+Z",       nullptr, &E::Undo},
    {C::Redo,              kElementRedo,              "TntToolButton16Action", kTextRedo,            16, 0,  8, false, "Ctrl+Shift+Z", nullptr, &E::Redo},
    {C::CheckPack,         kElementCheckPack,         "TntToolButton17Action", kTextCheckPack,       17, 0,  9, false, "F7",           nullptr, &E::CheckPack},
    {C::AddFolder,         kElementAddFolder,         "AddFolder",            kTextAddFolder,        0,  0,  2, false, "Shift+Ins",    nullptr, &E::AddFolder},
    {C::Import,            kElementImport,            "TntToolButton19Action", kTextImport,          19, 0, 10, false, "Ctrl+I",       nullptr, &E::Import},
    {C::Export,            kElementExport,            "TntToolButton20Action", kTextExport,          20, 0, 11, false, "Ctrl+E",       nullptr, &E::Export},
    {C::Exit,              kNoElement,                "Exit",                 kTextExit,             0,  1,  0, false, "Esc",          nullptr, &E::Exit},
};
// clang-format on

static_assert(std::size(kCommands) == kCommandCount);

constexpr bool InCommandOrder() {
    for (std::size_t i = 0; i < kCommandCount; ++i)
        if (static_cast<std::size_t>(kCommands[i].Command) != i) return false;
    return true;
}
static_assert(InCommandOrder(), "the rows follow TCommand");

}  // namespace

std::span<const TCommandSpec> CommandTable() {
    return kCommands;
}

const TCommandSpec& CommandSpec(TCommand command) {
    return kCommands[static_cast<std::size_t>(command)];
}

}  // namespace faceloom
