// A shown window with a rich-text document opened from a file, and the keys and selections
// the tests of the formatting and edit commands use.
#pragma once

#include "app/documentfixture.h"
#include "app/fontsubstitutes.h"
#include "editor/extmemo.h"

#include <QApplication>
#include <QTest>

namespace velmo::testing {

class FormatFixture : public DocumentFixture {
protected:
    void SetUp() override
    {
        // The program registers the Windows faces' substitutes before its window exists.
        RegisterFaceSubstitutes();
        DocumentFixture::SetUp();
    }

    // Opens bytes saved under name (its extension picks the mode).
    void open(const QString &name, const QByteArray &bytes, bool readOnly = false)
    {
        // The document before goes without the save question, and without the question
        // about converting its text to the next file's mode.
        form->RichEdit->SetReadOnly(false);
        form->RichEdit->SetText(QString());
        form->RichEdit->SetModified(false);
        const QString path = put(name, bytes);
        ASSERT_TRUE(form->OpenDocument(path, readOnly));
        // Window shortcuts reach the active window only.
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        form->RichEdit->setFocus();
    }
    void select(int start, int length)
    {
        form->RichEdit->SetSelStart(start);
        form->RichEdit->SetSelLength(length);
    }
    TTextAttributes attributesAt(int pos)
    {
        select(pos, 1);
        return form->RichEdit->SelAttributes();
    }
    std::string rtf() const { return form->RichEdit->SaveToStream(); }
};

// A small document in three faces (one of them a Windows face), two sizes, bold italic and
// red runs: "ab" plain, "cd" bold italic, "ef" in ＭＳ 明朝 at 20 points, "gh" red.
inline const QByteArray kMixedRtf =
    "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 IPAGothic;}"
    "{\\f1\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;}"
    "\\pard\\f0\\fs24 ab{\\b\\i cd}{\\f1\\fs40 ef}{\\cf1 gh}\\par\n"
    "\\pard\\qc\\fi200 second{\\b line}\\par}";

} // namespace velmo::testing
