// Character formatting of the selection: the font lists, the face and size boxes, the size
// menu, bold, italic and underline, the colour menu and the font dialog, and the part of
// the selection-change hub that brings these controls up to the caret.
//
// The hub sets the boxes and buttons with their signals blocked, and the commands listen
// only to what the user does (a box's activated and textEdited, an action's triggered): a
// caret walk through mixed formats never writes a format back into the document.
#include "app/mainform.h"

#include "app/fontsubstitutes.h"
#include "app/popupcolormenu.h"
#include "app/uitexts.h"
#include "editor/extmemo.h"
#include "platform/prompts.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace velmo {

namespace {

QString tr8(const char *text) { return QString::fromUtf8(text); }

// The largest size a character format holds, in points.
constexpr int kMaxFontSize = 1638;

TRichPitch richPitch(int facePitch)
{
    return facePitch == 2 ? TRichPitch::fpFixed : facePitch == 1 ? TRichPitch::fpVariable : TRichPitch::fpDefault;
}

const FontFace *findFace(const std::vector<FontFace> &faces, const QString &name)
{
    for (const FontFace &face : faces)
        if (face.name == name)
            return &face;
    return nullptr;
}

// A right press on a toolbar button does not reach the button's own menu.
class RightPressFilter : public QObject {
public:
    RightPressFilter(TMainForm *form, QObject *parent) : QObject(parent), form_(form) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ContextMenu)
            return true;
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
            return false;
        if (static_cast<QMouseEvent *>(event)->button() != Qt::RightButton)
            return false;
        form_->ToolbarButtonRightPress();
        return true;
    }

private:
    TMainForm *form_;
};

} // namespace

void TMainForm::EnumerateFonts()
{
    FontFaceList.clear();
    FontNameComboBox->clear();
    QStringList names;
    auto add = [&](const QString &name, int pitch, int charset) {
        FontFace face;
        face.name = name;
        face.pitch = pitch;
        face.charset = charset;
        FontFaceList.push_back(face);
        names.append(name);
    };
    for (const QString &family : QFontDatabase::families()) {
        // Faces for vertical writing are not offered.
        if (family.startsWith(u'@'))
            continue;
        add(family, QFontDatabase::isFixedPitch(family) ? 2 : 1,
            QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) ? 128 : 1);
    }
    // The Windows faces that documents and settings name are drawn with an installed face
    // of the same metrics; they are offered under their own names, which stay in the files.
    for (const QString &windowsFace : SubstitutedFaceNames()) {
        const QString installed = QFont::substitute(windowsFace);
        if (findFace(FontFaceList, windowsFace) || installed.compare(windowsFace, Qt::CaseInsensitive) == 0
            || !QFontDatabase::hasFamily(installed))
            continue;
        add(windowsFace, QFontDatabase::isFixedPitch(installed) ? 2 : 1, 128);
    }
    names.sort(Qt::CaseInsensitive);
    FontNameComboBox->addItems(names);
    FontNameComboBox->setCurrentIndex(-1);
}

