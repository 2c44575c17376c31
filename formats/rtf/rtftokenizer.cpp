#include "rtftokenizer.h"

#include <algorithm>
#include <limits>

namespace rtf {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Token Tokenizer::next()
{
    const qint64 size = m_in.size();
    // Line ends carry no meaning in RTF.
    while (m_pos < size && (m_in[m_pos] == '\r' || m_in[m_pos] == '\n'))
        ++m_pos;
    Token t;
    t.offset = m_pos;
    if (m_pos >= size) {
        t.type = Token::End;
        return t;
    }
    const char c = m_in[m_pos];
    if (c == '{') {
        ++m_pos;
        t.type = Token::GroupOpen;
        return t;
    }
    if (c == '}') {
        ++m_pos;
        t.type = Token::GroupClose;
        return t;
    }
    if (c != '\\') {
        qint64 end = m_pos;
        while (end < size && m_in[end] != '\\' && m_in[end] != '{' && m_in[end] != '}' && m_in[end] != '\r'
               && m_in[end] != '\n')
            ++end;
        t.type = Token::Text;
        t.data = m_in.sliced(m_pos, end - m_pos);
        m_pos = end;
        return t;
    }
    // A backslash.
    if (m_pos + 1 >= size) {
        m_pos = size;
        t.type = Token::End; // a lone backslash at the very end says nothing
        return t;
    }
    const char n = m_in[m_pos + 1];
    if (isLetter(n))
        return word(m_pos);
    if (n == '\'') {
        const int hi = m_pos + 2 < size ? hexValue(m_in[m_pos + 2]) : -1;
        const int lo = m_pos + 3 < size ? hexValue(m_in[m_pos + 3]) : -1;
        if (hi < 0 || lo < 0) {
            // \' without two hex digits: the byte is dropped, the reading goes on.
            m_pos = std::min(size, m_pos + 2);
            t.type = Token::Text;
            t.data = QByteArrayView();
            return t;
        }
        m_pos += 4;
        t.type = Token::Hex;
        t.byte = static_cast<unsigned char>(hi * 16 + lo);
        return t;
    }
    m_pos += 2;
    if (n == '\r' || n == '\n') {
        // \ before a line end is \par.
        t.type = Token::Word;
        t.name = "par";
        return t;
    }
    t.type = Token::Symbol;
    t.symbol = n;
    return t;
}

Token Tokenizer::word(qint64 start)
{
    const qint64 size = m_in.size();
    Token t;
    t.offset = start;
    qint64 p = start + 1;
    while (p < size && isLetter(m_in[p]))
        ++p;
    const qint64 letters = p - start - 1;
    if (letters > kMaxWordLength) {
        m_pos = p;
        t.type = Token::Error;
        return t;
    }
    t.type = Token::Word;
    t.name = m_in.sliced(start + 1, letters);
    bool negative = false;
    if (p < size && m_in[p] == '-' && p + 1 < size && isDigit(m_in[p + 1])) {
        negative = true;
        ++p;
    }
    if (p < size && isDigit(m_in[p])) {
        qint64 value = 0;
        while (p < size && isDigit(m_in[p])) {
            value = std::min<qint64>(value * 10 + (m_in[p] - '0'), qint64(std::numeric_limits<int>::max()) + 1);
            ++p;
        }
        if (negative)
            value = -value;
        t.hasParam = true;
        t.param = int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }
    if (p < size && m_in[p] == ' ')
        ++p; // the delimiting space belongs to the word
    m_pos = p;
    if (t.name == "bin") {
        // Raw bytes follow; never past the end of the input.
        const qint64 n = std::clamp<qint64>(t.hasParam ? t.param : 0, 0, size - m_pos);
        t.type = Token::Binary;
        t.data = m_in.sliced(m_pos, n);
        m_pos += n;
    }
    return t;
}

} // namespace rtf
