// TExtMemo: the editor control. The engine plus a fixed editing width, visible marks, a
// caret marker and a word-wrap marker, line-breaking options, input-method composition
// colours and an insert/overwrite flag that follows the Insert key.
#pragma once

#include "editor/richedit.h"
#include "editor/wordwrapoption.h"

#include <QString>
#include <array>
#include <memory>

namespace velmo {

class TExtMemo;
class TEditArea;
class TImeColors;

// Where decorations go. Inside the paint pass a painter stands behind it; tests record.
class TMarkCanvas {
public:
    virtual ~TMarkCanvas() = default;
    // Text whose cell is filled with brush first (an opaque text output).
    virtual void TextOut(const QFont &font, TPoint at, const QString &text, TColor brush, TColor textColor) = 0;
    virtual void Line(TPoint from, TPoint to, TColor pen) = 0;
    virtual void FillRect(const TRect &rect, TColor color) = 0;
    virtual void HideCaret() {}
    virtual void ShowCaret() {}
};

class TEditMark : public TPersistent {
public:
    bool Enabled = false;
    TColor Color = clSilver;
    bool Reversed = false;
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TEditMark"; }
};

class TEditMarks : public TPersistent {
public:
    TEditMark CrLf, Ctrl, DSp, SSp, Tab, Eot;
    void SetCrLf(const TEditMark &m) { CrLf.Assign(m); }
    void SetCtrl(const TEditMark &m) { Ctrl.Assign(m); }
    void SetDSp(const TEditMark &m) { DSp.Assign(m); }
    void SetSSp(const TEditMark &m) { SSp.Assign(m); }
    void SetTab(const TEditMark &m) { Tab.Assign(m); }
    void SetEot(const TEditMark &m) { Eot.Assign(m); }
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TEditMarks"; }
};

class TMarker : public TPersistent {
public:
    bool Enabled = false;
    TColor Color = clSilver;
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TMarker"; }
};

class TImeColor : public TPersistent {
public:
    explicit TImeColor(TImeColors *owner = nullptr) : m_owner(owner) {}
    TColor icText() const { return m_text; }
    TColor icBackground() const { return m_background; }
    TFontStyles Style() const { return m_style; }
    void SetIcText(TColor value);
    void SetIcBackground(TColor value);
    void SetStyle(TFontStyles value);
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TImeColor"; }
    bool SameValues(const TImeColor &other) const;

private:
    friend class TImeColors;
    friend class TExtMemo;
    void changed();
    TImeColors *m_owner;
    TColor m_text = 0;
    TColor m_background = 0;
    TFontStyles m_style = 0;
};

class TImeColors : public TPersistent {
public:
    explicit TImeColors(TExtMemo *owner = nullptr);
    // In the order of the records exchanged with the engine.
    TImeColor Untransfered, WatchingTransfered, Transfered, WatchingUntransfered;
    TImeColor &at(int index);
    const TImeColor &at(int index) const;
    void SetUntransfered(const TImeColor &c) { setMember(Untransfered, c); }
    void SetWatchingTransfered(const TImeColor &c) { setMember(WatchingTransfered, c); }
    void SetTransfered(const TImeColor &c) { setMember(Transfered, c); }
    void SetWatchingUntransfered(const TImeColor &c) { setMember(WatchingUntransfered, c); }
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TImeColors"; }
    TExtMemo *owner() const { return m_owner; }

private:
    friend class TImeColor;
    void setMember(TImeColor &member, const TImeColor &value);
    void apply();
    TExtMemo *m_owner;
};

class TEditMargin : public TPersistent {
public:
    explicit TEditMargin(TEditArea *owner = nullptr) : m_owner(owner) {}
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    int Bottom() const { return m_bottom; }
    void SetLeft(int value);
    void SetTop(int value);
    void SetBottom(int value);
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TEditMargin"; }

private:
    friend class TEditArea;
    friend class TExtMemo;
    void set(int &field, int value);
    TEditArea *m_owner;
    int m_left = 0, m_top = 0, m_bottom = 0;
};

class TEditArea : public TPersistent {
public:
    explicit TEditArea(TExtMemo *owner = nullptr);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    TEditMargin &Margin() { return m_margin; }
    const TEditMargin &Margin() const { return m_margin; }
    void SetMargin(const TEditMargin &margin);
    int OverFlow() const { return m_overFlow; }
    void SetOverFlow(int value);
    int Width() const { return m_width; }
    void SetWidth(int value);
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TEditArea"; }

private:
    friend class TEditMargin;
    friend class TExtMemo;
    void resize();
    TExtMemo *m_owner;
    bool m_enabled = false;
    TEditMargin m_margin;
    int m_overFlow = 0;
    int m_width = 0;
};

// Component states that change how properties read.
enum TComponentState : unsigned { csLoading = 1, csWriting = 2 };

class TExtMemo : public TRichEdit {
    Q_OBJECT
public:
    explicit TExtMemo(QWidget *parent = nullptr);
    ~TExtMemo() override;