void TMainForm::ConnectFormatCommands()
{
    ColorMenu = new TPopupColorMenu(this, [this](QAction *) { FontColorPopup(); },
                                    [this](QAction *) { FontColorClick(); });
    FontColorButton->setMenu(ColorMenu->ColorPopup());
    if (auto *tool = qobject_cast<QToolButton *>(FormatsToolbar->widgetForAction(FontColorButton)))
        tool->setPopupMode(QToolButton::InstantPopup);
    ExecFontDialog = [](QFontDialog &dialog) { return dialog.exec() == QDialog::Accepted; };

    for (QAction *a : {FontButton, FontSizeButton, BoldButton, ItalicButton, UnderlineButton, FontColorButton,
                       OptionFontMenu, PopFontMenu})
        a->setEnabled(true);
    FontNameComboBox->setEnabled(true);
    FontSizeComboBox->setEnabled(true);

    connect(FontNameComboBox, &QComboBox::activated, this, [this] { FontNameComboBoxChange(); });
    connect(FontSizeComboBox->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString &text) { FontSizeComboBoxChange(text); });
    connect(FontSizeComboBox, &QComboBox::textActivated, this,
            [this](const QString &text) { FontSizeComboBoxChange(text); });

    if (QActionGroup *group = FontSizeMenu->actions().value(0) ? FontSizeMenu->actions().value(0)->actionGroup() : nullptr)
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction *item : FontSizeMenu->actions())
        item->setEnabled(true);
    connect(FontSizeMenu, &QMenu::triggered, this, [this](QAction *item) { FontSizeMenuClick(item); });
    connect(FontSizeMenu, &QMenu::aboutToShow, this, [this] { CheckFontSizeMenu(); });
    if (QWidget *sizeButton = FormatsToolbar->widgetForAction(FontSizeButton))
        sizeButton->installEventFilter(new RightPressFilter(this, sizeButton));
    // The size button's own face opens its menu too.
    connect(FontSizeButton, &QAction::triggered, this, [this] {
        if (auto *tool = qobject_cast<QToolButton *>(FormatsToolbar->widgetForAction(FontSizeButton)))
            tool->showMenu();
    });

    connect(BoldButton, &QAction::triggered, this, [this] { ToggleFontStyle(fsBold); });
    connect(ItalicButton, &QAction::triggered, this, [this] { ToggleFontStyle(fsItalic); });
    connect(UnderlineButton, &QAction::triggered, this, [this] { ToggleFontStyle(fsUnderline); });
    for (QAction *a : {FontButton, OptionFontMenu, PopFontMenu})
        connect(a, &QAction::triggered, this, [this] { FontDialogCommand(); });
}

void TMainForm::ToolbarButtonRightPress()
{
    // The display settings.
    ShowSettingsDialog(1);
}

void TMainForm::FontNameComboBoxChange()
{
    if (RichEdit->ReadOnly())
        return;
    const FontFace *face = findFace(FontFaceList, FontNameComboBox->currentText());
    if (!face)
        return;
    TTextAttributes a;
    a.Name = face->name;
    a.Charset = face->charset;
    a.Pitch = richPitch(face->pitch);
    RichEdit->SetSelAttributes(a, afName | afCharset | afPitch);
    RichEdit->setFocus();
    RichEditSelectionChange();
}

void TMainForm::FontSizeComboBoxChange(const QString &text)
{
    // A box emptied while typing waits for the next key.
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return;
    bool ok = false;
    const int size = trimmed.toInt(&ok);
    if (!ok || size < 1 || size > kMaxFontSize) {
        if (services_.prompts)
            services_.prompts->showError(tr8(texts::kNotIntegerFormat).replace(QStringLiteral("%s"), text));
        return;
    }
    if (RichEdit->ReadOnly())
        return;
    TTextAttributes a;
    a.Size = size;
    RichEdit->SetSelAttributes(a, afSize);
}

void TMainForm::FontSizeMenuClick(QAction *item)
{
    bool ok = false;
    const int size = QString(item->text()).remove(u'&').toInt(&ok);
    if (!ok || RichEdit->ReadOnly())
        return;
    TTextAttributes a;
    a.Size = size;
    RichEdit->SetSelAttributes(a, afSize);
    RichEditSelectionChange();
}

void TMainForm::CheckFontSizeMenu()
{
    const int size = RichEdit->SelAttributes().Size;
    for (QAction *item : FontSizeMenu->actions())
        item->setChecked(QString(item->text()).remove(u'&').toInt() == size);
}

void TMainForm::ToggleFontStyle(TFontStyles style)
{
    if (!RichEdit->ReadOnly())
        RichEdit->SetSelStyle(style, !(RichEdit->SelAttributes().Style & style));
    // The button shows the selection's style again (a click toggled it on its own).
    RichEditSelectionChange();
}

void TMainForm::FontColorPopup()
{
    ColorMenu->CurrentColor = resolveColor(RichEdit->SelAttributes().Color);
}

void TMainForm::FontColorClick()
{
    if (RichEdit->ReadOnly())
        return;
    TTextAttributes a;
    a.Color = ColorMenu->CurrentColor;
    RichEdit->SetSelAttributes(a, afColor);
}

