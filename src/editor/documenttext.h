// A document's whole text, read once, with each paragraph's text a view into it. Going
// through a large document block by block, asking each block for its text copies the text
// out of the document's pieces one block at a time, which costs more than reading it.
#pragma once

#include "editor/textchars.h"

#include <QString>
#include <QStringView>
#include <QTextBlock>
#include <QTextDocument>
#include <string_view>

namespace velmo::editor {

class DocumentText {
public:
    // Raw text holds every character at its document position, the paragraph ends too.
    explicit DocumentText(const QTextDocument &document) : m_raw(document.toRawText()) {}

    // What block.text() gives, without the copy.
    std::u16string_view of(const QTextBlock &block) const
    {
        return textView(QStringView(m_raw).mid(block.position(), block.length() - 1));
    }

private:
    QString m_raw;
};

} // namespace velmo::editor