    TEditArea &EditArea() { return *m_editArea; }
    void SetEditArea(const TEditArea &value) { m_editArea->Assign(value); }
    TEditMarks &EditMarks() { return *m_editMarks; }
    void SetEditMarks(const TEditMarks &value) { m_editMarks->Assign(value); }
    // Reading refreshes the colours from the engine (except while loading).
    TImeColors &ImeColors();
    void SetImeColors(const TImeColors &value) { m_imeColors->Assign(value); }
    bool LineSelect() const { return m_lineSelect; }
    void SetLineSelect(bool value);
    bool Vertical() const { return m_vertical; }
    void SetVertical(bool value);
    TMarker &CaretMarker() { return *m_caretMarker; }
    void SetCaretMarker(const TMarker &value) { m_caretMarker->Assign(value); }
    TMarker &WordWrapMarker() { return *m_wordWrapMarker; }
    void SetWordWrapMarker(const TMarker &value) { m_wordWrapMarker->Assign(value); }
    // Reading refreshes the mode word from the engine (except while loading).
    TWordWrapOption &WordWrapOption();
    void SetWordWrapOption(const TWordWrapOption &value) { m_wordWrapOption->Assign(value); }

    int CaretMarkerLine() const { return m_caretMarkerLine; }
    bool InsertMode() const { return m_insertMode; }
    unsigned ComponentState() const { return m_componentState; }
    void SetComponentState(unsigned state) { m_componentState = state; }

    void ResizeEditArea();
    void ApplyImeColors();
    void SelectAll();
    void SetWordWrap(bool on) override;

    // Decorations (drawn inside the paint pass; outside it they ask for a repaint).
    void DrawEditMark(int first, int last, bool erase);
    void DrawCaretMarker();
    void EraseCaretMarker();
    void DrawWordWrapMarker();
    // Pixel width of the double-byte box character in the control's font.
    int BoxWidth() const;
    // Where decorations go outside the paint pass; tests hand in a recorder.
    void SetMarkCanvas(TMarkCanvas *canvas) { m_canvas = canvas; }

    // The platform window is destroyed and created again (selection bar, vertical text).
    void RecreateWnd();

    // Faces of the marks.
    static const QString kSymbolFace;
    static const QString kSystemFace;
    static const QString kGothicFace;
    static const QString kBox;

protected:
    void CreateWnd();
    void DestroyWnd();
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool hasFocusForMarker() const;

private:
    friend class TImeColors;
    friend class TEditArea;
    friend class TWordWrapOption;
    void onSelectionChange();
    void drawMarkGlyph(const TEditMark &mark, const QFont &font, const QString &face, int pos, int dx, int dy,
                       const QString &text, bool erase);
    QFont markFont() const;
    // Runs a drawing operation on the canvas, or asks for a repaint when there is none: of
    // `area` (contents coordinates) when given, else of everything.
    bool canvasReady(const QRect &area = QRect());
    // The strip a caret marker at y is drawn in.
    QRect markerStrip(int y) const;
    // The display rows from byte position first to last, across the text area.
    QRect rowsBetween(int first, int last) const;
    int lastVisibleLine() const;

    std::unique_ptr<TEditArea> m_editArea;
    std::unique_ptr<TEditMarks> m_editMarks;
    std::unique_ptr<TImeColors> m_imeColors;
    std::unique_ptr<TMarker> m_caretMarker;
    std::unique_ptr<TMarker> m_wordWrapMarker;
    std::unique_ptr<TWordWrapOption> m_wordWrapOption;
    TMarkCanvas *m_canvas = nullptr;
    bool m_lineSelect = true;
    bool m_vertical = false;
    int m_caretMarkerLine = -1;
    // The caret's row as last repainted for a move without a selection (contents
    // coordinates); empty after a move with one.
    QRect m_caretRow;
    QPoint m_caretRowScroll;
    // Only rows were asked to be repainted since the last paint: a scroll before that
    // paint repaints everything (the rows asked for moved with it).
    bool m_rowsOnly = false;
    bool m_insertMode = true;
    unsigned m_componentState = 0;
    QSize m_appliedSize;
    bool m_focusOverride = false;
    bool m_focusValue = false;

public:
    // Tests decide whether the control counts as focused.
    void SetFocusForMarker(bool focused)
    {
        m_focusOverride = true;
        m_focusValue = focused;
    }
};

// The settings of the editor window's own control (after creation).
void ConfigureEditorWindowControl(TExtMemo &memo);

} // namespace velmo
