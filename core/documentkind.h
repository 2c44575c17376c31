#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Where a document came from and how it is saved: the one name for it that
// the file commands, the files module, the recovery copies, the recent list
// and the converter share. Its format is also the one table of document
// file formats by the extension of their names.
class DocumentKind {
public:
    enum class Format {
        Rtf,
        Pair,        // the 8-bit text file, with or without its attribute file
        UnicodeText, // read: another program's UTF-8 text; written: the export
        Odt,
        Docx,
        Html,
        Pdf,
        BetaCode,    // the Greek corpora's encoding: read from .beta, exported as text
        Unknown,
    };

    constexpr DocumentKind() = default; // a new document: RTF
    constexpr DocumentKind(Format format, bool lossy = false)
        : m_format(format)
        , m_lossy(lossy)
    {
    }
    constexpr Format format() const { return m_format; }
    // The reader could not take everything the file holds (a footnote moved,
    // a picture left out): Save does not write over the file unasked.
    constexpr bool lossy() const { return m_lossy; }
    // Another program's format, read by a reader of its own (Word, OpenDocument).
    constexpr bool otherProgram() const { return m_format == Format::Docx || m_format == Format::Odt || m_format == Format::BetaCode; }
    constexpr bool operator==(const DocumentKind&) const = default;

    // What the window opens a file named from outside as (at start, dropped,
    // a recent document): a .txt or .sri as the pair, an .odt or .fodt as
    // OpenDocument, a .docx as Word's, anything else as RTF, whose reader
    // takes plain text as well.
    static DocumentKind ofFile(const QString& path);
    // What a file of this name is read as: .rtf RTF, .txt and .sri the pair
    // (or another program's text), .odt and .fodt OpenDocument, .docx Word's,
    // .beta Beta Code; anything else Unknown.
    static Format readFormatOf(const QString& path);
    // What a file of this name is written as: .rtf, .sri the pair, .txt UTF-8
    // text, .odt, .html or .htm, .pdf, .beta Beta Code.
    static Format writeFormatOf(const QString& path);
    static QString extensionOf(Format format);
    // The formats "Exportieren" offers, in the order of its dialog's entries,
    // and that dialog's filter.
    static const QList<Format>& exportFormats();
    static QString exportFilter();
    // What "Exportieren" writes for the name given with the dialog's entry
    // (from 1): the entry's format when the name has the extension of the
    // entry (Beta Code's is .txt too), else the format the name's extension
    // names, else the entry's.
    static Format exportFormatOf(const QString& path, int entry);

    // The document lives on the pair's names: BasePath + "txt" is its text
    // (another program's UTF-8 text read through the pair reader included).
    // This is what the window keeps as LegacyFormat.
    constexpr bool onPairNames() const { return m_format == Format::Pair || m_format == Format::UnicodeText; }
    // Save writes the document back over its own file, in its own format.
    // Not so for another program's Unicode text, which is not written over
    // with 8-bit codes unasked, for a document that lost something when it
    // was read, nor for a format the program does not write: Save asks for a name.
    constexpr bool savesInPlace() const
    {
        return !m_lossy
            && (m_format == Format::Rtf || m_format == Format::Pair || m_format == Format::Odt || m_format == Format::Docx);
    }
    // The kind once Save has written it: from then on the document is whole.
    constexpr DocumentKind saved() const { return m_format == Format::UnicodeText ? Format::Pair : m_format; }
    // The file whose state is the document's: BasePath + "rtf", or the pair's text file.
    QString fileOf(const QString& base) const;
    // The file the recent list names: the RTF, or the pair's attribute file.
    QString namedFileOf(const QString& base) const;
    // The files whose write protection protects the document.
    QList<QString> filesOf(const QString& base) const;

private:
    Format m_format = Format::Rtf;
    bool m_lossy = false;
};
