#include "paragraphlayout.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

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
    Q_ASSERT(i >= 0 && i < size());
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

namespace {
// How long one idle step may lay out before it gives the event loop back.
constexpr qint64 kIdleBudgetNs = 4'000'000;
// A line width that means "no limit" to QTextLine.
constexpr qreal kUnboundedWidth = 1e9;
// A change touching more paragraphs than this lays them out lazily.
constexpr int kEagerParagraphs = 64;
} // namespace

ParagraphLayout::ParagraphLayout(QTextDocument* doc)
    : QAbstractTextDocumentLayout(doc)
{
    setProperty("cursorWidth", 1);
    // The widget then always gives the document its viewport's width, which the
    // alignment of paragraphs needs also without wrapping.
    setProperty("contentHasAlignment", true);
    m_idle.setSingleShot(true);
    m_idle.setInterval(0);
    connect(&m_idle, &QTimer::timeout, this, &ParagraphLayout::idleStep);
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

void ParagraphLayout::checkInvariants() const
{
    Q_ASSERT(m_heights.size() == int(m_laid.size()) && m_laid.size() == m_widths.size());
    Q_ASSERT(m_unlaid >= 0 && m_unlaid <= m_heights.size());
}

qreal ParagraphLayout::layoutBlock(const QTextBlock& block, qreal* naturalWidth) const
{
    QTextLayout* tl = block.layout();
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(block.textDirection());
    const Qt::Alignment alignment = QStyle::visualAlignment(block.textDirection(), block.blockFormat().alignment());
    option.setAlignment(alignment);
    const bool wrap = wraps();
    if (!wrap)
        option.setWrapMode(QTextOption::NoWrap);
    tl->setTextOption(option);
    const qreal width = textWidth();
    const bool left = !(alignment & (Qt::AlignRight | Qt::AlignHCenter));
    qreal y = 0;
    tl->beginLayout();
    for (QTextLine line = tl->createLine(); line.isValid(); line = tl->createLine()) {
        line.setLineWidth(width);
        // Without wrapping a line is as wide as its text, at least the
        // viewport: aligned text never starts left of the visible area.
        if (!wrap && left)
            line.setLineWidth(kUnboundedWidth);
        else if (!wrap && line.naturalTextWidth() > width)
            line.setLineWidth(line.naturalTextWidth());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    tl->endLayout();
    *naturalWidth = tl->maximumWidth();
    return y;
}

// Until it is laid out, a paragraph is guessed from its length in the
// document's font.
qreal ParagraphLayout::estimate(const QTextBlock& block, qreal lineHeight, qreal charWidth) const
{
    if (!wraps())
        return lineHeight;
    const qreal lines = std::ceil(block.length() * charWidth / textWidth());
    return lineHeight * std::max<qreal>(1, lines);
}

void ParagraphLayout::setLaidOut(int i, qreal height, qreal naturalWidth) const
{
    Q_ASSERT(i >= 0 && i < m_heights.size());
    if (m_heights.height(i) != height) {
        m_heights.set(i, height);
        m_placeFrom = std::min(m_placeFrom, i + 1); // everything below moved
    }
    qreal& w = m_widths[std::size_t(i)];
    if (m_widestKnown) {
        if (naturalWidth >= m_widest)
            m_widest = naturalWidth;
        else if (w >= m_widest)
            m_widestKnown = false; // the widest paragraph got narrower
    }
    w = naturalWidth;
    if (!m_laid[std::size_t(i)]) {
        m_laid[std::size_t(i)] = 1;
        --m_unlaid;
    }
}

void ParagraphLayout::unsetLaidOut(int i, qreal estimatedHeight) const
{
    if (m_laid[std::size_t(i)]) {
        m_laid[std::size_t(i)] = 0;
        ++m_unlaid;
    }
    if (m_widths[std::size_t(i)] >= m_widest)
        m_widestKnown = false;
    m_widths[std::size_t(i)] = 0;
    if (m_heights.height(i) != estimatedHeight) {
        m_heights.set(i, estimatedHeight);
        m_placeFrom = std::min(m_placeFrom, i + 1);
    }
}

void ParagraphLayout::ensure(int i, const QTextBlock& block) const
{
    Q_ASSERT(i >= 0 && i < m_heights.size() && block.blockNumber() == i);
    if (m_laid[std::size_t(i)])
        return;
    qreal w = 0;
    const qreal h = layoutBlock(block, &w);
    setLaidOut(i, h, w);
    place(block);
    schedule(); // the size and the places below it are announced when idle
}

void ParagraphLayout::place(const QTextBlock& block) const
{
    block.layout()->setPosition(QPointF(margin(), margin() + m_heights.before(block.blockNumber())));
}

void ParagraphLayout::schedule() const
{
    if (!m_idle.isActive())
        m_idle.start();
}

bool ParagraphLayout::complete() const { return m_unlaid == 0 && m_placeFrom >= m_heights.size(); }

void ParagraphLayout::invalidateAll()
{
    QTextDocument* doc = document();
    const QFontMetricsF fm(doc->defaultFont(), paintDevice());
    std::vector<qreal> heights;
    heights.reserve(std::size_t(doc->blockCount()));
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        heights.push_back(estimate(b, fm.height(), fm.averageCharWidth()));
    m_heights.assign(heights);
    m_laid.assign(heights.size(), 0);
    m_widths.assign(heights.size(), 0);
    m_unlaid = int(heights.size());
    m_scan = 0;
    m_placeFrom = 0;
    m_widestKnown = false;
    m_laidOutWidth = doc->pageSize().width();
    schedule();
}

qreal ParagraphLayout::widest() const
{
    if (!m_widestKnown) {
        m_widest = m_widths.empty() ? 0 : *std::max_element(m_widths.begin(), m_widths.end());
        m_widestKnown = true;
    }
    return m_widest;
}

void ParagraphLayout::idleStep()
{
    QElapsedTimer clock;
    clock.start();
    QTextDocument* doc = document();
    const int count = m_heights.size();
    int firstChanged = count;
    // Lay out what is still waiting, from the top down.
    if (m_unlaid > 0) {
        QTextBlock b = doc->findBlockByNumber(m_scan);
        for (; b.isValid() && m_unlaid > 0; b = b.next(), ++m_scan) {
            if (m_laid[std::size_t(m_scan)])
                continue;
            qreal w = 0;
            const qreal h = layoutBlock(b, &w);
            firstChanged = std::min(firstChanged, m_scan);
            setLaidOut(m_scan, h, w);
            place(b);
            if ((m_scan & 15) == 0 && clock.nsecsElapsed() > kIdleBudgetNs)
                break;
        }
        if (!b.isValid())
            m_scan = 0; // paragraphs laid out out of order by drawing are found on the next round
    }
    // Then give every paragraph its place, for accessibility and input methods.
    if (m_unlaid == 0 && m_placeFrom < count && clock.nsecsElapsed() < kIdleBudgetNs) {
        QTextBlock b = doc->findBlockByNumber(m_placeFrom);
        for (; b.isValid(); b = b.next()) {
            place(b);
            ++m_placeFrom;
            if ((m_placeFrom & 255) == 0 && clock.nsecsElapsed() > kIdleBudgetNs)
                break;
        }
        if (!b.isValid())
            m_placeFrom = count;
    }
    if (firstChanged < count)
        emit update(QRectF(0., margin() + m_heights.before(firstChanged), 1e9, 1e9));
    announceSize();
    checkInvariants();
    if (!complete())
        schedule();
}

void ParagraphLayout::finish()
{
    while (!complete())
        idleStep();
    m_idle.stop();
}

void ParagraphLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    Q_UNUSED(charsRemoved);
    QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    if (m_heights.size() == 0 || doc->pageSize().width() != m_laidOutWidth) {
        invalidateAll();
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
            invalidateAll();
        } else {
            if (blocks != oldCount) {
                // Paragraphs came or went: splice the range, rebuild the sums.
                std::vector<qreal> heights = m_heights.heights();
                for (int i = first; i <= oldLast; ++i)
                    m_unlaid -= m_laid[std::size_t(i)] ? 0 : 1;
                const int added = last - first + 1;
                heights.erase(heights.begin() + first, heights.begin() + oldLast + 1);
                heights.insert(heights.begin() + first, std::size_t(added), qreal(-1));
                m_widths.erase(m_widths.begin() + first, m_widths.begin() + oldLast + 1);
                m_widths.insert(m_widths.begin() + first, std::size_t(added), qreal(0));
                m_laid.erase(m_laid.begin() + first, m_laid.begin() + oldLast + 1);
                m_laid.insert(m_laid.begin() + first, std::size_t(added), char(0));
                m_unlaid += added;
                m_heights.assign(heights);
                m_widestKnown = false;
                m_scan = std::min(m_scan, first);
                m_placeFrom = std::min(m_placeFrom, first);
            }
            // A few paragraphs are laid out at once; a large change waits for
            // drawing and the idle steps like a new document.
            const bool lazy = last - first + 1 > kEagerParagraphs;
            const QFontMetricsF fm(doc->defaultFont(), paintDevice());
            QTextBlock b = firstBlock;
            for (int i = first; i <= last && b.isValid(); ++i, b = b.next()) {
                if (lazy) {
                    unsetLaidOut(i, estimate(b, fm.height(), fm.averageCharWidth()));
                    continue;
                }
                qreal w = 0;
                const qreal h = layoutBlock(b, &w);
                setLaidOut(i, h, w);
                place(b);
            }
            if (lazy)
                m_scan = std::min(m_scan, first);
        }
    }
    checkInvariants();
    Q_ASSERT(m_heights.size() == blocks);
    if (!complete())
        schedule();
    // Everything from the first changed paragraph down may have moved.
    const QTextBlock changed = doc->findBlock(std::max(0, from));
    const qreal top = changed.isValid() && changed.blockNumber() < m_heights.size()
        ? margin() + m_heights.before(changed.blockNumber())
        : 0;
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
    ensure(n, block);
    place(block);
    // As wide as its lines, as Qt's own layout reports a paragraph.
    const QRectF lines = block.layout()->boundingRect();
    return QRectF(margin() + lines.x(), margin() + m_heights.before(n), lines.isNull() ? textWidth() : lines.width(),
                  m_heights.height(n));
}

int ParagraphLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    QTextDocument* doc = document();
    if (m_heights.size() == 0)
        return 0;
    const qreal y = point.y() - margin();
    // Laying out the paragraph found may change its height: look again until it stays.
    QTextBlock block;
    for (int tries = 0; tries < 4; ++tries) {
        block = doc->findBlockByNumber(m_heights.at(std::max<qreal>(0, y)));
        if (m_laid[std::size_t(block.blockNumber())])
            break;
        ensure(block.blockNumber(), block);
    }
    if (accuracy == Qt::ExactHit && (y < 0 || y >= m_heights.total()))
        return -1;
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
        const QRectF r = blockBoundingRect(block); // lays the paragraph out when it still waits
        if (r.top() > clip.bottom())
            break;
        QTextLayout* tl = block.layout();
        const int start = block.position();
        const int length = block.length();
        QList<QTextLayout::FormatRange> selections;
        for (const Selection& s : context.selections) {
            const int a = std::max(s.cursor.selectionStart(), start) - start;
            const int b = std::min(s.cursor.selectionEnd(), start + length) - start;
            if (a < b)
                selections.append({a, b - a, s.format});
        }
        // The paragraph stands at its layout's position (blockBoundingRect placed it).
        const QPointF origin(0, 0);
        tl->draw(painter, origin, selections, clip);
        // A cursor position below -1 stands for the caret inside the input method's pre-edit text.
        const bool inPreedit = context.cursorPosition < -1 && !tl->preeditAreaText().isEmpty();
        if (inPreedit)
            tl->drawCursor(painter, origin, tl->preeditAreaPosition() - (context.cursorPosition + 2), cursorWidth);
        else if (context.cursorPosition >= start && context.cursorPosition < start + length)
            tl->drawCursor(painter, origin, context.cursorPosition - start, cursorWidth);
    }
}
