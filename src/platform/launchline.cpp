#include "platform/launchline.h"

namespace velmo {

QStringList splitWindowsCommandLine(const QString &line)
{
    QStringList args;
    QString current;
    bool inArg = false;
    int quotes = 0;     // 1 while inside quotes; counts a run of quotes
    int backslashes = 0;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
        ++i;
    for (; i < n; ++i) {
        const QChar c = line[i];
        if ((c == QLatin1Char(' ') || c == QLatin1Char('\t')) && quotes == 0) {
            args << current;
            current.clear();
            inArg = false;
            backslashes = 0;
            while (i + 1 < n && (line[i + 1] == QLatin1Char(' ') || line[i + 1] == QLatin1Char('\t')))
                ++i;
            continue;
        }
        inArg = true;
        if (c == QLatin1Char('\\')) {
            current += c;
            ++backslashes;
        } else if (c == QLatin1Char('"')) {
            if (backslashes % 2 == 0) {
                // Even: half the backslashes stay, the quote toggles quoting.
                current.chop(backslashes / 2);
                ++quotes;
            } else {
                // Odd: half stay and the quote is literal.
                current.chop(backslashes / 2 + 1);
                current += QLatin1Char('"');
            }
            backslashes = 0;
            // A run of quotes: every third one is literal.
            while (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                ++i;
                if (++quotes == 3) {
                    current += QLatin1Char('"');
                    quotes = 0;
                }
            }
            if (quotes == 2)
                quotes = 0;
        } else {
            current += c;
            backslashes = 0;
        }
    }
    if (inArg)
        args << current;
    return args;
}

QString quoteLaunchArgument(const QString &argument)
{
    QString out = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            // 2n+1 backslashes before a quote: n backslashes and a literal quote.
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
            out += c;
        } else {
            out += QString(backslashes, QLatin1Char('\\'));
            out += c;
        }
        backslashes = 0;
    }
    // Before the closing quote, backslashes are halved: double them.
    out += QString(backslashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

} // namespace velmo
