// SPDX-License-Identifier: GPL-3.0-or-later
// A line under a grid that says what its row colours mean: a swatch of each
// colour beside its meaning.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

class TColourLegend : public QWidget {
    Q_OBJECT
public:
    using TEntries = std::vector<std::pair<QColor, QString>>;
    explicit TColourLegend(const TEntries& entries, QWidget* parent = nullptr);
    // The meanings in order, for a test to read.
    QStringList Meanings() const;

private:
    TEntries m_entries;
};
