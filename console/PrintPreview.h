// SPDX-License-Identifier: GPL-3.0-or-later
// The print preview's pages: one under another, each painted only when it
// comes into view and a few kept, so that a list of any length shows at once
// and holds the memory of a few pages.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include <functional>
#include <list>

class TPagesView : public QAbstractScrollArea {
    Q_OBJECT
signals:
    void CurrentPageChanged(int page);

public:
    // Paints page (from 1) in the units of the page's printable area.
    using TPaintPage = std::function<void(QPainter& painter, int page)>;
    // paper: the sheet in device pixels of dpi; printable: the part of it painted on.
    TPagesView(int pages, const QSizeF& paper, const QRectF& printable, double dpi, TPaintPage paint,
               QWidget* parent = nullptr);

    int Pages() const { return m_pages; }
    // The page most of the view shows.
    int CurrentPage() const;
    void ShowPage(int page);
    // 1: a page as wide as the view.
    double Zoom() const { return m_zoom; }
    void SetZoom(double zoom);
    // Pages painted since the view was made, and those held now.
    int PagesPainted() const { return m_painted; }
    int PagesHeld() const { return int(m_held.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSize PageSize() const; // on screen
    int Pitch() const;      // from one page's top to the next one's
    const QImage& PageImage(int page);
    void UpdateBars();

    struct THeld {
        int page;
        QImage image;
    };
    int m_pages;
    QSizeF m_paper;
    QRectF m_printable;
    double m_dpi;
    TPaintPage m_paint;
    double m_zoom = 1;
    int m_painted = 0;
    int m_lastCurrent = 0;
    int m_keep = 0;          // pages held at most
    std::list<THeld> m_held; // the most recently shown first
};
