// The printing dialogs' and messages' fixed texts (UTF-8), exactly as the user sees them.
#pragma once

namespace velmo::printtexts {

inline constexpr char kPrintCaption[] = "印刷";
inline constexpr char kPrintingCaption[] = "印刷中";
inline constexpr char kCurrentPrinter[] = "現在のプリンター";
inline constexpr char kPrinterSetupButton[] = "プリンターの設定";
inline constexpr char kPageSetupButton[] = "ページ設定     　";
inline constexpr char kCopiesGroup[] = "印刷部数";
inline constexpr char kOk[] = "OK";
inline constexpr char kCancel[] = "キャンセル";
inline constexpr char kPageTitle[] = "Page : ";
inline constexpr char kPrintingMessage[] = "ファイル\"%s\"を印刷中です";
inline constexpr char kNoPrinter[] = "通常使うプリンターが利用できません。\nコントロールパネルでプリンターの設定を確認してください。";
inline constexpr char kEmptyDocument[] = "文書データがありません。";
inline constexpr char kCannotWrite[] = "%s に書き込めません";

// Velmo's own messages about print jobs.
inline constexpr char kNothingFits[] = "ページに何も印刷できません。余白の設定を確認してください。";
inline constexpr char kJobRefused[] = "印刷できませんでした。プリンターの状態を確認してください。";
inline constexpr char kPdfWritten[] = "\"%s\" に印刷しました";

} // namespace velmo::printtexts
