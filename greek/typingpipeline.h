#pragma once

#include <QString>

#include <functional>

class RichTextSurface;
struct SharedState;

namespace surface {
struct TextChange;
}

// After every change of the text, rewrites the at most three characters before
// the caret through the composition engine.
class TypingPipeline {
public:
    static constexpr int kMaxWindow = 3;

    // fontBoxText reads the main window's font box: the pipeline composes only
    // while it shows exactly "Greek".
    TypingPipeline(RichTextSurface& surface, SharedState& state, std::function<QString()> fontBoxText);

    // One run for one change notification of the editor.
    void txtChange(const surface::TextChange& change);

private:
    int windowLength(int caret) const;

    RichTextSurface& m_surface;
    SharedState& m_state;
    std::function<QString()> m_fontBoxText;
};
