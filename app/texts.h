#pragma once
// The application's own texts, written here in UTF-8 and handed to the engine as
// Shift-JIS, converted once on first use.
#include <string>

namespace qvl {

enum class Text {
    AppTitle,  // "Quorvel"
    AlreadyRunning,
    ExitTitle,
    ExitQuestion,
    ErrorQuestion,
    LowColour,
    ModeChangeFailed,
    SaveLocationTitle,
    SaveLocationName,
    OpenScriptTitle,
    OpenScriptFilter,
    ChangeDirTitle,
    ChangeDirBody,
    MagUnreadable,  // followed by the file name
    MagFailed,
    WarningTitle,
    PictureUnreadable,  // followed by the file name
    SheetFailed,   // a choice's picture sheet
    BadDirection,  // a black hole's direction code; followed by the code
    NoSavePoint,        // save texts
    FlagSaveFailed,
    StatusSaveFailed,
    LogSaveFailed,
    StatusUnreadable,
    ConfirmTitle,  // the question of タイトルへ戻る
    TitleQuestion,
    ScreenshotFailed,  // followed by the file name
    Count
};

const std::string& text(Text t);

}  // namespace qvl
