#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>

// The one vocabulary documents are made of: paragraphs with an alignment,
// each a sequence of runs of text sharing font name, size and style. The
// editor snapshots itself as this model and loads itself from it; the file
// codecs and everything that enters the document (paste, drop) speak only it.
//
// Text holds 8-bit codes as the code table's characters; a character without
// an 8-bit code (Greek pasted as Unicode, say) stays what it is. Paragraph
// breaks are not characters of the text: they lie between paragraphs.
namespace styled {

// Style bits of a character.
enum Style : int { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
constexpr int kAllStyles = Bold | Italic | Underline | StrikeOut;
// Paragraph alignment.
enum Alignment : int { AlignLeft = 0, AlignRight = 1, AlignCentre = 2 };

inline constexpr const char* kDefaultFont = "Greek";
constexpr int kDefaultSize = 14; // points

struct CharFormat {
    QString font = QString::fromLatin1(kDefaultFont);
    int size = kDefaultSize; // whole points
    int style = 0;           // Style bits

    bool operator==(const CharFormat&) const = default;
};

inline size_t qHash(const CharFormat& f, size_t seed = 0) { return qHashMulti(seed, f.font, f.size, f.style); }

struct Run {
    QString text;
    CharFormat format;

    bool operator==(const Run&) const = default;
};

struct Paragraph {
    int alignment = AlignLeft;
    QList<Run> runs;

    bool operator==(const Paragraph&) const = default;
    int length() const; // characters, without the paragraph break
};

// Every kind of line end and separator (CR LF, CR, U+2028, U+2029) as '\n',
// the model's paragraph break in plain text.
QString paragraphBreaks(QString text);

// Text holds Unicode scalars only: a surrogate without its partner (from a
// file's \u55296, say) becomes U+FFFD, which no writer can choke on and
// which counts as a character without a code. Returns how many were replaced.
int replaceLoneSurrogates(QString& text);

class Document {
public:
    // An empty document: one empty paragraph.
    Document();

    QList<Paragraph> paragraphs; // never empty

    bool operator==(const Document&) const = default;

    // Positions as the editor counts them: each paragraph break is one.
    int length() const;
    // The text with '\n' between paragraphs.
    QString plainText() const;
    // Adjacent runs of the same format become one; empty runs go.
    void normalize();
    // A readable form for failed comparisons in tests.
    QString describe() const;

    static Document fromPlainText(const QString& text, const CharFormat& format = {}, int alignment = AlignLeft);
};

// Builds a document from left to right. Appended text is cut into
// paragraphs at '\n'; equal formats next to each other share one run. What
// it gives holds no lone surrogate.
class DocumentBuilder {
public:
    void append(const QString& text, const CharFormat& format);
    void appendChar(QChar ch, const CharFormat& format);
    void breakParagraph();
    // Alignment of the paragraph being built.
    void setAlignment(int alignment);
    int alignment() const;
    bool atParagraphStart() const;

    Document take();

private:
    void appendPlain(QStringView text, const CharFormat& format);

    Document m_doc;
};

} // namespace styled

// Runs and paragraphs move in memory as bytes: a document of millions of
// paragraphs grows in place instead of being copied at every step.
Q_DECLARE_TYPEINFO(styled::CharFormat, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(styled::Run, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(styled::Paragraph, Q_RELOCATABLE_TYPE);
