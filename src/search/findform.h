// TFindForm: the modeless find-and-replace dialog of one editor window. A tool window that
// stays above its window; one execute finds (and, when replacing is on, replaces) at most
// one occurrence in the chosen range. Its state comes from the window's TFindSettings when
// it opens and goes back there when it closes.
#pragma once

#include "search/textfinder.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace velmo {

class Prompts;
class TRichEdit;
enum class PromptButtons;
enum class PromptResult;
struct TFindSettings;

struct TFindHost {
    TRichEdit *edit = nullptr;
    Prompts *prompts = nullptr;
    TFindSettings *settings = nullptr;
    // The name panel of the window's status bar: a transient text and back.
    std::function<void(const QString &)> showStatus;
    std::function<void()> restoreStatus;
};

class TFindForm : public QDialog {
    Q_OBJECT
public:
    // The dialog belongs to `window` (a child of it) and closes when the window closes; a
    // window that is destroyed deletes its dialog before its find settings.
    TFindForm(const TFindHost &host, QWidget *window);
    ~TFindForm() override;

    int RangeIndex() const;
    void SetRangeIndex(int index);

    void FindButtonClick();
    void ReplaceCheckBoxClick();
    void CloseButtonClick();
    // Finds in range 0, 1 or 2 and selects the hit; false when nothing was looked for or found.
    bool SearchInRange(int range);
    void ReplaceCurrentHit();

    QLabel *FindLabel = nullptr;
    QComboBox *FindComboBox = nullptr;
    QCheckBox *ReplaceCheckBox = nullptr;
    QComboBox *ReplaceComboBox = nullptr;
    QGroupBox *FindAriaRadioGroup = nullptr;
    QButtonGroup *RangeButtons = nullptr;
    QGroupBox *OptionGroupBox = nullptr;
    QCheckBox *WordCheckBox = nullptr;
    QCheckBox *CaseCheckBox = nullptr;
    QCheckBox *QueryCheckBox = nullptr;
    QPushButton *FindButton = nullptr;
    QPushButton *CloseButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Writes the dialog's state back into the settings (once).
    void FormClose();
    // A message box over this dialog, so that the dialog cannot hide it.
    PromptResult ask(const QString &text, PromptButtons buttons);
    void placeOnOpen(QWidget *window);

    TFindHost host_;
    TTextFinder finder_;
    QWidget *window_;
    bool closed_ = false;
};

} // namespace velmo
