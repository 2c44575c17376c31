// The editor's view magnification: the layout measures and draws for a
// device of the zoomed resolution; the document's sizes stay.
#include "richtextsurface.h"

#include "surfaceedit.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

int RichTextSurface::zoomStep(int percent, int direction)
{
    static constexpr int kSteps[] = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
    if (direction > 0) {
        for (int s : kSteps)
            if (s > percent)
                return s;
        return kZoomMax;
    }
    for (auto it = std::rbegin(kSteps); it != std::rend(kSteps); ++it)
        if (*it < percent)
            return *it;
    return kZoomMin;
}

void RichTextSurface::setZoom(int percent)
{
    percent = std::clamp(percent, kZoomMin, kZoomMax);
    if (percent == m_zoom)
        return;
    m_zoom = percent;
    applyZoom();
}

// The layout measures and draws its fonts for a device of the screen's
// resolution times the zoom: every position the editor works with (caret,
// selection, clicks, scrolling) is then of the zoomed view, while the
// document's formats keep their sizes.
void RichTextSurface::applyZoom()
{
    QAbstractTextDocumentLayout* layout = m_doc ? m_doc->documentLayout() : nullptr;
    if (!layout)
        return;
    if (m_zoom == 100) {
        layout->setPaintDevice(nullptr);
        m_zoomDevice.reset();
    } else {
        auto device = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
        const double dotsPerMetre = m_edit->logicalDpiY() * m_zoom / 100.0 / 0.0254;
        device->setDotsPerMeterX(int(std::lround(dotsPerMetre)));
        device->setDotsPerMeterY(int(std::lround(dotsPerMetre)));
        layout->setPaintDevice(device.get());
        m_zoomDevice = std::move(device); // the old one goes after the layout has let it go
    }
    // Everything is measured anew.
    m_doc->markContentsDirty(0, m_doc->characterCount());
    m_edit->viewport()->update();
}

