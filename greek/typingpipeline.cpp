#include "typingpipeline.h"

#include "codepage.h"
#include "composer.h"
#include "richtextsurface.h"
#include "sharedstate.h"

namespace {

const QString kGreek = QStringLiteral("Greek");

// Clears InCompose on every way out of a run.
class ComposeGuard {
public:
    explicit ComposeGuard(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~ComposeGuard() { m_flag = false; }

private:
    bool& m_flag;
};

} // namespace

TypingPipeline::TypingPipeline(RichTextSurface& surface, SharedState& state, std::function<QString()> fontBoxText)
    : m_surface(surface)
    , m_state(state)
    , m_fontBoxText(std::move(fontBoxText))
{
}

// Near the start of the text the window is everything before the caret,
// whatever its font. Further in, it reaches back over characters in "Greek":
// the walk stops at k when the character before a k-character window is in
// another font.
int TypingPipeline::windowLength(int caret) const
{
    if (caret < kMaxWindow + 1)
        return caret;
    for (int k = 1; k <= kMaxWindow; ++k) {
        if (m_surface.fontNameOfChar(caret - k - 1) != kGreek)
            return k;
    }
    return kMaxWindow;
}

void TypingPipeline::txtChange(const surface::TextChange& change)
{
    if (m_state.InCompose || m_fontBoxText() != kGreek || !m_state.ComposeArmed || m_state.LoadingDocument)
        return;
    // A loaded document, a replacement, an undo or a redo: what they bring is
    // what it is, nothing was typed. Undo and redo restore exactly the text
    // they recorded; a composition there would make a text that never was,
    // and, being an edit, empty the redo stack.
    if (change.origin == surface::ChangeOrigin::Load || change.origin == surface::ChangeOrigin::Replace
        || change.origin == surface::ChangeOrigin::UndoRedo)
        return;

    ComposeGuard guard(m_state.InCompose);

    const int caret = m_surface.selStart();
    int count = windowLength(caret);
    QString window = m_surface.textRange(caret - count, count);
    // A character without an 8-bit code (a paragraph break, pasted Unicode)
    // never reaches the engine: the window starts after it.
    for (int i = int(window.size()) - 1; i >= 0; --i) {
        if (!codepage::toCode(window[i]) || window[i] == QLatin1Char('\n')) {
            window.remove(0, i + 1);
            break;
        }
    }
    count = int(window.size());
    if (count == 0)
        return;

    m_state.ComposeCaret = caret;
    m_state.ComposeBuffer = codepage::encode(window).toStdString();
    m_state.ComposeCount = count;
    greek::Sonderzeichen(m_state, change.typed(caret - 1));

    const QString result = codepage::decode(QByteArray::fromStdString(m_state.ComposeBuffer));
    if (result == window)
        return; // nothing to rewrite: no edit, no undo step, the formatting stays

    m_surface.rewrite(caret - count, window, result);
    // The caret moves with the rewrite and normally stands there already.
    if (m_surface.selStart() != m_state.ComposeCaret || m_surface.selLength() != 0)
        m_surface.setSelStart(m_state.ComposeCaret);
}
