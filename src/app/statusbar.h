// The status bar's panels: caret line and column, insert/overwrite, modified or read-only,
// and the document's name (or a transient progress text).
#pragma once

#include <QWidget>

#include <vector>

class QLabel;

namespace velmo {

namespace statustexts {
inline constexpr char kLinePart[] = "行/";
inline constexpr char kColumnPart[] = "桁";
inline constexpr char kHistoryMenuText[] = "**** ファイル名履歴からファイルをオープンします ****";
inline constexpr char kNewHistoryMenuText[] = "**** ファイル名履歴から新しいウインドウでファイルをオープンします ****";
inline constexpr char kHintPanel0[] = "左クリックで指定位置にジャンプします";
inline constexpr char kHintPanel1[] = "挿入／上書きモードを切り替えます";
inline constexpr char kHintPanel2[] = "編集中のファイルに変更箇所があるとき\"*\"が表示されます";
inline constexpr char kHintPanel3[] = "左クリックでファイル名履歴からファイルオープン／右クリックで新しいウインドウからファイルを開きます";
inline constexpr char kInsert[] = "INS";
inline constexpr char kOverwrite[] = "O/W";
inline constexpr char kReadOnlyMark[] = "R";
inline constexpr char kModifiedMark[] = "*";
inline constexpr char kFileNamePrefix[] = "FileName: ";
inline constexpr char kUntitledTextName[] = "FileName: ????";
inline constexpr char kSizeOpen[] = " [";
inline constexpr char kSizeClose[] = "Bytes]";
} // namespace statustexts

// The four panels side by side with no gap between them, so that a position along the
// strip names a panel by the panels' widths alone. The panels let the pointer through to
// the strip, which reports presses and moves in its own x.
// The strip places its panels itself and gives each a fixed size: all but the last keep the
// width they are given, the last takes the rest. A panel of fixed size that is given a new
// text only draws itself again; in a layout, every keystroke's new line, column and byte
// count would have the strip, the status bar and the window laid out again, and the status
// bar drawn whole, before the typed character reached the screen.
class TStatusPanelStrip : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanelStrip(QWidget *parent = nullptr);

    void setPanels(std::vector<QLabel *> panels);
    // Shows a panel's new text. While the editor handles a key, the panel is drawn once the
    // editor's repaint of the key has gone to the screen, not with it: the typed character
    // does not wait for the line, column and byte count to be drawn.
    void setPanelText(int index, const QString &text);
    void followTyping(QWidget *editor);
    // Draws the panels held back so far now (before work that keeps the event loop busy).
    void releaseHeld();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void mouseDown(Qt::MouseButton button, int x);
    void mouseMove(int x);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void placePanels();
    int fixedWidths() const;

    std::vector<QLabel *> m_panels;
    std::vector<QLabel *> m_held; // new texts not drawn yet
    bool m_typing = false;
    int m_placedFixedWidths = -1;
};

} // namespace velmo
