#pragma once

#include <cstddef>
#include <span>

#include "app/commands/ids.h"

namespace faceloom {

class TEditorCommands;

// Every command of the main window. Each has one action (made from its row in the table), which
// the toolbar, the buttons, the context menu and the keys all trigger.
enum class TCommand : int {
    NewPack,
    OpenPack,
    Save,
    SaveAs,
    ClosePack,
    StaticPack,
    AnimatedPack,
    BothPacks,
    Options,
    About,
    AddSmiles,
    MoveSmileUp,
    ReplacePicture,
    MoveSmileLeft,
    Preview,
    MoveSmileRight,
    DeleteSmile,
    MoveSmileDown,
    DeletePicture,
    AddSignature,
    EditSignature,
    MoveSignatureUp,
    DeleteSignature,
    FindSignature,
    MoveSignatureDown,
    Undo,
    Redo,
    CheckPack,
    AddFolder,
    Import,
    Export,
    Exit,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(TCommand::Exit) + 1;

// One row of the command table.
struct TCommandSpec {
    TCommand Command;
    TElement Element;        // kNoElement: always available
    const char* ObjectName;  // the action's
    TTextId Text;            // the hint, and the menu item's text
    int ToolButton;          // TntToolButton<n> shows it (its image is the element's); 0: none
    int BitButton;           // TntBitBtn<n> shows it (with that button's glyph); 0: none
    int MenuItem;            // its place in the grid's context menu (1 first), acting on the
                             // smile under the menu; 0: not in the menu
    bool Checkable;
    const char* Keys;      // its key, shown in the hint; nullptr: none
    const char* ListKeys;  // the key that reaches it while the signature list has the focus
    void (TEditorCommands::*Handler)();
};

// The rows, in TCommand order.
std::span<const TCommandSpec> CommandTable();
const TCommandSpec& CommandSpec(TCommand command);

}  // namespace faceloom
