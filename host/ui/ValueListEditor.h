// SPDX-License-Identifier: GPL-3.0-or-later
// The key/value editor: one row per key with a caption and an editable value.
// A row's value is typed, picked from a list, or set by its ellipsis button.
#pragma once

#include <QStringList>
#include <QTableView>

#include <functional>
#include <vector>

class TValueListModel;
class TValueListDelegate;

class TValueListEditor : public QTableView {
    Q_OBJECT
public:
    enum class TEditStyle { Simple, Ellipsis, PickList };
    struct TItemProp {
        QString keyDesc; // caption shown for the key; empty: the key itself
        TEditStyle editStyle = TEditStyle::Simple;
        QStringList pickList;
        bool readOnly = false; // the value is set in code (by the ellipsis handler) only
    };

    explicit TValueListEditor(QWidget* parent = nullptr);

    void InsertRow(const QString& key, const QString& value = QString());
    int RowCount() const;
    QStringList Keys() const;
    bool HasKey(const QString& key) const;
    // Values of unknown keys read as empty; setting one adds the row.
    QString Values(const QString& key) const;
    void SetValues(const QString& key, const QString& value);

    const TItemProp& ItemProps(const QString& key) const;
    void SetKeyDesc(const QString& key, const QString& caption);
    void SetEditStyle(const QString& key, TEditStyle style);
    void SetReadOnly(const QString& key, bool readOnly);
    QStringList& PickList(const QString& key); // setting a list makes the row a pick-list row

    QString CurrentKey() const;
    void SetCurrentKey(const QString& key);
    // Stores the value being typed and closes its editor.
    void CommitEdit();
    // As a click on the ellipsis button of the current row.
    void ClickEditButton();

    // Handlers: the ellipsis of the current row; a typed character (set it to
    // null to discard it); a key going down (set it to 0 when handled).
    std::function<void()> OnEditButtonClick;
    std::function<void(QChar& key)> OnKeyPress;
    std::function<void(int& key, Qt::KeyboardModifiers modifiers)> OnKeyDown;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class TValueListDelegate;
    // true when a handler used up the key
    bool DoKeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool DoKeyPress(const QString& text);
    int RowOf(const QString& key) const;
    TValueListModel* m_model;
    TValueListDelegate* m_delegate;
};
