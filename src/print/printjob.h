// The document on paper: its paragraphs laid out at the printer's resolution with the
// editor's line breaker (always wrapped, at the width of the page rectangle, Japanese
// punctuation rules in force) and drawn page after page into the page rectangle. Each page
// is filled from the first character not yet printed; a new page is begun only while
// characters remain, so a trailing line end never makes a blank page.
#pragma once

#include "editor/linebreaker.h"

#include <QRect>

#include <functional>

class QTextDocument;

namespace velmo {

class PrintJob;

struct PrintOutcome {
    enum Result {
        Printed,      // every character is on paper
        NothingFits,  // a page could not take a single line (or the rectangle is empty)
        Refused,      // the printer system refused a page; the job is lost
    };
    Result result = Printed;
    int pages = 0; // pages begun
};

// Prints `document` on `job` into `pageRect` (printer dots, from the sheet's top left
// corner). Sizes stored in the document in points and twips are converted with the
// resolution of the job's device. `pageStarted` hears each page number as it begins.
// The job is neither finished nor aborted here.
PrintOutcome printDocument(const QTextDocument &document, const editor::BreakRules &rules,
                           PrintJob &job, const QRect &pageRect,
                           const std::function<void(int)> &pageStarted = {});

// The page rectangle the print job uses: the margins' rectangle clipped to the printable
// area (both in dots from the sheet's corner); empty when nothing of it is printable.
QRect printableRect(const QRect &margins, const QRect &printable);

} // namespace velmo
