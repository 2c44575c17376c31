#pragma once

#include "codepage.h"
#include "deadkeylayer.h"
#include "greekfont.h"
#include "richtextsurface.h"
#include "textedit.h"
#include "sharedstate.h"
#include "surfacehost.h"
#include "typingpipeline.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextEdit>
#include <QWidget>

// An editor with the typing pipeline behind it, as the main window wires them.
struct TypingHarness : SurfaceHost {
    RichTextSurface& surface = txt;
    QString fontBox = QStringLiteral("Greek");
    TypingPipeline pipeline{surface, state, [this] { return fontBox; }};

    TypingHarness()
        : SurfaceHost({600, 300})
    {
        QObject::connect(&surface, &RichTextSurface::changed, &host,
                         [this](const surface::TextChange& c) { pipeline.txtChange(c); });
        state.ComposeArmed = true;
    }

    QTextEdit* edit() const { return textEdit(surface); }

    void key(int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        sendKey(edit(), key, mods, text);
    }

    // Types a string as a German keyboard delivers it: ´ ` ^ are dead keys,
    // everything else is one key with its character.
    void type(const QString& keys)
    {
        for (QChar ch : keys) {
            switch (ch.unicode()) {
            case 0x00B4: key(Qt::Key_Dead_Acute); break;
            case u'`': key(Qt::Key_Dead_Grave); break;
            case u'^': key(Qt::Key_Dead_Circumflex); break;
            case u' ': key(Qt::Key_Space, QStringLiteral(" ")); break;
            default: {
                const bool upper = ch.isUpper();
                const int k = ch.isLetter() ? Qt::Key_A + (ch.toUpper().unicode() - u'A') : int(ch.unicode());
                if (upper)
                    key(Qt::Key_Shift, {}, Qt::ShiftModifier);
                key(ch.isLetter() && ch.toUpper().unicode() <= u'Z' ? k : Qt::Key_unknown, QString(ch),
                    upper ? Qt::ShiftModifier : Qt::NoModifier);
            }
            }
        }
    }

    QByteArray codes() const { return codepage::encode(surface.text()); }
};

// Bytes written as a list of decimal codes and plain characters, e.g. codes({'x', 161}).
inline QByteArray codes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int c : list)
        out.append(char(c));
    return out;
}
