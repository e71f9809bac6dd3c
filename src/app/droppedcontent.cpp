#include "app/droppedcontent.h"

#include "editor/richedit.h"
#include "editor/richstream.h"
#include "platform/prompts.h"
#include "rtf/rtfmodel.h"

#include <QStringList>

namespace velmo {

QString DroppedContentQuestion(unsigned dropped)
{
    static const struct {
        unsigned bit;
        const char *name;
    } kNames[] = {
        {rtf::kDroppedPictures, texts::kDroppedPicturesName},
        {rtf::kDroppedObjects, texts::kDroppedObjectsName},
        {rtf::kDroppedDrawings, texts::kDroppedDrawingsName},
        {rtf::kDroppedTables, texts::kDroppedTablesName},
        {rtf::kDroppedHeaders, texts::kDroppedHeadersName},
        {rtf::kDroppedNotes, texts::kDroppedNotesName},
    };
    QStringList names;
    for (const auto &n : kNames)
        if (dropped & n.bit)
            names << QString::fromUtf8(n.name);
    if (names.isEmpty())
        return {};
    return QString::fromUtf8(texts::kDroppedContentFormat)
        .arg(names.join(QString::fromUtf8(texts::kDroppedContentSeparator)));
}

bool ConfirmDroppedContent(Prompts &prompts, TRichEdit &editor)
{
    if (editor.PlainText())
        return true;
    const QString question = DroppedContentQuestion(editor::droppedContent(*editor.document()));
    if (question.isEmpty())
        return true;
    if (prompts.message(question, PromptButtons::YesNo, PromptIcon::Question) != PromptResult::Yes)
        return false;
    editor::forgetDroppedContent(*editor.document());
    return true;
}

} // namespace velmo
