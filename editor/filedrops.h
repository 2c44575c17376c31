#pragma once

#include <QObject>
#include <QStringList>

// Local files dragged over a widget are taken for opening, not entered: the
// drag is accepted without the text's drop caret, and the drop tells the
// files. Other data goes on to the widget as before. The editor and the
// window both watch their drops through it.
class FileDrops : public QObject {
    Q_OBJECT
public:
    explicit FileDrops(QObject* parent = nullptr);
    // Watches `target` (for a scroll area, its viewport, which gets the drags).
    void watch(QObject* target);

signals:
    void filesDropped(const QStringList& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
