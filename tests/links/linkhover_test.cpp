// Address links through a real window: the pointer over an address, clicks and Alt+Enter,
// the name panel and the tooltip, with a recording shell in place of the desktop.
#include "app/mainformfixture.h"

#include "editor/extmemo.h"
#include "links/linkhover.h"
#include "platform/cp932codec.h"
#include "settings/teoption.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolTip>

namespace velmo::testing {
namespace {

class LinkTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeSettings();
        form = start();
        settle(*form);
        ASSERT_TRUE(waitUntil([&] { return form->RichEdit->isVisible(); }));
    }
    void TearDown() override
    {
        form.reset();
        MainFormFixture::TearDown();
    }

    void setText(const QString &text)
    {
        form->RichEdit->SetText(text);
        form->RichEdit->SetSelStart(0);
    }
    // The byte position of the first occurrence of needle in the editor's text.
    int bytePos(const QString &needle) const
    {
        const QString text = form->RichEdit->Text();
        const qsizetype at = text.indexOf(needle);
        EXPECT_GE(at, 0) << needle.toStdString();
        return int(cp932::byteLength(text.left(at).toStdU16String()));
    }
    // A point of the viewport inside the character at the byte position pos (dx pixels
    // right of its left edge).
    QPoint pointAt(int pos, int dx = 1) const
    {
        TExtMemo *edit = form->RichEdit;
        const TPoint client = edit->PosFromChar(pos);
        const QPoint origin = edit->viewport()->geometry().topLeft() - edit->contentsRect().topLeft();
        return QPoint(client.x, client.y) - origin + QPoint(dx, edit->fontMetrics().height() / 2);
    }
    void mouse(QEvent::Type type, const QPoint &at, Qt::MouseButton button = Qt::NoButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *viewport = form->RichEdit->viewport();
        QMouseEvent event(type, at, viewport->mapToGlobal(at), button,
                          type == QEvent::MouseMove ? Qt::NoButton : button, modifiers);
        QApplication::sendEvent(viewport, &event);
    }
    void click(const QPoint &at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, modifiers);
        mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, modifiers);
    }
    void altEnter()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier);
        QApplication::sendEvent(form->RichEdit, &press);
    }
    QString panel() const { return form->StatusPanels[3]->text(); }
    QString lastOpened() const { return shell.addresses().isEmpty() ? QString() : shell.addresses().last().toString(); }

    std::unique_ptr<TMainForm> form;
};

// Addresses and non-addresses on mixed Japanese and ASCII lines, each clicked where it is
// written: what reaches the desktop's opener.
TEST_F(LinkTest, ClickOpensTheAddressUnderThePointer)
{
    struct Case {
        QString text;
        QString pointAt; // first occurrence; empty: to the right of the line's end
        QString opened;  // empty: nothing is opened
    };
    std::vector<Case> cases = {
        {u8("HTTP://Host/Page"), u8("Page"), u8("http://host/Page")},
        {u8("見て(www.host.example)ね"), u8("host"), u8("http://www.host.example")},
        {u8("連絡は user@host.example.jp まで"), u8("user"), u8("mailto:user@host.example.jp")},
        {u8("URL:http://host/"), u8("URL"), u8("http://host/")},
        {u8("ftp://www.host/pub"), u8("pub"), u8("ftp://www.host/pub")},
        {u8("日本語http://host/path日本語"), u8("path"), u8("http://host/path")},
        {u8("日本語http://host/path日本語"), u8("本"), {}},
        {u8("http://host/."), u8("."), u8("http://host/.")},
        {u8("see http://host/a"), u8(" http"), u8("http://host/a")},
        {u8("末尾は http://host/end"), {}, u8("http://host/end")},
        {u8("abc　def"), u8("abc"), {}},
        {u8("abc　def"), u8("def"), {}},
        {u8("全角＠記号"), u8("＠"), {}},
        {u8("ただの文 plain.words here"), u8("plain"), {}},
        {u8("mailto:someone@host.jp"), u8("one"), u8("mailto:someone@host.jp")},
        {u8("https://www.example.jp/Top"), u8("example"), u8("https://www.example.jp/Top")},
        {u8("https://user@host/"), u8("user"), u8("https://user@host/")},
        {u8("http://host/"), u8("host"), u8("http://host/")},
        {u8("gopher://host/1"), u8("host"), u8("gopher://host/1")},
        {u8("file:///no/such/file.txt"), u8("such"), {}},
        {u8("mailto:a@b.jp?attach=/etc/passwd"), u8("b.jp"), u8("mailto:a@b.jp")},
        {u8("a\thttp://host/t\tb"), u8("host"), u8("http://host/t")},
    };
    QFile document(dir.filePath("doc.txt"));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.close();
    cases.push_back({u8("file://") + dir.filePath("doc.txt"), u8("doc"), QUrl::fromLocalFile(dir.filePath("doc.txt")).toString()});
    for (const char *delimiter : {" ", ",", ";", "(", ")", "|", "[", "]", "{", "}", "<", ">", "'", "\""})
        cases.push_back({u8("x") + u8(delimiter) + u8("http://h/p") + u8(delimiter) + u8("y"), u8("p"),
                         u8("http://h/p")});

    for (const Case &c : cases) {
        SCOPED_TRACE((c.text + u8(" @ ") + c.pointAt).toStdString());
        setText(c.text);
        const int pos = c.pointAt.isEmpty() ? form->RichEdit->GetTextLength() : bytePos(c.pointAt);
        const QPoint at = pointAt(pos, c.pointAt.isEmpty() ? 30 : 1);
        const qsizetype before = shell.addresses().size();
        mouse(QEvent::MouseMove, at);
        click(at);
        if (c.opened.isEmpty()) {
            EXPECT_EQ(shell.addresses().size(), before) << lastOpened().toStdString();
        } else {
            ASSERT_EQ(shell.addresses().size(), before + 1);
            EXPECT_EQ(lastOpened().toStdString(), c.opened.toStdString());
        }
        // The click also put the caret where it was made.
        EXPECT_EQ(form->RichEdit->SelStart(), pos);
    }
}

