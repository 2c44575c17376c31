#pragma once

#include <QByteArrayView>

// The control words the reader knows, in one sorted table looked up by
// binary search. Every other word is skipped; an unknown destination marked
// with \* is skipped whole.
namespace rtf {

enum class Keyword {
    Unknown,
    SkipDestination, // a group whose content is no text: style sheet, pictures, headers, ...
    FontTable,
    Rtf,
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    Font,
    FontCharset,
    FontCodePage,
    FontSize,
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    UnicodeSkip,
    Unicode,
    Par,
    Line,
    Tab,
    LeftQuote,
    RightQuote,
    LeftDoubleQuote,
    RightDoubleQuote,
    EnDash,
    EmDash,
    Bullet,
    ParagraphDefault,
    AlignLeft,
    AlignRight,
    AlignCentre,
    AlignJustify,
    InTable,
    Cell,
    Row,
    // What the model cannot hold, counted (and a footnote's text kept at the end):
    Footnote,       // a destination: the note's text
    FootnoteNumber, // \chftn, the note's automatic number
    Picture,        // a destination
    PictureCopy,    // \nonshppict: the same picture again, for older readers
    Object,         // a destination
    HeaderFooter,   // a destination
    Annotation,     // a destination: a comment
    Colour,         // \cf: the text's colour
};

Keyword keyword(QByteArrayView name);

} // namespace rtf
