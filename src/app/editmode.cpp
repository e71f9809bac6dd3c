// The two editing modes, rich text and plain text, and the conversion between them.
#include "app/mainform.h"

#include "app/documentname.h"
#include "app/displayprofile.h"
#include "app/documenttexts.h"
#include "app/uitexts.h"
#include "editor/extmemo.h"
#include "platform/prompts.h"
#include "platform/system.h"
#include "settings/teoption.h"

#include <QAction>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>

#include <vector>

namespace velmo {

namespace {

// The separator that follows an item of a menu, if the next entry is one.
QAction *separatorAfter(QMenu *menu, QAction *item)
{
    const QList<QAction *> actions = menu->actions();
    const qsizetype at = actions.indexOf(item);
    if (at < 0 || at + 1 >= actions.size() || !actions.at(at + 1)->isSeparator())
        return nullptr;
    return actions.at(at + 1);
}

// Takes the background highlight off every character.
void clearHighlight(QTextDocument &document)
{
    struct Run {
        int from, to;
        QTextCharFormat format;
    };
    // Collected first: changing a fragment's format may merge it with its neighbours.
    std::vector<Run> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(QTextFormat::BackgroundBrush))
                continue;
            format.clearBackground();
            runs.push_back({fragment.position(), fragment.position() + fragment.length(), format});
        }
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Run &run : runs) {
        cursor.setPosition(run.from);
        cursor.setPosition(run.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    cursor.endEditBlock();
}

} // namespace

bool TMainForm::ChangeEditMode(bool plainText, EditModeWay way)
{
    const bool current = RichEdit->PlainText();
    if (way == EditModeWay::Keep) {
        plainText = current;
        way = EditModeWay::Ask;
    }
    if (way != EditModeWay::Force && RichEdit->GetTextLength() > 0) {
        if (plainText == current)
            return false;
        const char *question = current ? texts::kToRichQuestion : texts::kToTextQuestion;
        if (services_.prompts->message(QString::fromUtf8(question), PromptButtons::YesNo,
                                       PromptIcon::Question)
            != PromptResult::Yes) {
            const TDisplayProfile &profile = current ? Options->TextModeProfile : Options->RichTextProfile;
            ApplyWordWrap(profile.WordWrapMode);
            return false;
        }
    }

    RichEdit->hide();
    reBackPanel->repaint();
    const bool modified = RichEdit->Modified();
    const bool rich = !plainText;
    ShowProgressText(QString::fromUtf8(rich ? texts::kToRichProgress : texts::kToTextProgress));

    // Formatting commands exist in rich-text mode only; alignment and indents only while
    // the lines wrap (the wrap state before the new mode's wrap is applied).
    const bool wraps = RichEdit->WordWrap();
    OptionFontMenu->setEnabled(rich);
    OptionIndentMenu->setEnabled(rich);
    OptionNumberingMenu->setEnabled(rich);
    OptionAlMenu->setEnabled(rich && wraps);

    OpenDialogDefaultExt = SaveDialogDefaultExt = QLatin1String(rich ? "rtf" : "txt");

    QAction *fontSeparator = separatorAfter(PopupMenu, PopFontMenu);
    QAction *paragraphSeparator = separatorAfter(PopupMenu, PopNumberingMenu);
    PopFontMenu->setVisible(rich);
    for (QAction *separator : {fontSeparator, paragraphSeparator})
        if (separator)
            separator->setVisible(rich);
    for (QAction *item : {PopLeftMenu, PopCenterMenu, PopRightMenu, PopIndentMenu, PopNumberingMenu})
        item->setVisible(rich && wraps);

    if (IndentPanel->isVisible())
        IndentPanel->hide();

    const bool changes = plainText != current;
    const QString name = Options->CurrentFile;
    if (rich) {
        if (!name.isEmpty())
            SetDocumentName(SystemInfo::withExtension(name, QStringLiteral(".rtf")));
        RichEdit->SetPlainText(false);
    } else {
        RichEdit->SetPlainText(true);
        RichEdit->SetWordWrap(false);
        // Plain text has one font and no paragraph formats.
        RichEdit->SelectAll();
        RichEdit->SetParagraph(TParaAttributes{}, pfAll);
        RichEdit->setAlignment(Qt::AlignLeft);
        TTextAttributes font = RichEdit->SelAttributes();
        AssignFontTo(Options->TextModeProfile, font);
        RichEdit->SetSelAttributes(font);
        clearHighlight(*RichEdit->document());
        RichEdit->SetSelStart(0);
        // Undo would bring back formats plain text cannot have (and with them a document
        // that no longer counts as modified): the conversion is where undo starts again.
        RichEdit->EmptyUndoBuffer();
        if (IsRtfFileName(name))
            SetDocumentName(SystemInfo::withExtension(name, QStringLiteral(".txt")));
    }

    OptionModeMenu->setText(QString::fromUtf8(rich ? texts::kModeToTextCaption : texts::kModeToRichCaption));
    // The formats toolbar belongs to rich-text mode.
    ApplyToolbarVisibility();

    RestoreFileNameText();
    ApplyDisplayProfile();
    const TDisplayProfile &profile = rich ? Options->RichTextProfile : Options->TextModeProfile;
    ApplyWordWrap(profile.WordWrapMode);
    // A conversion changes the document; re-applying the same mode does not.
    RichEdit->SetModified(changes ? true : modified);
    RichEdit->show();
    return true;
}

void TMainForm::OptionModeMenuClick()
{
    if (RichEdit->ReadOnly())
        return;
    ChangeEditMode(!RichEdit->PlainText(), EditModeWay::Ask);
    RichEdit->setFocus();
    RichEditSelectionChange();
    RichEditChange();
}

} // namespace velmo
