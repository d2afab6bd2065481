// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/PrintPreview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <climits>
#include <cmath>

namespace {

constexpr int kGap = 12;      // around and between pages, in screen pixels
constexpr int kHeldPages = 8; // at least; always a screenful and two more
constexpr double kMinZoom = 0.1, kMaxZoom = 8;

} // namespace

TPagesView::TPagesView(int pages, const QSizeF& paper, const QRectF& printable, double dpi, TPaintPage paint,
                       QWidget* parent)
    : QAbstractScrollArea(parent), m_pages(qMax(0, pages)), m_paper(paper), m_printable(printable),
      m_dpi(dpi), m_paint(std::move(paint)) {
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(40);
    UpdateBars();
}

QSize TPagesView::PageSize() const {
    double width = qMax(50.0, (viewport()->width() - 2 * kGap) * m_zoom);
    // a view counts in int: the pages of a very long list are shown smaller
    const double tallest = double(INT_MAX / 2) / qMax(1, m_pages) - kGap;
    width = qMin(width, tallest * m_paper.width() / m_paper.height());
    return QSize(int(width), int(width * m_paper.height() / m_paper.width()));
}

int TPagesView::Pitch() const {
    return PageSize().height() + kGap;
}

int TPagesView::CurrentPage() const {
    const int middle = verticalScrollBar()->value() + viewport()->height() / 2;
    return qBound(1, middle / Pitch() + 1, qMax(1, m_pages));
}

void TPagesView::ShowPage(int page) {
    verticalScrollBar()->setValue((qBound(1, page, qMax(1, m_pages)) - 1) * Pitch());
}

void TPagesView::SetZoom(double zoom) {
    zoom = qBound(kMinZoom, zoom, kMaxZoom);
    if (zoom == m_zoom) return;
    const int page = CurrentPage();
    m_zoom = zoom;
    m_held.clear(); // painted for another size
    UpdateBars();
    ShowPage(page);
    viewport()->update();
}

void TPagesView::UpdateBars() {
    const QSize page = PageSize();
    const qint64 height = qint64(m_pages) * Pitch() + kGap;
    verticalScrollBar()->setRange(0,
                                  int(qBound(qint64(0), height - viewport()->height(), qint64(INT_MAX / 2))));
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setRange(0, qMax(0, page.width() + 2 * kGap - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TPagesView::resizeEvent(QResizeEvent* event) {
    const int page = CurrentPage();
    QAbstractScrollArea::resizeEvent(event);
    m_held.clear();
    UpdateBars();
    ShowPage(page);
}

void TPagesView::scrollContentsBy(int, int) {
    viewport()->update();
    const int current = CurrentPage();
    if (current != m_lastCurrent) {
        m_lastCurrent = current;
        emit CurrentPageChanged(current);
    }
}

const QImage& TPagesView::PageImage(int page) {
    for (auto it = m_held.begin(); it != m_held.end(); ++it)
        if (it->page == page) {
            m_held.splice(m_held.begin(), m_held, it);
            return m_held.front().image;
        }
    const QSize size = PageSize();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    // the printer's resolution, so that fonts take the size they take on paper
    const int dotsPerMeter = int(std::lround(m_dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const double scale = size.width() / m_paper.width();
        painter.scale(scale, scale);
        painter.translate(m_printable.topLeft());
        painter.setClipRect(QRectF(QPointF(0, 0), m_printable.size()));
        m_paint(painter, page);
    }
    ++m_painted;
    m_held.push_front({page, std::move(image)});
    while (int(m_held.size()) > m_keep)
        m_held.pop_back();
    return m_held.front().image;
}

void TPagesView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    if (m_pages == 0) return;
    const QSize size = PageSize();
    const int pitch = Pitch(), top = verticalScrollBar()->value();
    const int x = qMax(kGap, (viewport()->width() - size.width()) / 2) - horizontalScrollBar()->value();
    const int first = top / pitch, last = qMin(m_pages - 1, (top + viewport()->height()) / pitch);
    m_keep = qMax(kHeldPages, last - first + 3);
    for (int index = first; index <= last; ++index) {
        const QPoint at(x, kGap + index * pitch - top);
        painter.drawImage(at, PageImage(index + 1));
        painter.setPen(QColor(90, 90, 90));
        painter.drawRect(QRect(at, size).adjusted(-1, -1, 0, 0));
    }
}
