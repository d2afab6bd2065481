// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/DBGrid.h"

#include "host/data/SysUtils.h"
#include "host/ui/Dialogs.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>

// ---------------------------------------------------------------- model

class TDBGridModel : public QAbstractTableModel {
public:
    explicit TDBGridModel(TDBGrid* grid) : QAbstractTableModel(grid), m_grid(grid) {}

    void Reload() {
        beginResetModel();
        endResetModel();
    }
    void RowChanged(int row) {
        if (row < 0 || row >= rowCount() || columnCount() == 0) return;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_grid->RowCount();
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_grid->ColumnCount();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const int row = index.row(), column = index.column();
        if (m_grid->Skimming(row)) return {};
        switch (role) {
        case Qt::DisplayRole: // a column without a field shows what the form draws
            return m_grid->ColumnField(column) ? m_grid->CellText(row, column) : QString();
        case Qt::ToolTipRole:
            return m_grid->ColumnField(column) ? QVariant() : QVariant(m_grid->CellText(row, column));
        case Qt::EditRole:
            return EditText(row, column);
        case Qt::BackgroundRole: {
            const QColor color = m_grid->CellColor(row, column);
            return color.isValid() ? QVariant(color) : QVariant();
        }
        case Qt::TextAlignmentRole: {
            const TField* f = m_grid->ColumnField(column);
            if (!f) return {};
            switch (f->DataType()) {
            case TFieldType::SmallInt:
            case TFieldType::Integer:
            case TFieldType::LargeInt:
            case TFieldType::Float:
                return int(Qt::AlignRight | Qt::AlignVCenter);
            default:
                return int(Qt::AlignLeft | Qt::AlignVCenter);
            }
        }
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        // a column the form draws shows its drawing alone; its words' title is for paper and files
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < columnCount() &&
            (m_grid->ColumnField(section) || !m_grid->Column(section).text))
            return m_grid->ColumnTitle(section);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        const TDataSet* ds = m_grid->DataSet();
        const TField* f = m_grid->ColumnField(index.column());
        if (f && ds && ds->Active() && !ds->ReadOnly && !f->ReadOnly && !m_grid->ReadOnly() &&
            !m_grid->Column(index.column()).readOnly)
            flags |= Qt::ItemIsEditable;
        return flags;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
        TDataSet* ds = m_grid->DataSet();
        TField* f = m_grid->ColumnField(index.column());
        const int row = index.row();
        return Guarded([&] {
            if (ds->RecIndex() != row) ds->SetRecIndex(row);
            if (EditText(row, index.column()) != value.toString()) f->SetText(value.toString());
        });
    }

private:
    // What a cell's editor starts with. A fraction has the decimals the grid shows
    // (6.97, not 6.96666666666667); left as it was, it keeps its exact value.
    QString EditText(int row, int column) const {
        const TField* f = m_grid->ColumnField(column);
        if (!f) return {};
        const bool shownDecimals =
            f->DataType() == TFieldType::Float && !f->DisplayFormat.isEmpty() && !f->OnGetText;
        return m_grid->DataSet()->RowText(row, f->Index(), shownDecimals);
    }

    TDBGrid* m_grid;
};

// ---------------------------------------------------------------- delegate

namespace {

class TDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (m_grid->Skimming(index.row())) return;
        painter->save();
        m_grid->DrawColumnCell(*painter, option.rect, index.row(), index.column());
        painter->restore();
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        const TDBGridColumn& column = m_grid->Column(index.column());
        if (column.pickList.isEmpty()) {
            QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
            // no more can be typed than the column holds, instead of a text cut on saving
            const TField* field =
                m_grid->DataSet() ? m_grid->DataSet()->FindField(column.fieldName) : nullptr;
            if (auto* line = qobject_cast<QLineEdit*>(editor);
                line && field && field->DataType() == TFieldType::String && field->Size() > 0)
                line->setMaxLength(field->Size());
            return editor;
        }
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(column.pickList);
        return combo;
    }

private:
    TDBGrid* m_grid;
};

} // namespace

// ---------------------------------------------------------------- grid

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), m_model(new TDBGridModel(this)) {
    setModel(m_model);
    setItemDelegate(new TDBGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumSectionSize(18);
    horizontalHeader()->setMinimumSectionSize(4); // narrow image columns are allowed
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TDBGrid::TitleClicked);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!m_applying && section < ColumnCount()) m_columns[size_t(section)].width = size;
    });
    // rows passed over while the scroll bar is dragged are read once it is let go
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, viewport(), qOverload<>(&QWidget::update));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) FollowView(current.row());
            });
}

