#pragma once

// The reference table of typed sequences: for each letter the code of plain,
// ´, `, ^, <, < ´, < `, < ^, >, > ´, > `, > ^ (0: no rule for it).
struct ResultRow {
    char letter;
    int codes[12];
};

inline constexpr ResultRow kResultCodes[] = {
    {'a', {97, 163, 166, 169, 161, 164, 167, 170, 162, 165, 168, 171}},
    {'e', {101, 154, 157, 0, 152, 155, 158, 0, 153, 156, 159, 0}},
    {'h', {104, 187, 190, 193, 185, 188, 191, 194, 186, 189, 192, 195}},
    {'i', {105, 133, 136, 139, 131, 134, 137, 140, 132, 135, 138, 141}},
    {'o', {111, 210, 213, 0, 208, 211, 214, 0, 209, 212, 215, 0}},
    {'u', {117, 218, 221, 224, 216, 219, 222, 225, 217, 220, 223, 226}},
    {'w', {119, 232, 235, 238, 230, 233, 236, 239, 231, 234, 237, 240}},
    {'r', {114, 0, 0, 0, 183, 0, 0, 0, 114, 0, 0, 0}},
};

inline constexpr const char* kBreathings[] = {"", "<", ">"};
inline constexpr const char* kAccentNames[] = {"", "acute", "grave", "circumflex"};
