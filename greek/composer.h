#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

struct SharedState;

// The accent composition engine: rewrites the few characters typed last into
// the precomposed codes of the 8-bit font "Greek". Pure: no state, no editor.
namespace greek {

// A 256-bit membership table indexed by character code.
class CharSet {
public:
    constexpr CharSet(std::initializer_list<int> members, std::initializer_list<std::array<int, 2>> ranges = {})
    {
        for (int m : members)
            set(m);
        for (const auto& r : ranges)
            for (int m = r[0]; m <= r[1]; ++m)
                set(m);
    }
    constexpr bool has(unsigned char code) const { return (m_bits[code >> 6] >> (code & 63)) & 1u; }

private:
    constexpr void set(int code) { m_bits[unsigned(code) >> 6] |= std::uint64_t(1) << (code & 63); }
    std::array<std::uint64_t, 4> m_bits{};
};

inline constexpr CharSet DeadKeyVowels{224, 225, 226, 232, 233, 234, 236, 237, 238, 242, 243, 249, 250, 251};
inline constexpr CharSet AccentMarks{94, 96, 180};
inline constexpr CharSet BreathingLetters{97, 101, 104, 105, 111, 114, 117, 119};
inline constexpr CharSet AccentedCodes{133, 136, 139, 154, 157, 163, 166, 169, 187, 190,
                                       193, 210, 213, 218, 221, 224, 232, 235, 238};
inline constexpr CharSet IotaPlus11Codes{{}, {{161, 171}, {230, 240}}};
inline constexpr CharSet IotaPlus12Codes{{}, {{185, 195}}};
inline constexpr CharSet BreathingCapitals{65, 69, 72, 73, 79, 82, 85, 87};

struct CapitalMarkPair {
    unsigned char accent;
    unsigned char breathing;
    unsigned char result;
};
inline constexpr std::array<CapitalMarkPair, 6> CapitalMarkPairs{{
    {180, 60, 147}, {96, 60, 149}, {94, 60, 145},
    {180, 62, 148}, {96, 62, 150}, {94, 62, 146},
}};

struct Composition {
    std::string text; // the rewritten window
    int delta = 0;    // net change in length: minus one per removed mark
};

// Rewrites `window` (8-bit codes, the last one typed last). With
// latinVowelFresh false, a Latin-1 accented vowel at the end is taken as a code
// composed earlier and left alone, since a deletion can bring such a code
// back before the caret.
Composition compose(const std::string& window, bool latinVowelFresh = true);

// The accented Latin vowel that a dead accent key (´ 180, ` 96, ^ 94)
// followed by a vowel gives, as the keyboard gives it; 0 for none.
unsigned char deadKeyVowel(unsigned char mark, unsigned char vowel);

// The codes that typing `keys` (8-bit codes) one after another gives, each
// key composed with the characters before it as the editor composes them.
// An accent mark before a vowel is a dead key: the two are that vowel with
// the accent, as the keyboard delivers them.
std::string typeOut(const std::string& keys);

// The method form over the shared registers: reads ComposeBuffer (its first
// ComposeCount characters) and ComposeCaret, writes ComposeBuffer,
// ComposeDelta and ComposeCaret.
void Sonderzeichen(SharedState& state, bool latinVowelFresh = true);

} // namespace greek
