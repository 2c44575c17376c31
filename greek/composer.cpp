#include "composer.h"

#include "sharedstate.h"

#include <algorithm>
#include <cstring>

namespace greek {
namespace {

using u8 = unsigned char;

constexpr u8 kSpace = 32;
constexpr u8 kPlus = 43;
constexpr u8 kLess = 60;
constexpr u8 kGreater = 62;
constexpr u8 kAcute = 180;
constexpr u8 kGrave = 96;

u8 latinVowel(u8 c)
{
    switch (c) {
    case 224: return 166; // à
    case 225: return 163; // á
    case 226: return 169; // â
    case 232: return 157; // è
    case 233: return 154; // é
    case 236: return 136; // ì
    case 237: return 133; // í
    case 238: return 139; // î
    case 242: return 213; // ò
    case 243: return 210; // ó
    case 249: return 221; // ù
    case 250: return 218; // ú
    case 251: return 224; // û
    default: return c;    // ê has no Greek counterpart
    }
}

u8 accentedEtaOmega(u8 mark, u8 letter)
{
    const bool eta = letter == 'h';
    switch (mark) {
    case kAcute: return eta ? 187 : 232;
    case kGrave: return eta ? 190 : 235;
    default: return eta ? 193 : 238; // circumflex
    }
}

u8 withBreathing(u8 letter, bool rough)
{
    switch (letter) {
    case 'a': return rough ? 161 : 162;
    case 'e': return rough ? 152 : 153;
    case 'h': return rough ? 185 : 186;
    case 'i': return rough ? 131 : 132;
    case 'o': return rough ? 208 : 209;
    case 'r': return rough ? 183 : 114; // rho takes only the rough breathing
    case 'u': return rough ? 216 : 217;
    default: return rough ? 230 : 231; // w
    }
}

class Window {
public:
    explicit Window(std::string text)
        : m_w(std::move(text))
    {
    }
    std::size_t size() const { return m_w.size(); }
    u8 last() const { return u8(m_w.back()); }
    u8 beforeLast() const { return u8(m_w[m_w.size() - 2]); }
    void setLast(u8 c) { m_w.back() = char(c); }
    // Removes the mark before the last character.
    void dropBeforeLast(int& delta)
    {
        m_w.erase(m_w.size() - 2, 1);
        --delta;
    }
    std::string& text() { return m_w; }

private:
    std::string m_w;
};

void capitalStep(Window& w, int& delta)
{
    std::string& t = w.text();
    const std::size_t n = t.size();
    if (n == 1)
        return;
    if (n >= 3) {
        const u8 accent = u8(t[n - 3]);
        const u8 breathing = u8(t[n - 2]);
        for (const CapitalMarkPair& p : CapitalMarkPairs) {
            if (p.accent == accent && p.breathing == breathing) {
                t.replace(n - 3, 2, 1, char(p.result));
                delta = -1;
                return;
            }
        }
    }
    if (u8(t[n - 2]) == kLess)
        t[n - 2] = char(96);
    else if (u8(t[n - 2]) == kGreater)
        t[n - 2] = char(39);
}

void step1(Window& w)
{
    if (DeadKeyVowels.has(w.last()))
        w.setLast(latinVowel(w.last()));
}

void step2(Window& w, int& delta)
{
    if (w.size() < 2 || (w.last() != 'h' && w.last() != 'w') || !AccentMarks.has(w.beforeLast()))
        return;
    w.setLast(accentedEtaOmega(w.beforeLast(), w.last()));
    w.dropBeforeLast(delta);
}

void step3(Window& w, int& delta)
{
    const u8 last = w.last();
    switch (w.beforeLast()) {
    case kPlus:
        if (last == 'a' || last == 'h' || last == 'w') {
            w.setLast(last == 'a' ? 118 : last == 'h' ? 86 : 74);
            w.dropBeforeLast(delta);
        }
        break;
    case kLess:
    case kGreater: {
        const bool rough = w.beforeLast() == kLess;
        if (BreathingLetters.has(last))
            w.setLast(withBreathing(last, rough));
        else if (AccentedCodes.has(last))
            w.setLast(u8(last + (rough ? 1 : 2)));
        w.dropBeforeLast(delta); // a breathing is dropped even before a letter that takes none
        break;
    }
    default:
        break;
    }
}

void step4(Window& w, int& delta)
{
    if (w.size() < 2 || AccentMarks.has(w.last()) || w.beforeLast() != kPlus)
        return;
    if (IotaPlus11Codes.has(w.last())) {
        w.setLast(u8(w.last() + 11));
        w.dropBeforeLast(delta);
    } else if (IotaPlus12Codes.has(w.last())) {
        w.setLast(u8(w.last() + 12));
        w.dropBeforeLast(delta);
    }
}

} // namespace

unsigned char deadKeyVowel(unsigned char mark, unsigned char vowel)
{
    static constexpr char kVowels[] = "aeiouAEIOU";
    // Latin-1: the vowels with acute, grave and circumflex, small and capital.
    static constexpr unsigned char kAcute[] = {225, 233, 237, 243, 250, 193, 201, 205, 211, 218};
    static constexpr unsigned char kGrave[] = {224, 232, 236, 242, 249, 192, 200, 204, 210, 217};
    static constexpr unsigned char kCircumflex[] = {226, 234, 238, 244, 251, 194, 202, 206, 212, 219};
    const char* at = vowel ? std::strchr(kVowels, char(vowel)) : nullptr;
    if (!at)
        return 0;
    const std::size_t i = std::size_t(at - kVowels);
    switch (mark) {
    case 180: return kAcute[i];
    case 96: return kGrave[i];
    case 94: return kCircumflex[i];
    default: return 0;
    }
}

std::string typeOut(const std::string& keys)
{
    constexpr std::size_t kWindow = 3; // as many characters before the caret as the typing pipeline takes
    std::string out;
    out.reserve(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        char key = keys[k];
        if (k + 1 < keys.size()) {
            if (const unsigned char v = deadKeyVowel((unsigned char)key, (unsigned char)keys[k + 1])) {
                key = char(v);
                ++k;
            }
        }
        out += key;
        const std::size_t count = std::min(kWindow, out.size());
        out.replace(out.size() - count, count, compose(out.substr(out.size() - count), true).text);
    }
    return out;
}

Composition compose(const std::string& window, bool latinVowelFresh)
{
    Composition out{window, 0};
    if (window.empty())
        return out;
    Window w(window);
    int delta = 0;
    if (BreathingCapitals.has(w.last())) {
        capitalStep(w, delta);
    } else if (w.last() != kSpace) {
        if (latinVowelFresh)
            step1(w);
        step2(w, delta);
        if (w.size() >= 2 && !AccentMarks.has(w.last())) {
            step3(w, delta);
            step4(w, delta);
        }
    }
    out.text = std::move(w.text());
    out.delta = delta;
    return out;
}

void Sonderzeichen(SharedState& state, bool latinVowelFresh)
{
    const std::size_t count = std::size_t(std::max(0, state.ComposeCount));
    const Composition result = compose(state.ComposeBuffer.substr(0, count), latinVowelFresh);
    state.ComposeBuffer = result.text;
    state.ComposeDelta = result.delta;
    state.ComposeCaret += result.delta;
}

} // namespace greek
