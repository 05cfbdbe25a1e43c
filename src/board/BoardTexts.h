#pragma once

// The fixed texts with which the board store reports failures.
namespace BoardTexts {
inline constexpr const char* kCannotRead = "メッセージファイルが読み込めません";
inline constexpr const char* kReadError = "メッセージファイル読み込みエラー";
inline constexpr const char* kCannotWrite = "メッセージファイルに書き込めません";
inline constexpr const char* kInvalidNumber = "対象のメッセージ番号が不正です。";
inline constexpr const char* kNoSuchMessage = "対象のメッセージがありません";
} // namespace BoardTexts
