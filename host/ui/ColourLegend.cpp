// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/ColourLegend.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

TColourLegend::TColourLegend(const TEntries& entries, QWidget* parent) : QWidget(parent), m_entries(entries) {
    setObjectName(QStringLiteral("ColourLegend"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const auto& [colour, meaning] : m_entries) {
        auto* swatch = new QFrame(this);
        swatch->setFixedSize(14, 14);
        swatch->setFrameShape(QFrame::Box);
        swatch->setStyleSheet(QStringLiteral("background-color: %1").arg(colour.name()));
        layout->addWidget(swatch);
        layout->addWidget(new QLabel(meaning, this));
        layout->addSpacing(12);
    }
    layout->addStretch(1);
}

QStringList TColourLegend::Meanings() const {
    QStringList meanings;
    for (const auto& entry : m_entries)
        meanings << entry.second;
    return meanings;
}
