// SPDX-License-Identifier: GPL-3.0-or-later
// The data-aware grid: a QTableView over a table model of one record set. The
// grid's current row and the record set's current record follow each other;
// cells are edited in place through TField::SetText; a form colours rows through
// OnCellColor (answered as Qt::BackgroundRole) and draws into cells, such as
// images in columns without a field, through OnDrawColumnCell.
#pragma once

#include "host/data/DataSet.h"

#include <QColor>
#include <QPointer>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <vector>

struct TDBGridColumn {
    QString fieldName; // empty: a column the form draws itself
    QString title;     // empty: the field's label
    int width = 0;     // pixels; 0: fitted to the field
    bool readOnly = false;
    bool visible = true;
    QStringList pickList; // offered by the cell editor; other texts may be typed too
    // A column the form draws (no field), in words: its tooltip, and what printing
    // and saving the list show in its place, under its title (not shown on screen).
    std::function<QString(int row)> text;
};

class TDBGridModel;

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return m_dataSet; }

    // Columns. Without any added, the grid shows one per visible field.
    TDBGridColumn& AddColumn(const QString& fieldName = QString(), int width = 0,
                             const QString& title = QString());
    void ClearColumns();
    int ColumnCount() const { return int(m_columns.size()); }
    const TDBGridColumn& Column(int index) const { return m_columns.at(size_t(index)); }
    // Changes the settings of the field's column after it was added (a pick list
    // known only once its rows are read); nothing without such a column.
    void UpdateColumn(const QString& fieldName, const std::function<void(TDBGridColumn&)>& change);
    void SetColumnVisible(int index, bool visible);
    TField* ColumnField(int index) const; // nullptr for a column without a field
    QString ColumnTitle(int index) const;

    // Esc outside a cell editor drops the record's pending changes; a dialog that
    // asks about its changes itself turns this off, so that Esc reaches it.
    bool EscapeCancelsRecord = true;

    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool ReadOnly() const { return m_readOnly; }

    // Called after the grid has drawn a cell (also when the grid is printed);
    // row is the record, column the grid column.
    std::function<void(QPainter& painter, const QRect& rect, int row, int column)> OnDrawColumnCell;
    // The background of a cell; an invalid colour keeps the default.
    std::function<QColor(int row, int column)> OnCellColor;

    // What a cell shows, for views and printing: the field's text, or the words of a
    // column the form draws.
    QString CellText(int row, int column) const;
    QColor CellColor(int row, int column) const;
    void DrawColumnCell(QPainter& painter, const QRect& rect, int row, int column) const;
    int RowCount() const;
    // The row is not in memory and the scroll bar is being dragged: it is shown
    // blank rather than read for every position passed over.
    bool Skimming(int row) const;

    // The arrow in the column title that shows the order of the rows (-1: none).
    void SetSortIndicator(int column, Qt::SortOrder order);
    int SortIndicatorColumn() const { return m_sortColumn; }
    Qt::SortOrder SortIndicatorOrder() const { return m_sortOrder; }

signals:
    void TitleClicked(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TDBGridModel;
    // A letter typed on a cell with a pick list chooses the next item that begins
    // with it; false when none does.
    bool ChooseFromPickList(const QString& typed);
    void DataSetChanged();
    void FollowDataSet();
    void FollowView(int row);
    void ApplyColumns();
    int DefaultWidth(int column) const;
    QString SortOrderText(int column, Qt::SortOrder order) const;

    TDBGridModel* m_model;
    QPointer<TDataSource> m_source;
    QPointer<TDataSet> m_dataSet;
    QList<QMetaObject::Connection> m_connections;
    std::vector<TDBGridColumn> m_columns;
    bool m_ownColumns = false; // columns added by the form, not made from the fields
    bool m_readOnly = false;
    bool m_following = false;
    bool m_applying = false;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
