#pragma once
// The debug window's own texts, in Shift-JIS, converted once from UTF-8.
#include <string>

namespace qvl {

enum class DebugText {
    Caption,        // デバッグモード
    ErrorTab,       // エラーリスト
    FlagTab,        // 変数リスト
    StatusTab,      // 実行時ステータス
    SurfaceTab,     // 画像バッファ
    Selection,      // 選択：
    Set,            // SET
    ForceUpdate,    // 強制更新
    AutoUpdated,    // ←ここは自動的に更新されます
    Update,         // 更新
    ChooseAgain,    // 選択し直せば更新
    Close,          // 閉じる
    EndProgram,     // プログラム終了
    NotRunning,     // **実行が終了しているか、スクリプトが走っていません**
    CurrentDir,     // カレントDIR:"
    Count
};

const std::string& debugText(DebugText t);

}  // namespace qvl
