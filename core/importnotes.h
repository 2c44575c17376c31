#pragma once

#include "styledtext.h"

#include <QList>
#include <QString>
#include <QStringList>

// What a reader of another program's document could not take as it was,
// counted by kind: left out (pictures, comments, ...), moved (footnotes to
// the end) or changed (justified read as left, half points rounded, a line
// break inside a paragraph read as a paragraph's end). One German notice
// says it all after the open; nothing is dropped without a word.
struct ImportNotes {
    // left out
    int pictures = 0;
    int objects = 0;        // embedded objects
    int comments = 0;
    int headersFooters = 0;
    int fieldCodes = 0;     // their shown result is kept
    int trackedChanges = 0; // read as shown, with the changes accepted
    int colours = 0;        // runs in a colour other than the automatic one
    int betaSigns = 0;      // signs of Beta Code the layout has nothing for (macron, breve, markup)
    // moved
    int notes = 0; // footnotes and endnotes, set at the end under "Fußnoten"
    // changed
    int justified = 0;  // paragraphs in justified alignment, read as left
    int halfPoints = 0; // runs of a size with half a point, rounded
    int lineBreaks = 0; // line breaks inside a paragraph, read as a paragraph's end
    // kept as they are
    int uncodedGreek = 0; // Greek letters without a code of the font (digamma, koppa): kept as Unicode

    bool any() const;
    void add(const ImportNotes& other);
    // "Nicht übernommen: 1 Bild, 2 Kommentare; Fußnoten ans Ende gestellt: 3;
    // geändert: ..."; empty when nothing is to be said.
    QString summary() const;
};

// The notes' texts at the end of the document, as every reader of other
// programs' documents sets them: a paragraph "Fußnoten", then each note with
// its number (`numbers`, or 1, 2, 3 ...) before its first paragraph, in the
// format of what it stands before. Nothing when there are no notes.
void appendNotesAtEnd(styled::Document& document, const QList<styled::Document>& notes, const QStringList& numbers = {});
