#include "editor/wordwrapoption.h"

#include "editor/extmemo.h"
#include "editor/punctuation.h"

namespace velmo {

TPunctuationMode TWordWrapOption::PunctuationMode() const
{
    switch (editor::punctuationLevel(WrapModeFlags)) {
    case 0: return wbfCustom;
    case 1: return wbfLevel1;
    default: return wbfLevel2;
    }
}

void TWordWrapOption::sendMode(unsigned mode) const
{
    if (m_owner)
        m_owner->SetWordWrapMode(mode);
}

void TWordWrapOption::SetPunctuationMode(TPunctuationMode mode)
{
    const unsigned target = mode == wbfCustom   ? editor::kPunctuationCustom
                            : mode == wbfLevel1 ? editor::kPunctuationLevel1
                                                : editor::kPunctuationLevel2;
    if ((WrapModeFlags & editor::kPunctuationBits) == target)
        return;
    WrapModeFlags = target | (WrapModeFlags & ~editor::kPunctuationBits);
    sendMode(WrapModeFlags);
}

TWordWrapModes TWordWrapOption::WordWrapMode() const
{
    return (WrapModeFlags >> 4) & 7;
}

void TWordWrapOption::SetWordWrapMode(TWordWrapModes modes)
{
    const unsigned bits = (modes & 7) << 4;
    if ((WrapModeFlags & 0x070) == bits)
        return;
    if (WrapModeFlags == 0)
        WrapModeFlags = editor::kPunctuationCustom;
    WrapModeFlags = bits | (WrapModeFlags & ~0x070u);
    sendMode(WrapModeFlags);
}

QString TWordWrapOption::punctuation(TPunctuationType type) const
{
    // A stored form carries the custom sets; a program sees the sets in force.
    if (m_owner && (m_owner->ComponentState() & csWriting))
        return PunctuationTable[wbfCustom][type];
    return PunctuationTable[PunctuationMode()][type];
}

void TWordWrapOption::setPunctuation(TPunctuationType type, const QString &text)
{
    SetPunctuationMode(wbfCustom);
    QString &stored = PunctuationTable[wbfCustom][type];
    if (stored == text)
        return;
    stored = text;
    if (m_owner && !m_owner->SetPunctuation(int(type) + 1, text))
        stored.clear(); // refused by the engine: reads back empty
}

void TWordWrapOption::ApplyWordWrapOption()
{
    if (!m_owner)
        return;
    m_owner->SetWordWrapMode(editor::kPunctuationCustom | WBF_OVERFLOW | WBF_WORDBREAK | WBF_WORDWRAP);
    for (int type = 0; type < 4; ++type) {
        QString &stored = PunctuationTable[wbfCustom][std::size_t(type)];
        if (!m_owner->SetPunctuation(type + 1, stored))
            stored.clear();
    }
    m_owner->SetWordWrapMode(WrapModeFlags);
}

void TWordWrapOption::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TWordWrapOption *>(&source);
    if (!other)
        AssignError(source);
    PunctuationTable = other->PunctuationTable;
    WrapModeFlags = other->WrapModeFlags;
    ApplyWordWrapOption();
}

} // namespace velmo
