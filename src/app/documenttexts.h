// Messages, progress texts and dialog texts of opening, saving and the editing modes (UTF-8).
// "%s" stands for a full path.
#pragma once

namespace velmo::texts {

inline constexpr char kNotFoundFormat[] = "ファイル\"%s\"が見つかりません";
inline constexpr char kReadOnlyOpenFormat[] = "ファイル \"%s\" は読み取り専用ファイルです。\n読み取り専用モードで開きますか？";
inline constexpr char kOpenElsewhereFormat[] = "ファイル \"%s\" は既に別のウインドウで開かれています。\n読み取り専用モードで開きますか？";
inline constexpr char kQuerySaveFormat[] = "編集中の文書%sを保存しますか？";
inline constexpr char kReadOnlySaveFormat[] = "ファイル \"%s\" は読み取り専用ファイルです。\n別の名前を付けて保存しますか？";
inline constexpr char kDiskFullMessage[] = "ディスクの空き容量が不足しています。\n処理を中止しました。";
inline constexpr char kSaveErrorMessage[] = "ファイルの保存中にエラーが発生しました。\n処理を中止します";
inline constexpr char kCannotOpenFormat[] = "ファイル %s は開けません";
inline constexpr char kReadingFormat[] = "**** ファイル\"%s\"を読込み中です ****";
inline constexpr char kSavingFormat[] = "**** ファイル\"%s\"を保存中です ****";
inline constexpr char kOpenDialogTitle[] = "ファイルを開く";
inline constexpr char kOpenNewDialogTitle[] = "新しいウインドウでファイルを開く";
inline constexpr char kSaveDialogTitle[] = "保存";
inline constexpr char kToRichQuestion[] = "編集中の文書をリッチテキスト\n形式へ変換しますか？";
inline constexpr char kToTextQuestion[] = "編集中のリッチテキスト文書を\nテキスト形式へ変換しますか？";
inline constexpr char kToRichProgress[] = "***** 編集中の文書をリッチテキストに変換中です *****";
inline constexpr char kToTextProgress[] = "***** 編集中のリッチテキスト文書をテキストに変換中です *****";

// File types of the open and save dialogs (description, pattern), in order.
struct FileTypeText {
    const char *description;
    const char *pattern;
};
inline constexpr FileTypeText kOpenFileTypes[] = {
    {"テキスト (*.txt)", "*.txt"},
    {"リッチテキスト(*.rtf)", "*.rtf"},
    {"全てのファイル(*.*)", "*.*"},
    {"C/C++ ソースファイル(*.c*)", "*.c*"},
    {"C/C++ ヘッダーファイル (*.h)", "*.h"},
    {"Pacal ソースファイル(*.PAS)", "*.PAS"},
    {"アプリケーション初期化ファイル(*.ini)", "*.ini"},
};
inline constexpr FileTypeText kSaveFileTypes[] = {
    {"テキスト (*.txt)", "*.txt"},
    {"リッチテキスト(*.rtf)", "*.rtf"},
    {"全てのファイル(*.*)", "*.*"},
    {"C/C++ ソースファイル(*.c*)", "*.c*"},
    {"C/C++ ヘッダーファイル(*.H)", "*.h"},
    {"Pascal ソースファイル(*.PAS)", "*.PAS"},
    {"アプリケーション初期化ﾌｧｲﾙ (*.ini)", "*.ini"},
};

} // namespace velmo::texts

namespace velmo::texts {

// Asked before a text file is written that cannot hold every character of the document:
// %1 the line of the first such character, %2 the character, %3 how many there are.
inline constexpr char kUnrepresentableFormat[] =
    "%1行目の「%2」など%3文字は、テキストファイルに保存できません。\n"
    "これらの文字を「?」に置き換えて保存しますか？";

} // namespace velmo::texts
