// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/console/ActionList.h"

#include "host/ui/Dialogs.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

namespace {
const char* const kImageIndex = "ImageIndex";
}

TActionList::TActionList(QObject* parent) : QObject(parent) {}

void TActionList::SetImages(const TImageList* images) {
    m_images = images;
    for (QAction* a : m_actions)
        ApplyImage(a);
}

QAction* TActionList::Add(const QString& name, const QString& caption, int imageIndex,
                          const QKeySequence& shortcut, std::function<void()> handler) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setProperty(kImageIndex, imageIndex);
    if (handler)
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { Guarded(handler); });
    ApplyImage(action);
    m_actions.append(action);
    return action;
}

QAction* TActionList::Find(const QString& name) const {
    for (QAction* a : m_actions)
        if (a->objectName() == name) return a;
    return nullptr;
}

int TActionList::ImageIndex(const QAction* action) {
    const QVariant v = action ? action->property(kImageIndex) : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

void TActionList::ApplyImage(QAction* action) const {
    const int index = ImageIndex(action);
    // pixmaps need a GUI application; without one the action simply has no icon
    if (!m_images || index < 0 || index >= m_images->Count() || !qobject_cast<QGuiApplication*>(qApp)) return;
    action->setIcon(QIcon(QPixmap::fromImage(m_images->Image(index))));
}