// The hint: in the name panel and as a tooltip while the pointer is on an address; the
// file name comes back when the pointer moves off it or leaves the editor.
TEST_F(LinkTest, HoverShowsTheAddressUntilThePointerMovesOff)
{
    setText(u8("住所は http://host.example/Doc です"));
    const QString fileName = form->FileNameText;
    ASSERT_EQ(panel(), fileName);
    const QString hint = u8("URL> http://host.example/Doc");

    mouse(QEvent::MouseMove, pointAt(bytePos(u8("example"))));
    EXPECT_EQ(panel(), hint);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), hint);

    mouse(QEvent::MouseMove, pointAt(bytePos(u8("住"))));
    EXPECT_EQ(panel(), fileName);
    EXPECT_TRUE(waitUntil([] { return !QToolTip::isVisible(); }));

    mouse(QEvent::MouseMove, pointAt(bytePos(u8("Doc"))));
    EXPECT_EQ(panel(), hint);
    EXPECT_EQ(QToolTip::text(), hint);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form->RichEdit->viewport(), &leave);
    EXPECT_EQ(panel(), fileName);
    EXPECT_TRUE(waitUntil([] { return !QToolTip::isVisible(); }));

    // The caret resting on an address shows it too.
    form->RichEdit->SetSelStart(bytePos(u8("host")));
    EXPECT_EQ(panel(), hint);
    form->RichEdit->SetSelStart(0);
    EXPECT_EQ(panel(), fileName);
}

// Shift+click does not open, a plain click does; Alt+Enter opens the address at the caret
// and leaves the text alone; a refusal of the desktop is not reported.
TEST_F(LinkTest, ShiftClickAltEnterAndRefusedOpen)
{
    setText(u8("予定 http://host/plan 参照"));
    const QString text = form->RichEdit->Text();
    const int pos = bytePos(u8("plan"));

    click(pointAt(pos), Qt::ShiftModifier);
    EXPECT_TRUE(shell.addresses().isEmpty());
    click(pointAt(pos), Qt::ControlModifier);
    EXPECT_EQ(lastOpened(), u8("http://host/plan"));

    form->RichEdit->SetSelStart(bytePos(u8("host")));
    altEnter();
    EXPECT_EQ(shell.addresses().size(), 2);
    EXPECT_EQ(form->RichEdit->Text(), text);
    form->RichEdit->SetSelStart(bytePos(u8("参")));
    altEnter();
    EXPECT_EQ(shell.addresses().size(), 2);

    shell.setOpenResult(false);
    click(pointAt(pos));
    EXPECT_EQ(shell.addresses().size(), 3);
    EXPECT_TRUE(prompts.log().empty());
    EXPECT_EQ(form->RichEdit->Text(), text);
}

// With the option off nothing of the links runs: the panel keeps the file name, a click
// only moves the caret.
TEST_F(LinkTest, OptionOffLeavesAddressesAlone)
{
    form->Options->URLLink = false;
    setText(u8("http://host/off"));
    const QString fileName = form->FileNameText;
    const QPoint at = pointAt(bytePos(u8("off")));
    mouse(QEvent::MouseMove, at);
    EXPECT_EQ(panel(), fileName);
    click(at);
    EXPECT_EQ(form->RichEdit->SelStart(), bytePos(u8("off")));
    altEnter();
    EXPECT_TRUE(shell.addresses().isEmpty());
}

} // namespace
} // namespace velmo::testing
