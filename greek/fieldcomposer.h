#pragma once

#include <QFont>
#include <QObject>

#include <functional>

class QLineEdit;

// Lets a one-line field take Greek as the editor does: while `active` says
// so (the editor's font box shows "Greek"), the field shows its text in the
// font "Greek" and runs the composition engine on the characters before its
// cursor after every typed key. Pasted text stays as it is.
class FieldComposer : public QObject {
    Q_OBJECT
public:
    FieldComposer(QLineEdit* field, std::function<bool()> active);

    // Shows the field in the font that `active` calls for now.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textEdited();

    QLineEdit* m_field;
    std::function<bool()> m_active;
    QFont m_plainFont;
    bool m_typed = false;
    bool m_composing = false;
};
