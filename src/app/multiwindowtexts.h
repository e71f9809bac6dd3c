// The texts of the multi-window commands (UTF-8), exactly as the user sees them.
#pragma once

namespace velmo::multiwindowtexts {

// Opening files in new windows would pass the window limit (%d: the limit, twice).
inline constexpr char kLimitFilesQuestion[] = "Velmoウインドウ数が%dを越えます。\nシステムが不安定になる可能性があります。\nウインドウ数を%dに制限しますか？";
// Opening an empty new window would pass the window limit.
inline constexpr char kLimitNewWindowQuestion[] = "Velmoウインドウ数が%dを越えます。\nシステムが不安定になる可能性があります。\nこのままウインドウを開きますか？";
// A new window could not be started, or ended before it was up; %s is the program.
inline constexpr char kLaunchFailed[] = "新しいウインドウを起動できませんでした。\n%s";
// The title of the open dialog whose files go to new windows.
inline constexpr char kOpenNewDialogTitle[] = "新しいウインドウでファイルを開く";

} // namespace velmo::multiwindowtexts
