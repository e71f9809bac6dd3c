// The question asked before a rich-text save leaves out what the document's file held but
// the editor does not keep: pictures of other formats, objects, drawings, tables and the like.
#pragma once

#include <QString>

namespace velmo {

class Prompts;
class TRichEdit;

namespace texts {

// %1: what would be lost, the names below joined by kDroppedContentSeparator.
inline constexpr char kDroppedContentFormat[] =
    "この文書に含まれる%1は保存されません。\nこのまま保存しますか？";
inline constexpr char kDroppedContentSeparator[] = "、";
inline constexpr char kDroppedPicturesName[] = "PNG・JPEG以外の形式の画像";
inline constexpr char kDroppedObjectsName[] = "埋め込みオブジェクト";
inline constexpr char kDroppedDrawingsName[] = "図形";
inline constexpr char kDroppedTablesName[] = "表の枠組み";
inline constexpr char kDroppedHeadersName[] = "ヘッダーとフッター";
inline constexpr char kDroppedNotesName[] = "脚注とコメント";

} // namespace texts

// The question's text for rtf::DroppedContent bits; empty when there are none.
QString DroppedContentQuestion(unsigned dropped);

// Whether a save of the editor's document may go on. Only a rich-text save of a document
// whose file held more than it keeps asks (Yes/No); Yes is remembered for the document, so
// later saves go on without asking. No: nothing is to be written.
bool ConfirmDroppedContent(Prompts &prompts, TRichEdit &editor);

} // namespace velmo
