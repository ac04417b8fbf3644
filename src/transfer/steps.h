#pragma once

// The numbered steps of each handler that works on tables: the number the error report box
// shows after "at line " when the step fails. A step taken in several places keeps its one
// number.
namespace tw::transfer::steps {

// "Send Table/s To IBM DB2".
enum class SendToDb2 {
    CheckCurrentItem = 108,
    BusyPointer = 110,
    ParadoxPump = 112,
    OpenParadox = 114,
    OpenDb2 = 118,
    ServerVersion = 119,
    ReadSelection = 122,
    FindListed = 128,
    NameAsListed = 130,
    AskOverwrite = 138,
    BeginUnit = 144,
    DropTable = 146,
    RemoveDroppedItem = 148,
    OpenRows = 152,
    BuildCreate = 154,
    CreateTable = 214,
    CommitUnit = 216,
    CountRows = 222,
    BeginRowUnit = 224,
    BuildRow = 230,
    SendRow = 256,
    NextRow = 258,
    DefaultPointer = 260,
    ResetProgress = 262,
    CloseRows = 264,
    AddItem = 266,
    EndPointer = 276,
    CloseDb2 = 278,
    CloseParadox = 280,
    NothingSelected = 282,
    FindWorking = 284,
    DropWorking = 286,
    Checkpoint = 288,
    Verify = 290,
    Swap = 292,
};

// "Send Table/s To Paradox".
enum class SendToParadox {
    CheckCurrentItem = 110,
    BusyPointer = 112,
    OpenStaging = 120,
    OpenParadox = 124,
    OpenDb2 = 128,
    ReadSelection = 132,
    CheckLength = 138,
    AskCut = 140,
    RefuseName = 146,
    FindListed = 148,
    AskOverwrite = 150,
    RemoveReplacedItem = 160,
    OpenRows = 164,
    ReadKey = 165,
    BuildCreate = 166,
    FindLeftover = 224,
    DropLeftover = 226,
    CreateStaging = 228,
    CountRows = 236,
    InsertRow = 244,
    NextRow = 270,
    DefaultPointer = 272,
    ResetProgress = 274,
    CloseRows = 276,
    Export = 278,
    FindStaging = 282,
    DropStaging = 284,
    ReloadList = 290,
    EndPointer = 298,
    CloseStaging = 300,
    CloseDb2 = 302,
    NothingSelected = 304,
};

// "Delete Table/s" under the DB2 list.
enum class DeleteDb2 {
    BusyPointer = 102,
    OpenDb2 = 104,
    CheckCurrentItem = 106,
    DropTable = 112,
    RemoveItem = 114,
    NothingSelected = 118,
    DefaultPointer = 120,
};

// "Delete Table/s" under the Paradox list.
enum class DeleteParadox {
    BusyPointer = 100,
    CheckCurrentItem = 102,
    DeleteFiles = 108,
    NoFile = 110,
    RemoveItem = 114,
    NothingSelected = 126,
    DefaultPointer = 128,
};

// "Rename Table" under either list: the steps both share, and each side's own numbers for
// the steps that follow its rename.
enum class Rename {
    BusyPointer = 102,
    Open = 104,
    CheckCurrentItem = 106,
    CheckOneSelected = 108,
    CheckSelected = 112,
    AskName = 116,
    RenameTable = 120,
};

struct RenameListSteps
{
    int removeItem;
    int addItem;
    int makeFirstCurrent;
    int notJustOne;
    int nothingSelected;
    int defaultPointer;
};

inline constexpr RenameListSteps kRenameDb2{122, 124, 126, 130, 132, 134};
inline constexpr RenameListSteps kRenameParadox{124, 126, 128, 132, 134, 136};

} // namespace tw::transfer::steps
