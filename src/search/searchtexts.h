// The search dialogs' own texts (UTF-8).
#pragma once

namespace velmo::searchtexts {

inline constexpr char kJumpCaption[] = "ジャンプ";
inline constexpr char kJumpGroup[] = "指定位置へ移動";
inline constexpr char kLineLabel[] = "行位置：";
inline constexpr char kLineUnit[] = "行目";
inline constexpr char kColumnLabel[] = "列位置：";
inline constexpr char kColumnUnit[] = "列目";
inline constexpr char kToTop[] = "先頭へ";
inline constexpr char kToTopHint[] = "文書の先頭へジャンプします";
inline constexpr char kToBottom[] = "文末へ";
inline constexpr char kToBottomHint[] = "文書の末尾へジャンプします";
inline constexpr char kJumpStatus[] = "**** 指定した列位置／列位置にジャンプします ****";
inline constexpr char kNotIntegerFormat[] = "'%s' は整数ではありません";
inline constexpr char kFindCaption[] = "検索/置換";
inline constexpr char kFindLabel[] = "　　検索文字列";
inline constexpr char kReplaceCheck[] = "置換文字列";
inline constexpr char kRangeGroup[] = "検索範囲";
inline constexpr char kRangeWhole[] = "文書全体";
inline constexpr char kRangeAfter[] = "現在位置より後方";
inline constexpr char kRangeBefore[] = "現在位置より前方";
inline constexpr char kOptionGroup[] = "オプション";
inline constexpr char kWholeWord[] = "ワードサーチ";
inline constexpr char kMatchCase[] = "大文字小文字の区別";
inline constexpr char kConfirm[] = "置換の確認";
inline constexpr char kExecute[] = "実行";
inline constexpr char kClose[] = "終了";
inline constexpr char kSearching[] = "***** 検索中 *****";
inline constexpr char kNotFoundFormat[] = "検索文字列\"%s\"は見つかりませんでした。";
inline constexpr char kReplaceQuestionFormat[] = "文字列\"%s\"を\"%s\"に置き換えますか？";

} // namespace velmo::searchtexts
