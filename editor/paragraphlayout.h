#pragma once

#include <QAbstractTextDocumentLayout>

#include <vector>

class QTextBlock;

// The editor's document layout: a column of paragraphs without frames or
// tables. A change lays out only the paragraphs it touched; the vertical
// position of every paragraph comes from a sum tree of paragraph heights, so
// typing never walks the rest of the document (Qt's own layout re-positions
// every later paragraph on each change).
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

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // Heights of the paragraphs in block order, with prefix sums (Fenwick tree).
    class HeightTree {
    public:
        void assign(const std::vector<qreal>& heights);
        void set(int i, qreal height);
        qreal height(int i) const { return m_h[std::size_t(i)]; }
        qreal before(int i) const; // sum of the heights of blocks 0 .. i-1
        qreal total() const { return before(size()); }
        int at(qreal y) const;     // the block that contains y (clamped)
        int size() const { return int(m_h.size()); }
        const std::vector<qreal>& heights() const { return m_h; }

    private:
        std::vector<qreal> m_h, m_tree;
    };

    qreal layoutBlock(const QTextBlock& block, qreal* naturalWidth) const;
    void relayoutAll();
    qreal textWidth() const;
    bool wraps() const;
    qreal margin() const;
    void announceSize();
    void setWidth(int i, qreal width);
    qreal widest() const;

    HeightTree m_heights;
    std::vector<qreal> m_widths; // natural widths, for the width without wrapping
    mutable qreal m_widest = 0;  // the largest of them, found again only when it may have shrunk
    mutable bool m_widestKnown = false;
    qreal m_laidOutWidth = -1;
    QSizeF m_lastSize;
};
