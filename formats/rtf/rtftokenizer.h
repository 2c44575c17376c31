#pragma once

#include <QByteArrayView>

// Cuts RTF into its tokens: groups, control words with their parameter,
// control symbols, \'hh bytes, runs of plain text and \binN data. It knows
// nothing of what the words mean; the reader interprets them.
namespace rtf {

struct Token {
    enum Type {
        GroupOpen,
        GroupClose,
        Word,   // \name with an optional parameter
        Symbol, // \ followed by one character that is not a letter (\~ \- \* ...)
        Hex,    // \'hh
        Text,   // plain bytes without \ { } CR LF
        Binary, // the data of \binN
        End,
        Error,
    };
    Type type = End;
    QByteArrayView name; // Word: its letters
    bool hasParam = false;
    int param = 0;       // clamped to 32 bits
    char symbol = 0;     // Symbol
    unsigned char byte = 0; // Hex
    QByteArrayView data; // Text, Binary
    qint64 offset = 0;   // where the token starts in the input
};

class Tokenizer {
public:
    static constexpr int kMaxWordLength = 32;

    explicit Tokenizer(QByteArrayView input)
        : m_in(input)
    {
    }

    Token next();
    qint64 offset() const { return m_pos; }
    // The Error token comes for a control word longer than kMaxWordLength,
    // the only input the tokenizer refuses.

private:
    Token word(qint64 start);

    QByteArrayView m_in;
    qint64 m_pos = 0;
};

} // namespace rtf
