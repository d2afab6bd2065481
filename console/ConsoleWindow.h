// SPDX-License-Identifier: GPL-3.0-or-later
// The console's main window: the snap-in's name, description and image above
// its navigator, the viewer beside them, and the viewer's commands in the menu.
#pragma once

#include "host/console/HostIntf.h"

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QMenu;
class QSplitter;
class QVBoxLayout;
class TConsole;
class TCustomNavigatorForm;

class TConsoleWindow : public QMainWindow {
    Q_OBJECT
public:
    TConsoleWindow(std::shared_ptr<TConsole> console, const QString& connectionText);
    ~TConsoleWindow() override;

    // As a host does: frames first, then Load, Show and ShowNavigator.
    void OpenSnapin(const std::shared_ptr<ISnapin>& snapin);
    // Hides the views, destroys their frames and lets the snap-in go.
    void CloseSnapin();

    // Fills the navigator's search keys and searches; a key the navigator does
    // not have or a value it cannot search for is refused, with the text that names it.
    QString PresetSearch(const QList<std::pair<QString, QString>>& keys);
    TCustomNavigatorForm* NavigatorForm() const;
    void Print();
    // Loads the viewer again (a closed connection is opened anew) and lets the navigator prepare.
    void Reconnect();
    void UpdateStatus();
    // What "Pomoć → O programu" says: the module, the version, the database and where data lives.
    QString AboutText() const;

private:
    void BrowseEmployees();
    void UpdateRecordCount();
    std::shared_ptr<TConsole> m_console;
    std::shared_ptr<ISnapin> m_snapin;
    std::shared_ptr<IViewer> m_viewer;
    std::shared_ptr<INavigable> m_navigator;
    QString m_connectionText;
    QSplitter* m_splitter;
    QWidget* m_left;
    QVBoxLayout* m_leftLayout;
    QLabel* m_image;
    QLabel* m_name;
    QLabel* m_description;
    QLabel* m_status;
    QLabel* m_records;
    QMetaObject::Connection m_recordsConnection;
    QPointer<QMenu> m_snapinMenu;
};
