#pragma once

// The messages with which the settings window refuses or asks.
namespace SettingDlgTexts {
inline constexpr const char* kPortNotNumber = "整数を入力してください。";
inline constexpr const char* kPortOutOfRange = "1500 から 60000 までの整数を入力してください。";
inline constexpr const char* kFolderEmpty = "メッセージファイルのパスを設定して下さい";
inline constexpr const char* kUserNameTooLong = "ユーザ名が長すぎます（半角63文字、全角31文字まで）";
inline constexpr const char* kUserNameUnusable = "ユーザ名に使用できない文字が含まれています";
inline constexpr const char* kUserNameColon = "ユーザ名に「:」は使用できません";
inline constexpr const char* kGroupNameEmpty = "グループ名を設定して下さい";
inline constexpr const char* kGroupNameReserved = "グループ名に Font、Color、ClientSize、title は使用できません";
inline constexpr const char* kGroupNameTooLong = "グループ名が長すぎます（半角63文字、全角31文字まで）";
inline constexpr const char* kGroupNameUnusable = "グループ名に使用できない文字が含まれています";
inline constexpr const char* kFolderTooLong = "メッセージファイルパスが長すぎます（半角258文字まで）";
inline constexpr const char* kFolderUnusable = "メッセージファイルパスに使用できない文字が含まれています";
inline constexpr const char* kFolderNoHome = "メッセージファイルパスの「~」のホームフォルダがわかりません";
// %1 the board file's name, %2 the folder.
inline constexpr const char* kCreateBoard =
    "メッセージファイル（%1）がありません。\n%2\nに空のメッセージファイルを作成しますか？";
inline constexpr const char* kCreateFolderAndBoard =
    "フォルダがありません。\n%2\nネットワークの共有フォルダにつながっていない可能性があります。\n"
    "フォルダと空のメッセージファイル（%1）を作成しますか？";
// %1 the folder or file, %2 the system's reason.
inline constexpr const char* kCannotCreateFolder = "フォルダを作成できません。\n%1\n%2";
inline constexpr const char* kCannotCreateBoard = "メッセージファイルを作成できません。\n%1\n%2";
} // namespace SettingDlgTexts
