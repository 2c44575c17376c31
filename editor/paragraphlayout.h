#pragma once

#include <QAbstractTextDocumentLayout>
#include <QTimer>

#include <vector>

class QTextBlock;

// The editor's document layout: a column of paragraphs without frames or
// tables. A change lays out only the paragraphs it touched; the vertical
// position of every paragraph comes from a sum tree of paragraph heights, so
// typing never walks the rest of the document (Qt's own layout re-positions
// every later paragraph on each change).
//
// A whole new document (a load, a new width) is laid out lazily: paragraphs
// get an estimated height at once, those on screen are laid out when drawn or
// asked for, and the rest in short steps while the program is idle, so a
// large document shows at once and typing is never held up.
class ParagraphLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
public:
    explicit ParagraphLayout(QTextDocument* doc);

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    // Every paragraph laid out and placed.
    bool complete() const;
    // Lays out and places what is still waiting, now.
    void finish();

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // Heights of the paragraphs in block order, with prefix sums (Fenwick tree).
    class HeightTree {
    public:
        void assign(const std::vector<qreal>& heights);
        void set(int i, qreal height);
        qreal height(int i) const
        {
            Q_ASSERT(i >= 0 && i < size());
            return m_h[std::size_t(i)];
        }
        qreal before(int i) const; // sum of the heights of blocks 0 .. i-1
        qreal total() const { return before(size()); }
        int at(qreal y) const;     // the block that contains y (clamped)
        int size() const { return int(m_h.size()); }
        const std::vector<qreal>& heights() const { return m_h; }

    private:
        std::vector<qreal> m_h, m_tree;
    };

    qreal layoutBlock(const QTextBlock& block, qreal* naturalWidth) const;
    qreal estimate(const QTextBlock& block, qreal lineHeight, qreal charWidth) const;
    // Lays out block i unless it is laid out already.
    void ensure(int i, const QTextBlock& block) const;
    void setLaidOut(int i, qreal height, qreal naturalWidth) const;
    void unsetLaidOut(int i, qreal estimatedHeight) const;
    void invalidateAll();
    void idleStep();
    void schedule() const;
    void place(const QTextBlock& block) const;
    qreal textWidth() const;
    bool wraps() const;
    qreal margin() const;
    void announceSize();
    qreal widest() const;
    void checkInvariants() const;

    mutable HeightTree m_heights;
    mutable std::vector<qreal> m_widths; // natural widths of the laid out paragraphs, 0 for the others
    mutable std::vector<char> m_laid;    // laid out at the current width
    mutable int m_unlaid = 0;
    mutable int m_scan = 0;              // the idle steps go on from here
    mutable int m_placeFrom = 0;         // paragraphs from here on may stand at an old position
    mutable qreal m_widest = 0;          // the largest natural width, found again only when it may have shrunk
    mutable bool m_widestKnown = false;
    qreal m_laidOutWidth = -1;
    QSizeF m_lastSize;
    mutable QTimer m_idle;
};