TDBGrid::~TDBGrid() {
    for (const auto& c : m_connections)
        disconnect(c);
}

void TDBGrid::SetDataSource(TDataSource* source) {
    for (const auto& c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_source = source;
    m_dataSet = source ? source->DataSet : nullptr;
    if (m_dataSet) {
        m_connections << connect(m_dataSet, &TDataSet::DataChanged, this, &TDBGrid::DataSetChanged);
        m_connections << connect(m_dataSet, &TDataSet::RecordChanged, this,
                                 [this](int row) { m_model->RowChanged(row); });
        m_connections << connect(m_dataSet, &TDataSet::CurrentChanged, this, &TDBGrid::FollowDataSet);
    }
    DataSetChanged();
}

TDBGridColumn& TDBGrid::AddColumn(const QString& fieldName, int width, const QString& title) {
    if (!m_ownColumns) m_columns.clear();
    m_ownColumns = true;
    TDBGridColumn column;
    column.fieldName = fieldName;
    column.width = width;
    column.title = title;
    m_columns.push_back(column);
    m_model->Reload();
    ApplyColumns();
    return m_columns.back();
}

void TDBGrid::ClearColumns() {
    m_columns.clear();
    m_ownColumns = false;
    DataSetChanged();
}

void TDBGrid::UpdateColumn(const QString& fieldName, const std::function<void(TDBGridColumn&)>& change) {
    const auto column = std::find_if(m_columns.begin(), m_columns.end(),
                                     [&](const TDBGridColumn& c) { return c.fieldName == fieldName; });
    if (column == m_columns.end()) return;
    change(*column);
    m_model->Reload();
    ApplyColumns();
    FollowDataSet();
}

void TDBGrid::SetColumnVisible(int index, bool visible) {
    m_columns.at(size_t(index)).visible = visible;
    setColumnHidden(index, !visible);
}

TField* TDBGrid::ColumnField(int index) const {
    if (!m_dataSet || index < 0 || index >= ColumnCount()) return nullptr;
    const QString& name = m_columns[size_t(index)].fieldName;
    return name.isEmpty() ? nullptr : m_dataSet->FindField(name);
}

QString TDBGrid::ColumnTitle(int index) const {
    if (index < 0 || index >= ColumnCount()) return {};
    const TDBGridColumn& column = m_columns[size_t(index)];
    if (!column.title.isEmpty()) return column.title;
    const TField* f = ColumnField(index);
    return f ? f->DisplayName() : QString();
}

bool TDBGrid::Skimming(int row) const {
    return verticalScrollBar()->isSliderDown() && m_dataSet && !m_dataSet->RecordHeld(row);
}

int TDBGrid::RowCount() const {
    return m_dataSet && m_dataSet->Active() ? m_dataSet->RecordCount() : 0;
}

QString TDBGrid::CellText(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount()) return {};
    if (const TField* f = ColumnField(column)) return m_dataSet->RowText(row, f->Index(), true);
    const TDBGridColumn& c = m_columns[size_t(column)];
    return c.text ? c.text(row) : QString();
}

QColor TDBGrid::CellColor(int row, int column) const {
    return OnCellColor && row >= 0 && row < RowCount() ? OnCellColor(row, column) : QColor();
}

void TDBGrid::DrawColumnCell(QPainter& painter, const QRect& rect, int row, int column) const {
    if (OnDrawColumnCell && row >= 0 && row < RowCount()) OnDrawColumnCell(painter, rect, row, column);
}

void TDBGrid::SetSortIndicator(int column, Qt::SortOrder order) {
    m_sortColumn = column;
    m_sortOrder = order;
    horizontalHeader()->setSortIndicatorShown(column >= 0);
    horizontalHeader()->setSortIndicator(column, order);
}

