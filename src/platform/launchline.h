// The parameters of a started editor process as one line of text, and back: the launch line
// is written as a Windows command line and split by the Windows shell's rules, so that what
// one window writes reaches the next as exactly the arguments it meant.
#pragma once

#include <QString>
#include <QStringList>

namespace velmo {

// Splits a command line into arguments by the rules of the Windows shell's argument parser:
// blanks and tabs separate arguments outside double quotes; 2n backslashes before a quote
// give n backslashes and the quote opens or closes quoting; 2n+1 backslashes before a quote
// give n backslashes and a literal quote; backslashes elsewhere are literal; a run of quotes
// yields a literal quote for every third one.
QStringList splitWindowsCommandLine(const QString &line);

// The argument between double quotes, escaped so that splitWindowsCommandLine gives back
// exactly `argument` as one argument, whatever it holds: quotes become \", and a run of
// backslashes that ends at a quote (or at the closing quote) is doubled.
//   a b      -> "a b"
//   say "hi" -> "say \"hi\""
//   dir\     -> "dir\\"
QString quoteLaunchArgument(const QString &argument);

} // namespace velmo
