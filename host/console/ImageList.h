// SPDX-License-Identifier: GPL-3.0-or-later
// A list of equally sized images (toolbar, grid and module images). Held as
// QImage so that it can be built without a display; views make pixmaps.
#pragma once

#include <QImage>
#include <QList>

class TImageList {
public:
    explicit TImageList(int width = 16, int height = 16) : m_width(width), m_height(height) {}
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Count() const { return int(m_images.size()); }
    void Add(const QImage& image) { m_images.append(image.scaled(m_width, m_height)); }
    // A null image for an index outside the list.
    QImage Image(int index) const { return index >= 0 && index < Count() ? m_images[index] : QImage(); }

private:
    int m_width;
    int m_height;
    QList<QImage> m_images;
};
