#pragma once

#include "styledtext.h"

#include <QPicture>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QPainter;

// The pages of a document: the text laid out on A4 pages with margins of
// 10 mm, as one rich text item 2.1 mm inside the band, as wide as it is set
// in screen pixels (96 per inch). Pages are drawn in a 96-dpi page space; the
// preview, the full-screen preview, the printer and PDF all draw the same
// pages. Qt's Gui alone: the converter makes PDF files without widgets.
namespace report {

constexpr double kDpi = 96;
constexpr double kPageWidthMm = 210.0;
constexpr double kPageHeightMm = 297.0;
constexpr double kMarginMm = 10.0;
constexpr double kItemOffsetMm = 2.1;

inline double mmToPx(double mm) { return mm * kDpi / 25.4; }
// The page in screen pixels at 100 %: 794 by 1123 upright, 1123 by 794 lying.
QSize pageSizePx(bool landscape = false);

// Draws the pages one after another.
class PageMaker {
public:
    PageMaker(const styled::Document& text, int itemWidthPx, bool landscape);
    ~PageMaker();
    // Draws the next page into the page space; true when more pages follow.
    bool draw(QPainter& painter);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

// Lays the text out in pages and records each page; `page` is called with
// each page's number and picture and returns false to stop.
void producePages(const styled::Document& text, int itemWidthPx, bool landscape,
                  const std::function<bool(int, QPicture&&)>& page);

// Draws one recorded page into a painter whose page space is `target` (in the
// painter's coordinates), scaling from the 96-dpi page.
void drawPage(QPainter& painter, const QPicture& page, const QRectF& target, bool landscape = false);

// How many characters of a long paragraph are laid out at a time (4096);
// for tests, which show that the pieces change nothing.
void setLayoutPiece(int chars);

// Writes every page into a PDF file of A4 pages; throws IoError naming the
// file when it could not be made or a write failed (a full disk, say).
void writePdf(const styled::Document& text, int itemWidthPx, const QString& file, const QString& title, bool landscape = false);

} // namespace report
