// TJumpForm: the modal "go to line and column" dialog of one editor window. Lines count from
// 1 and are display lines; columns count from 0 in code-page-932 bytes of the display line,
// as the status bar's position panel shows them.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QWidget>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace velmo {

class Prompts;
class TRichEdit;

// Spin buttons bound to an editable combo box: stepping starts from the number in the box's
// text and writes the new position back into it. No wrap at either end.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QComboBox *buddy, QWidget *parent);
    void SetRange(int min, int max);
    int Min() const { return min_; }
    int Max() const { return max_; }
    // The position clamped into the range; the buddy's text becomes it (no separators).
    void SetPosition(int value);
    int Position() const { return position_; }
    void StepBy(int steps);

private:
    QComboBox *buddy_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

// What the dialog works on: the window's editor, its prompts and its two histories (newest
// first, each entry once), and the name panel of its status bar.
struct TJumpHost {
    TRichEdit *edit = nullptr;
    Prompts *prompts = nullptr;
    QStringList *lineHistory = nullptr;
    QStringList *columnHistory = nullptr;
    std::function<void(const QString &)> showStatus;
    std::function<void()> restoreStatus;
};

class TJumpForm : public QDialog {
    Q_OBJECT
public:
    TJumpForm(const TJumpHost &host, QWidget *parent = nullptr);
    ~TJumpForm() override;

    // Moves the caret to the fields' line and column and closes with OK. A field that is not
    // an integer leaves the dialog open with the conversion message; the caret and the
    // histories stay as they were.
    void OkButtonClick();
    // Move the caret at once; the dialog stays open.
    void ToTopButtonClick();
    void ToBottomButtonClick();

    QGroupBox *JumpGroupBox = nullptr;
    QLabel *LineStaticText = nullptr;
    QComboBox *LineComboBox = nullptr;
    TUpDown *LineUpDown = nullptr;
    QLabel *StaticText1 = nullptr;
    QLabel *ColStaticText = nullptr;
    QComboBox *ColComboBox = nullptr;
    TUpDown *ColUpDown = nullptr;
    QLabel *StaticText2 = nullptr;
    QToolButton *ToTopButton = nullptr;
    QToolButton *ToBottomButton = nullptr;
    QPushButton *OkButton = nullptr;
    QPushButton *CancelButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    // The spin positions follow the caret.
    void showCaret();

    TJumpHost host_;
    bool statusShown_ = false;
};

} // namespace velmo
