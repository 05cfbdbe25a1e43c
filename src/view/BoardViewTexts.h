#pragma once

// Texts the board view and the editor show.
namespace BoardViewTexts {
inline constexpr const char* kReadError = "メッセージ取得エラー";
inline constexpr const char* kRegisterError = "メッセージ登録エラー";
inline constexpr const char* kUpdateError = "メッセージ更新エラー";
inline constexpr const char* kUnstorable =
    "書き込めない文字（絵文字など）が含まれています。\n取り除いてから書き込んで下さい。";
inline constexpr const char* kDeleteQuestion = "このメッセージ削除します";
inline constexpr const char* kDeleteCaption = "削除確認";
inline constexpr const char* kSelectToPrint = "印刷するメッセージを選択して下さい。";
inline constexpr const char* kLoadFailed = "データの読み込みに失敗しました。";
inline constexpr const char* kSharedFolder =
    "このメッセージの添付フォルダは他のメッセージと共有されているため、添付ファイルは変更できません。";
} // namespace BoardViewTexts
