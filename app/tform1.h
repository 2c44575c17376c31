#pragma once

#include "sharedstate.h"
#include "typingpipeline.h"

#include <QMainWindow>

class QComboBox;
class RichTextSurface;

namespace surface {
struct TextChange;
}

// The main window: the editor txt and, above it, the font box fbox whose text
// switches composition on ("Greek") and off.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    SharedState& state() { return m_state; }
    RichTextSurface& txt() { return *m_txt; }
    QComboBox* fbox() const { return m_fbox; }

    // The composition engine over the shared registers.
    void Sonderzeichen(bool latinVowelFresh = true);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void txtChange(const surface::TextChange& change);

    SharedState m_state;
    RichTextSurface* m_txt;
    QComboBox* m_fbox;
    TypingPipeline m_pipeline;
    bool m_shown = false;
};
