// TWordWrapOption: the line-breaking options of the editor control: the word-wrap mode
// word and the four punctuation sets (custom, and the engine's two built-in levels).
#pragma once

#include "editor/persistent.h"

#include <QString>
#include <array>

namespace velmo {

class TExtMemo;

enum TPunctuationMode { wbfCustom = 0, wbfLevel1 = 1, wbfLevel2 = 2 };
enum TPunctuationType { ptFollowing = 0, ptLeading = 1, ptOverFlow = 2, ptDelimiter = 3 };
// TWordWrapModes: a set of these bits.
using TWordWrapModes = unsigned;
constexpr TWordWrapModes wbfWordWrap = 1;
constexpr TWordWrapModes wbfWordBreak = 2;
constexpr TWordWrapModes wbfOverFlow = 4;

// Mode-word bits.
constexpr unsigned WBF_WORDWRAP = 0x010;
constexpr unsigned WBF_WORDBREAK = 0x020;
constexpr unsigned WBF_OVERFLOW = 0x040;
// The punctuation bits of the same word: editor/punctuation.h.

using TPuncTbl = std::array<std::array<QString, 4>, 3>;

class TWordWrapOption : public TPersistent {
public:
    explicit TWordWrapOption(TExtMemo *owner = nullptr) : m_owner(owner) {}

    QString pcFollowing() const { return punctuation(ptFollowing); }
    QString pcLeading() const { return punctuation(ptLeading); }
    QString pcOverFlow() const { return punctuation(ptOverFlow); }
    QString pcDelimiter() const { return punctuation(ptDelimiter); }
    void SetPcFollowing(const QString &text) { setPunctuation(ptFollowing, text); }
    void SetPcLeading(const QString &text) { setPunctuation(ptLeading, text); }
    void SetPcOverFlow(const QString &text) { setPunctuation(ptOverFlow, text); }
    void SetPcDelimiter(const QString &text) { setPunctuation(ptDelimiter, text); }

    TPunctuationMode PunctuationMode() const;
    void SetPunctuationMode(TPunctuationMode mode);
    TWordWrapModes WordWrapMode() const;
    void SetWordWrapMode(TWordWrapModes modes);

    unsigned WrapModeFlags = 0;
    TPuncTbl PunctuationTable;

    void ApplyWordWrapOption();
    void Assign(const TPersistent &source) override;
    const char *ClassName() const override { return "TWordWrapOption"; }

private:
    QString punctuation(TPunctuationType type) const;
    void setPunctuation(TPunctuationType type, const QString &text);
    void sendMode(unsigned mode) const;
    TExtMemo *m_owner;
};

} // namespace velmo
