// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ui/ValueListEditor.h"

#include "host/data/HostStrings.h"
#include "host/ui/Dialogs.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

struct TRow {
    QString key;
    QString value;
    TValueListEditor::TItemProp props;
};

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QIcon EllipsisIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.setBrush(QApplication::palette().color(QPalette::Text));
    for (int x : {3, 7, 11})
        p.drawEllipse(QRectF(x, 10, 2.2, 2.2));
    return QIcon(pixmap);
}

} // namespace

// ---------------------------------------------------------------- model

class TValueListModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    std::vector<TRow> rows;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : 2;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
        const TRow& row = rows[size_t(index.row())];
        if (index.column() == 1) return row.value;
        return row.props.keyDesc.isEmpty() ? row.key : row.props.keyDesc;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return section == 0 ? _CMN_VLE_KEY_CAP : _CMN_VLE_VALUE_CAP;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == 1) f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || index.column() != 1) return false;
        QString& stored = rows[size_t(index.row())].value;
        if (stored == value.toString()) return true;
        stored = value.toString();
        emit dataChanged(index, index);
        return true;
    }

    void RowChanged(int row) { emit dataChanged(index(row, 0), index(row, 1)); }
    void Append(TRow row) {
        beginInsertRows(QModelIndex(), rowCount(), rowCount());
        rows.push_back(std::move(row));
        endInsertRows();
    }
};

// ---------------------------------------------------------------- delegate

class TValueListDelegate : public QStyledItemDelegate {
public:
    explicit TValueListDelegate(TValueListEditor* editor) : QStyledItemDelegate(editor), m_view(editor) {}

    QPointer<QWidget> openEditor;

    TValueListEditor::TEditStyle StyleOf(const QModelIndex& index) const {
        return m_view->m_model->rows[size_t(index.row())].props.editStyle;
    }

    // The button drawn at the right of a value cell of an ellipsis or pick-list row.
    static QRect ButtonRect(const QRect& cell) {
        const int w = qMin(cell.height(), 20);
        return QRect(cell.right() - w + 1, cell.top(), w, cell.height());
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        const auto style = index.column() == 1 ? StyleOf(index) : TValueListEditor::TEditStyle::Simple;
        if (style != TValueListEditor::TEditStyle::Simple)
            opt.rect.setRight(ButtonRect(option.rect).left() - 1);
        QStyledItemDelegate::paint(painter, opt, index);
        if (style == TValueListEditor::TEditStyle::Simple) return;
        QStyle* s = m_view->style();
        QStyleOptionButton button;
        button.initFrom(m_view);
        button.rect = ButtonRect(option.rect).adjusted(1, 1, -1, -1);
        button.state = QStyle::State_Enabled | QStyle::State_Raised;
        s->drawControl(QStyle::CE_PushButtonBevel, &button, painter, m_view);
        if (style == TValueListEditor::TEditStyle::Ellipsis) {
            painter->save();
            painter->setPen(option.palette.color(QPalette::ButtonText));
            painter->drawText(button.rect, Qt::AlignCenter, QStringLiteral("…"));
            painter->restore();
        } else {
            QStyleOption arrow;
            arrow.initFrom(m_view);
            arrow.rect = button.rect.adjusted(4, 4, -4, -4);
            s->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, m_view);
        }
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* self = const_cast<TValueListDelegate*>(this);
        const TValueListEditor::TItemProp& props = m_view->m_model->rows[size_t(index.row())].props;
        QWidget* editor;
        if (props.editStyle == TValueListEditor::TEditStyle::PickList) {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMaxVisibleItems(24);
            combo->addItems(props.pickList);
            combo->lineEdit()->installEventFilter(self);
            combo->lineEdit()->setReadOnly(props.readOnly);
            editor = combo;
        } else {
            auto* line = new QLineEdit(parent);
            line->setFrame(false);
            // no typing, pasting, dropping, cutting or deleting
            line->setReadOnly(props.readOnly);
            if (props.editStyle == TValueListEditor::TEditStyle::Ellipsis) {
                QAction* button = line->addAction(EllipsisIcon(), QLineEdit::TrailingPosition);
                QObject::connect(button, &QAction::triggered, m_view,
                                 [view = m_view] { view->ClickEditButton(); });
            }
            editor = line;
        }
        Q_UNUSED(option);
        self->openEditor = editor;
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QString text = index.data(Qt::EditRole).toString();
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            combo->setEditText(text);
        else if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            model->setData(index, combo->currentText());
        else if (auto* line = qobject_cast<QLineEdit*>(editor))
            model->setData(index, line->text());
    }

    void Commit() {
        if (QWidget* editor = openEditor) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
        openEditor = nullptr;
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        if (event->type() == QEvent::MouseButtonPress && index.column() == 1 &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            StyleOf(index) != TValueListEditor::TEditStyle::Simple &&
            ButtonRect(option.rect).contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            m_view->setCurrentIndex(index);
            if (StyleOf(index) == TValueListEditor::TEditStyle::Ellipsis) {
                // after the click has been delivered: the handler may open a modal dialog
                QTimer::singleShot(0, m_view, [view = m_view] { view->ClickEditButton(); });
            } else {
                m_view->edit(index);
                if (auto* combo = qobject_cast<QComboBox*>(openEditor.data()))
                    QTimer::singleShot(0, combo, [combo] { combo->showPopup(); });
            }
            return true;
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (IsEnter(key->key())) {
                Commit();
                m_view->DoKeyDown(key->key(), key->modifiers());
                return true;
            }
            const bool navigation =
                key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (!navigation &&
                (m_view->DoKeyDown(key->key(), key->modifiers()) || m_view->DoKeyPress(key->text())))
                return true;
        }
        // only the editor itself is the base's business; its inner line edit is not
        if (object != openEditor) return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TValueListEditor* m_view;
};

