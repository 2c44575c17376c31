#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSize>

class QWidget;

// Edge anchoring of child widgets inside a container: when the container
// changes size by dx, dy, a child anchored left and right grows by dx, one
// anchored right only moves by dx (and likewise vertically).
class AnchorLayout : public QObject {
    Q_OBJECT
public:
    enum Edge { Left = 1, Top = 2, Right = 4, Bottom = 8 };

    explicit AnchorLayout(QWidget* container);

    void setAnchors(QWidget* child, int edges);
    int anchors(QWidget* child) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(int dx, int dy);

    QWidget* m_container;
    QSize m_last;
    QHash<QWidget*, int> m_anchors;
};
