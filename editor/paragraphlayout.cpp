#include "paragraphlayout.h"

#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

// --- the sum tree ---------------------------------------------------------------

void ParagraphLayout::HeightTree::assign(const std::vector<qreal>& heights)
{
    m_h = heights;
    m_tree.assign(m_h.size() + 1, 0);
    for (std::size_t i = 1; i <= m_h.size(); ++i) {
        m_tree[i] += m_h[i - 1];
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= m_h.size())
            m_tree[parent] += m_tree[i];
    }
}

void ParagraphLayout::HeightTree::set(int i, qreal height)
{
    const qreal delta = height - m_h[std::size_t(i)];
    m_h[std::size_t(i)] = height;
    for (std::size_t k = std::size_t(i) + 1; k < m_tree.size(); k += k & (~k + 1))
        m_tree[k] += delta;
}

qreal ParagraphLayout::HeightTree::before(int i) const
{
    qreal sum = 0;
    for (std::size_t k = std::size_t(std::clamp(i, 0, size())); k > 0; k -= k & (~k + 1))
        sum += m_tree[k];
    return sum;
}

int ParagraphLayout::HeightTree::at(qreal y) const
{
    // The largest index whose prefix sum stays at or below y.
    std::size_t pos = 0;
    std::size_t step = 1;
    while (step * 2 < m_tree.size())
        step *= 2;
    for (; step > 0; step /= 2) {
        if (pos + step < m_tree.size() && m_tree[pos + step] <= y) {
            pos += step;
            y -= m_tree[pos];
        }
    }
    return std::clamp(int(pos), 0, std::max(0, size() - 1));
}

// --- the layout ------------------------------------------------------------------

ParagraphLayout::ParagraphLayout(QTextDocument* doc)
    : QAbstractTextDocumentLayout(doc)
{
    setProperty("cursorWidth", 1);
    // The widget then always gives the document its viewport's width, which the
    // alignment of paragraphs needs also without wrapping.
    setProperty("contentHasAlignment", true);
}

qreal ParagraphLayout::margin() const { return document()->documentMargin(); }

bool ParagraphLayout::wraps() const
{
    return document()->defaultTextOption().wrapMode() != QTextOption::NoWrap && document()->pageSize().width() > 0;
}

qreal ParagraphLayout::textWidth() const
{
    return std::max<qreal>(1, document()->pageSize().width() - 2 * margin());
}

qreal ParagraphLayout::layoutBlock(const QTextBlock& block, qreal* naturalWidth) const
{
    QTextLayout* tl = block.layout();
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(block.textDirection());
    option.setAlignment(QStyle::visualAlignment(block.textDirection(), block.blockFormat().alignment()));
    if (!wraps())
        option.setWrapMode(QTextOption::NoWrap);
    tl->setTextOption(option);
    tl->setPosition(QPointF(0, 0)); // lines are relative; the paragraph's place comes from the sum tree
    const qreal width = textWidth();
    qreal y = 0;
    tl->beginLayout();
    for (QTextLine line = tl->createLine(); line.isValid(); line = tl->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    tl->endLayout();
    *naturalWidth = tl->maximumWidth();
    return y;
}

void ParagraphLayout::relayoutAll()
{
    std::vector<qreal> heights;
    heights.reserve(std::size_t(document()->blockCount()));
    m_widths.clear();
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        qreal w = 0;
        heights.push_back(layoutBlock(b, &w));
        m_widths.push_back(w);
    }
    m_heights.assign(heights);
    m_widestKnown = false;
    m_laidOutWidth = document()->pageSize().width();
}

void ParagraphLayout::setWidth(int i, qreal width)
{
    qreal& w = m_widths[std::size_t(i)];
    if (m_widestKnown) {
        if (width >= m_widest)
            m_widest = width;
        else if (w >= m_widest)
            m_widestKnown = false; // the widest paragraph got narrower
    }
    w = width;
}

qreal ParagraphLayout::widest() const
{
    if (!m_widestKnown) {
        m_widest = m_widths.empty() ? 0 : *std::max_element(m_widths.begin(), m_widths.end());
        m_widestKnown = true;
    }
    return m_widest;
}

void ParagraphLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    Q_UNUSED(charsRemoved);
    QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    if (m_heights.size() == 0 || document()->pageSize().width() != m_laidOutWidth) {
        relayoutAll();
    } else {
        // The change is one contiguous range: its paragraphs now run from
        // `first` to `last`; the ones after it keep their layout.
        const QTextBlock firstBlock = doc->findBlock(std::max(0, from));
        const QTextBlock lastBlock = doc->findBlock(std::clamp(from + charsAdded, 0, doc->characterCount() - 1));
        const int first = firstBlock.isValid() ? firstBlock.blockNumber() : 0;
        const int last = lastBlock.isValid() ? lastBlock.blockNumber() : blocks - 1;
        const int oldCount = m_heights.size();
        const int oldLast = last - (blocks - oldCount);
        if (oldLast < first - 1 || oldLast >= oldCount) {
            relayoutAll();
        } else if (blocks == oldCount) {
            QTextBlock b = firstBlock;
            for (int i = first; i <= last && b.isValid(); ++i, b = b.next()) {
                qreal w = 0;
                m_heights.set(i, layoutBlock(b, &w));
                setWidth(i, w);
            }
        } else {
            // Paragraphs came or went: splice the range, rebuild the sums.
            std::vector<qreal> heights = m_heights.heights();
            std::vector<qreal> newHeights, newWidths;
            QTextBlock b = firstBlock;
            for (int i = first; i <= last && b.isValid(); ++i, b = b.next()) {
                qreal w = 0;
                newHeights.push_back(layoutBlock(b, &w));
                newWidths.push_back(w);
            }
            heights.erase(heights.begin() + first, heights.begin() + oldLast + 1);
            heights.insert(heights.begin() + first, newHeights.begin(), newHeights.end());
            m_widths.erase(m_widths.begin() + first, m_widths.begin() + oldLast + 1);
            m_widths.insert(m_widths.begin() + first, newWidths.begin(), newWidths.end());
            m_heights.assign(heights);
            m_widestKnown = false;
        }
    }
    // Everything from the first changed paragraph down may have moved.
    const QTextBlock changed = doc->findBlock(std::max(0, from));
    const qreal top = changed.isValid() ? blockBoundingRect(changed).top() : 0;
    emit update(QRectF(0., top, 1e9, 1e9));
    announceSize();
}

void ParagraphLayout::announceSize()
{
    const QSizeF size = documentSize();
    if (size != m_lastSize) {
        m_lastSize = size;
        emit documentSizeChanged(size);
    }
}

QSizeF ParagraphLayout::documentSize() const
{
    qreal width = document()->pageSize().width();
    if (!wraps() && !m_widths.empty())
        width = std::max(width, widest() + 2 * margin());
    return QSizeF(std::max<qreal>(width, 0), m_heights.total() + 2 * margin());
}

QRectF ParagraphLayout::frameBoundingRect(QTextFrame*) const
{
    return QRectF(QPointF(0, 0), documentSize());
}

QRectF ParagraphLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (!block.isValid() || block.blockNumber() >= m_heights.size())
        return QRectF();
    const int n = block.blockNumber();
    return QRectF(margin(), margin() + m_heights.before(n), textWidth(), m_heights.height(n));
}

int ParagraphLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    QTextDocument* doc = document();
    if (m_heights.size() == 0)
        return 0;
    const qreal y = point.y() - margin();
    if (accuracy == Qt::ExactHit && (y < 0 || y >= m_heights.total()))
        return -1;
    const QTextBlock block = doc->findBlockByNumber(m_heights.at(std::max<qreal>(0, y)));
    const QTextLayout* tl = block.layout();
    const qreal inBlock = std::clamp<qreal>(y - m_heights.before(block.blockNumber()), 0, m_heights.height(block.blockNumber()));
    for (int i = 0; i < tl->lineCount(); ++i) {
        const QTextLine line = tl->lineAt(i);
        if (inBlock < line.y() + line.height() || i == tl->lineCount() - 1) {
            const qreal x = point.x() - margin();
            if (accuracy == Qt::ExactHit && (x < line.x() || x > line.x() + line.naturalTextWidth()))
                return -1;
            return block.position() + line.xToCursor(x);
        }
    }
    return block.position();
}

void ParagraphLayout::draw(QPainter* painter, const PaintContext& context)
{
    QTextDocument* doc = document();
    if (m_heights.size() == 0)
        return;
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(0, 0), documentSize());
    const int cursorWidth = property("cursorWidth").toInt();
    painter->setPen(context.palette.color(QPalette::Text));
    for (QTextBlock block = doc->findBlockByNumber(m_heights.at(clip.top() - margin())); block.isValid();
         block = block.next()) {
        const QRectF r = blockBoundingRect(block);
        if (r.top() > clip.bottom())
            break;
        const int start = block.position();
        const int length = block.length();
        QList<QTextLayout::FormatRange> selections;
        for (const Selection& s : context.selections) {
            const int a = std::max(s.cursor.selectionStart(), start) - start;
            const int b = std::min(s.cursor.selectionEnd(), start + length) - start;
            if (a < b)
                selections.append({a, b - a, s.format});
        }
        block.layout()->draw(painter, r.topLeft(), selections, clip);
        if (context.cursorPosition >= start && context.cursorPosition < start + length)
            block.layout()->drawCursor(painter, r.topLeft(), context.cursorPosition - start, cursorWidth);
    }
}
