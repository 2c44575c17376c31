#pragma once

#include <QComboBox>
#include <QString>

class QAbstractButton;
class RichTextSurface;
struct SharedState;

// An editable box whose entries the user chooses from its list. Opening the
// list takes the focus from the box's line, which makes Qt report the text
// there as activated: `chosen` leaves that out and reports only a choice.
class ChoiceBox : public QComboBox {
    Q_OBJECT
public:
    explicit ChoiceBox(QWidget* parent = nullptr);
    void showPopup() override;
    // The text, and the entry of that text chosen in the list, so that the
    // list opens at it.
    void showText(const QString& text);

signals:
    void chosen();

private:
    bool m_opening = false;
};

// The font name box: reports when its list opens.
class FontBox : public ChoiceBox {
    Q_OBJECT
public:
    using ChoiceBox::ChoiceBox;
    void showPopup() override;

signals:
    void dropDown();
};

// Reads a whole number the way the size box is read: blanks skipped, an
// optional sign, "$" or "0x" for hexadecimal, digits up to the first other
// character; no digits give 0.
int leadingNumber(const QString& text);

// The controls the formatting commands act on.
struct FormattingControls {
    RichTextSurface* txt = nullptr;
    SharedState* state = nullptr;
    ChoiceBox* fbox = nullptr;
    ChoiceBox* grbox = nullptr;
    QAbstractButton* sbl = nullptr;
    QAbstractButton* sbm = nullptr;
    QAbstractButton* sbr = nullptr;
};

// Character and paragraph formatting, bracketed so that the attribute changes
// are never composed, and the toolbar sync that follows the caret.
class Formatting {
public:
    explicit Formatting(const FormattingControls& c);

    void svmark();
    void remark();
    void setze();

    // svmark() when made, remark() on every way out, an exception's too:
    // composition is never left disarmed. With keepFocus() the focus stays
    // where it is (a box the user types into).
    class Bracket {
    public:
        explicit Bracket(Formatting& f);
        ~Bracket();
        Bracket(const Bracket&) = delete;
        Bracket& operator=(const Bracket&) = delete;
        void keepFocus() { m_focus = false; }

    private:
        Formatting& m_f;
        bool m_focus = true;
    };

    void fontButton(const QString& name); // BitBtn1Click, BitBtn2Click
    void fboxChange();
    void fboxDropDown();
    // typing: the user typed into the box (the focus stays there); otherwise
    // an entry was picked or Enter pressed, and the editor takes the focus.
    void grboxChange(bool typing = false);
    void sizeSmaller(); // BitBtn3Click
    void sizeLarger();  // BitBtn4Click
    void toggleStyle(int flag);
    void align(int alignment); // sblClick, sbmClick, sbrClick
    // Pressing an alignment button: an up button goes down and the others up,
    // the down one goes up; either way its alignment is applied.
    void alignmentButton(QAbstractButton* pressed, int alignment);
    void sync(); // txtKeyDown, txtMouseDown

private:
    void showFontName(const QString& name);

    FormattingControls m_c;
};
