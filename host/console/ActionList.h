// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of a form: named QActions with an image index into the form's
// image list, whose handlers run under the host's error display.
#pragma once

#include "host/console/ImageList.h"

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QObject>

#include <functional>

class TActionList : public QObject {
    Q_OBJECT
public:
    explicit TActionList(QObject* parent = nullptr);

    // The images the actions' indexes refer to; the list is not owned.
    void SetImages(const TImageList* images);
    const TImageList* Images() const { return m_images; }

    // A new action owned by the list; errors escaping the handler reach HandleException.
    QAction* Add(const QString& name, const QString& caption, int imageIndex = -1,
                 const QKeySequence& shortcut = QKeySequence(), std::function<void()> handler = {});
    QList<QAction*> Actions() const { return m_actions; }
    QAction* Find(const QString& name) const;
    static int ImageIndex(const QAction* action);

private:
    void ApplyImage(QAction* action) const;
    const TImageList* m_images = nullptr;
    QList<QAction*> m_actions;
};
