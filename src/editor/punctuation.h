// The engine's built-in line-breaking sets (two strictness levels) and how a mode word
// selects the set in force.
#pragma once

#include <QString>

namespace velmo::editor {

// Mode-word bits that choose the punctuation set.
constexpr unsigned kPunctuationLevel1 = 0x080;
constexpr unsigned kPunctuationLevel2 = 0x100;
constexpr unsigned kPunctuationCustom = 0x200;
constexpr unsigned kPunctuationBits = kPunctuationLevel1 | kPunctuationLevel2 | kPunctuationCustom;
// A punctuation set travels as a zero-terminated byte string in a buffer of this size.
constexpr int kPunctuationBufferBytes = 2048;

// 1 or 2 for the built-in levels, 0 for the custom set. The level-1 bit wins over custom;
// a word naming none of them uses level 2.
int punctuationLevel(unsigned mode);
// Types 1 following (may not begin a line), 2 leading (may not end one), 3 overflow (may
// hang past the edge), 4 word delimiters.
QString builtInPunctuation(int level, int type);

} // namespace velmo::editor