// ---------------------------------------------------------------- editor

TValueListEditor::TValueListEditor(QWidget* parent)
    : QTableView(parent), m_model(new TValueListModel(this)), m_delegate(new TValueListDelegate(this)) {
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
}

int TValueListEditor::RowOf(const QString& key) const {
    for (size_t i = 0; i < m_model->rows.size(); ++i)
        if (m_model->rows[i].key.compare(key, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

void TValueListEditor::InsertRow(const QString& key, const QString& value) {
    TRow row;
    row.key = key;
    row.value = value;
    m_model->Append(std::move(row));
    if (!currentIndex().isValid()) setCurrentIndex(m_model->index(0, 1));
}

int TValueListEditor::RowCount() const {
    return m_model->rowCount();
}

QStringList TValueListEditor::Keys() const {
    QStringList keys;
    for (const TRow& r : m_model->rows)
        keys << r.key;
    return keys;
}

bool TValueListEditor::HasKey(const QString& key) const {
    return RowOf(key) >= 0;
}

QString TValueListEditor::Values(const QString& key) const {
    const int row = RowOf(key);
    return row < 0 ? QString() : m_model->rows[size_t(row)].value;
}

void TValueListEditor::SetValues(const QString& key, const QString& value) {
    const int row = RowOf(key);
    if (row < 0) {
        InsertRow(key, value);
        return;
    }
    m_model->setData(m_model->index(row, 1), value, Qt::EditRole);
}

const TValueListEditor::TItemProp& TValueListEditor::ItemProps(const QString& key) const {
    const int row = RowOf(key);
    if (row < 0) throw std::out_of_range("TValueListEditor: no such key");
    return m_model->rows[size_t(row)].props;
}

void TValueListEditor::SetKeyDesc(const QString& key, const QString& caption) {
    const int row = RowOf(key);
    if (row < 0) return;
    m_model->rows[size_t(row)].props.keyDesc = caption;
    m_model->RowChanged(row);
}

void TValueListEditor::SetEditStyle(const QString& key, TEditStyle style) {
    const int row = RowOf(key);
    if (row < 0) return;
    m_model->rows[size_t(row)].props.editStyle = style;
    m_model->RowChanged(row);
}

void TValueListEditor::SetReadOnly(const QString& key, bool readOnly) {
    const int row = RowOf(key);
    if (row < 0) return;
    m_model->rows[size_t(row)].props.readOnly = readOnly;
    m_model->RowChanged(row);
}

QStringList& TValueListEditor::PickList(const QString& key) {
    const int row = RowOf(key);
    if (row < 0) throw std::out_of_range("TValueListEditor: no such key");
    TItemProp& props = m_model->rows[size_t(row)].props;
    if (props.editStyle != TEditStyle::PickList) {
        props.editStyle = TEditStyle::PickList;
        m_model->RowChanged(row);
    }
    return props.pickList;
}

QString TValueListEditor::CurrentKey() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? m_model->rows[size_t(current.row())].key : QString();
}

void TValueListEditor::SetCurrentKey(const QString& key) {
    const int row = RowOf(key);
    if (row >= 0) setCurrentIndex(m_model->index(row, 1));
}

void TValueListEditor::CommitEdit() {
    m_delegate->Commit();
}

void TValueListEditor::ClickEditButton() {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || m_model->rows[size_t(current.row())].props.editStyle != TEditStyle::Ellipsis)
        return;
    // the handler sets the value; an editor left open would write its old text back
    CommitEdit();
    if (OnEditButtonClick) Guarded(OnEditButtonClick);
}

bool TValueListEditor::DoKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (IsEnter(key) && (modifiers & Qt::ControlModifier)) {
        ClickEditButton();
        return true;
    }
    if (!OnKeyDown) return false;
    int k = key;
    Guarded([&] { OnKeyDown(k, modifiers); });
    return k == 0;
}

bool TValueListEditor::DoKeyPress(const QString& text) {
    if (text.isEmpty() || !OnKeyPress) return false;
    QChar c = text.front();
    Guarded([&] { OnKeyPress(c); });
    return c.isNull();
}

void TValueListEditor::keyPressEvent(QKeyEvent* event) {
    if (DoKeyDown(event->key(), event->modifiers()) || DoKeyPress(event->text())) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TValueListEditor::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // the captions are not edited: the value beside them becomes current
    if (current.isValid() && current.column() == 0)
        QTimer::singleShot(0, this, [this, row = current.row()] {
            if (row < RowCount()) setCurrentIndex(m_model->index(row, 1));
        });
}