QString TDBGrid::SortOrderText(int column, Qt::SortOrder order) const {
    const TField* f = ColumnField(column);
    if (!f) return {};
    return f->FieldName() + (order == Qt::AscendingOrder ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
}

void TDBGrid::DataSetChanged() {
    if (!m_ownColumns) {
        m_columns.clear();
        if (m_dataSet)
            for (const auto& f : m_dataSet->Fields())
                if (f->Visible) {
                    TDBGridColumn column;
                    column.fieldName = f->FieldName();
                    m_columns.push_back(column);
                }
    }
    // the rows were put in another order than the one the arrow shows
    if (m_sortColumn >= 0 &&
        (!m_dataSet || m_dataSet->SortedFields() != SortOrderText(m_sortColumn, m_sortOrder)))
        SetSortIndicator(-1, Qt::AscendingOrder);
    m_model->Reload();
    ApplyColumns();
    FollowDataSet();
}

void TDBGrid::ApplyColumns() {
    m_applying = true;
    for (int i = 0; i < ColumnCount(); ++i) {
        const TDBGridColumn& column = m_columns[size_t(i)];
        setColumnWidth(i, column.width > 0 ? column.width : DefaultWidth(i));
        setColumnHidden(i, !column.visible);
    }
    if (m_sortColumn >= 0) horizontalHeader()->setSortIndicator(m_sortColumn, m_sortOrder);
    m_applying = false;
}

int TDBGrid::DefaultWidth(int column) const {
    const TField* f = ColumnField(column);
    const QFontMetrics fm(font());
    const int title = fm.horizontalAdvance(ColumnTitle(column)) + 24;
    if (!f) return qMax(40, title);
    if (f->DisplayWidth > 0) return f->DisplayWidth;
    QString sample;
    const QDateTime sampleTime(QDate(2000, 12, 28), QTime(23, 59, 58), Qt::UTC);
    switch (f->DataType()) {
    case TFieldType::Date:
        sample = f->DisplayFormat.isEmpty() ? SqlDate(sampleTime.date())
                                            : FormatDateTime(f->DisplayFormat, sampleTime);
        break;
    case TFieldType::DateTime:
        sample = f->DisplayFormat.isEmpty() ? SqlDateTime(sampleTime)
                                            : FormatDateTime(f->DisplayFormat, sampleTime);
        break;
    case TFieldType::Time:
        sample = QStringLiteral("00:00:00");
        break;
    case TFieldType::Boolean:
        sample = QStringLiteral("MMM");
        break;
    case TFieldType::SmallInt:
    case TFieldType::Integer:
        sample = QString(8, QLatin1Char('0'));
        break;
    case TFieldType::LargeInt:
    case TFieldType::Float:
        sample = QString(10, QLatin1Char('0'));
        break;
    default:
        sample = QString(qBound(4, f->Size() > 0 ? f->Size() : 20, 24), QLatin1Char('n'));
        break;
    }
    return qMax(title, fm.horizontalAdvance(sample) + 12);
}

bool TDBGrid::ChooseFromPickList(const QString& typed) {
    const QModelIndex current = currentIndex();
    if (typed.size() != 1 || !typed[0].isLetter() || !current.isValid() ||
        !(m_model->flags(current) & Qt::ItemIsEditable))
        return false;
    const QStringList& items = m_columns[size_t(current.column())].pickList;
    if (items.isEmpty()) return false;
    // from the item after the one shown, so that a second press moves on among those with the letter
    const qsizetype shown = items.indexOf(CellText(current.row(), current.column()));
    for (qsizetype step = 1; step <= items.size(); ++step) {
        const QString& item = items[(shown + step + items.size()) % items.size()];
        if (SearchKey(item).startsWith(SearchKey(typed))) {
            m_model->setData(current, item, Qt::EditRole);
            return true;
        }
    }
    return false; // no item has it: typed into the cell as ever
}

void TDBGrid::FollowDataSet() {
    if (!m_dataSet || !m_dataSet->Active()) return;
    const int row = m_dataSet->RecIndex();
    if (row < 0 || row >= m_model->rowCount()) return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row) return;
    int column = current.isValid() ? current.column() : 0;
    while (column < ColumnCount() - 1 && isColumnHidden(column))
        ++column;
    m_following = true;
    selectionModel()->setCurrentIndex(m_model->index(row, column),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(m_model->index(row, column));
    m_following = false;
}

void TDBGrid::FollowView(int row) {
    if (m_following || !m_dataSet || !m_dataSet->Active() || row == m_dataSet->RecIndex()) return;
    // moving posts a pending edit; when that fails the grid goes back to the record
    if (!Guarded([&] { m_dataSet->SetRecIndex(row); }))
        QTimer::singleShot(0, this, [this] {
            const QModelIndex current = currentIndex();
            if (m_dataSet && current.isValid() && current.row() != m_dataSet->RecIndex()) {
                m_following = true;
                selectionModel()->setCurrentIndex(m_model->index(m_dataSet->RecIndex(), current.column()),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
                m_following = false;
            }
        });
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && state() != QAbstractItemView::EditingState && ChooseFromPickList(event->text())) {
        event->accept();
        return;
    }
    if (EscapeCancelsRecord && event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState &&
        m_dataSet &&
        (m_dataSet->GetState() == TDataSet::State::Edit ||
         m_dataSet->GetState() == TDataSet::State::Insert)) {
        Guarded([&] { m_dataSet->Cancel(); });
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