void TMainForm::FontDialogCommand()
{
    if (RichEdit->ReadOnly())
        return;
    const TTextAttributes current = RichEdit->SelAttributes();
    QFont initial(current.Name);
    initial.setPointSize(std::max(current.Size, 1));
    initial.setBold(current.Style & fsBold);
    initial.setItalic(current.Style & fsItalic);
    initial.setUnderline(current.Style & fsUnderline);
    initial.setStrikeOut(current.Style & fsStrikeOut);
    QFontDialog dialog(initial, this);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // The dialog lists installed faces only: a face it cannot show by its own name (a
    // Windows face) is kept unless the user picks another.
    const QString shownFamily = dialog.currentFont().family();
    if (!ExecFontDialog || !ExecFontDialog(dialog))
        return;
    const QFont chosen = dialog.currentFont();
    TTextAttributes a = current;
    a.Name = chosen.family() == shownFamily ? current.Name : chosen.family();
    a.Size = chosen.pointSize() > 0 ? chosen.pointSize() : int(std::lround(chosen.pointSizeF()));
    a.Style = (chosen.bold() ? fsBold : 0) | (chosen.italic() ? fsItalic : 0)
              | (chosen.underline() ? fsUnderline : 0) | (chosen.strikeOut() ? fsStrikeOut : 0);
    // The dialog carries no character set: the face's own (Japanese faces 128); the
    // selection keeps its colour.
    if (const FontFace *face = findFace(FontFaceList, a.Name)) {
        a.Charset = face->charset;
        a.Pitch = richPitch(face->pitch);
    } else {
        a.Charset = QFontDatabase::writingSystems(a.Name).contains(QFontDatabase::Japanese) ? 128 : 1;
    }
    const bool modified = RichEdit->Modified();
    RichEdit->SetSelAttributes(a, afName | afSize | afStyle | afCharset | afPitch);
    // A text document stores no font: its one font changing is no change of the document.
    if (RichEdit->PlainText())
        RichEdit->SetModified(modified);
    RichEdit->setFocus();
    RichEditSelectionChange();
}

void TMainForm::UpdateFormatControls()
{
    if (IndentPanel->isVisible() && TopIndentTrackBar)
        UpdateIndentBars();
    const bool rich = !RichEdit->PlainText();
    if (FontNameComboBox->isVisibleTo(this) || FontSizeComboBox->isVisibleTo(this)) {
        const TTextAttributes a = RichEdit->SelAttributes();
        const QSignalBlocker faceQuiet(FontNameComboBox);
        const QSignalBlocker sizeQuiet(FontSizeComboBox);
        const QSignalBlocker editQuiet(FontSizeComboBox->lineEdit());
        // A face the box does not list leaves its previous choice.
        const int at = FontNameComboBox->findText(a.Name, Qt::MatchFixedString);
        if (at >= 0)
            FontNameComboBox->setCurrentIndex(at);
        FontSizeComboBox->setEditText(QString::number(a.Size));
        FontSizeComboBox->lineEdit()->deselect();
    }
    if (Toolbar->isVisibleTo(this))
        UpdateEditButtons();
    if (FormatsToolbar->isVisibleTo(this) && rich) {
        const TFontStyles style = RichEdit->SelAttributes().Style;
        BoldButton->setChecked(style & fsBold);
        ItalicButton->setChecked(style & fsItalic);
        UnderlineButton->setChecked(style & fsUnderline);
        const TParaAttributes p = RichEdit->Paragraph();
        NumberingButton->setChecked(p.Numbering == TNumberingStyle::nsBullet);
        IndentButton->setChecked(p.FirstIndent != 0 || p.LeftIndent != 0 || p.RightIndent != 0);
        switch (p.Alignment) {
        case TAlignment::taLeftJustify: AlLeftButton->setChecked(true); break;
        case TAlignment::taRightJustify: AlRightButton->setChecked(true); break;
        case TAlignment::taCenter: AlCenterButton->setChecked(true); break;
        }
    }
}

} // namespace velmo
