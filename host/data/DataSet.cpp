// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/data/DataSet.h"

#include "host/data/HostStrings.h"
#include "host/data/SysUtils.h"

#include <QCollator>
#include <QLocale>
#include <QScopeGuard>

#include <algorithm>

// ---------------------------------------------------------------- field

TField::TField(TDataSet* dataSet, QString name, TFieldType type, int size)
    : m_dataSet(dataSet), m_name(std::move(name)), m_type(type), m_size(size) {}

QVariant TField::Value() const {
    return m_dataSet->CurrentValue(m_index);
}

void TField::SetValue(const QVariant& value) {
    m_dataSet->SetCurrentValue(m_index, Convert(value));
    if (OnChange) OnChange(*this);
}

bool TField::IsNull() const {
    return Value().isNull();
}

QString TField::AsString() const {
    const QVariant v = Value();
    if (v.isNull()) return {};
    switch (m_type) {
    case TFieldType::Boolean:
        return v.toBool() ? QStringLiteral("y") : QStringLiteral("n");
    case TFieldType::Date:
        return SqlDate(v.toDate());
    case TFieldType::DateTime:
        return SqlDateTime(v.toDateTime());
    case TFieldType::Time:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    case TFieldType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

qint64 TField::AsLargeInt() const {
    const QVariant v = Value();
    if (m_type == TFieldType::Float) return qint64(v.toDouble());
    return v.toLongLong();
}

double TField::AsFloat() const {
    return Value().toDouble();
}

bool TField::AsBoolean() const {
    return Value().toBool();
}

QDateTime TField::AsDateTime() const {
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QDate) return WallClock(v.toDate());
    return v.toDateTime();
}

QDate TField::AsDate() const {
    const QVariant v = Value();
    return v.typeId() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
}

QString TField::Text() const {
    if (OnGetText) return OnGetText(*this, false);
    return FormatValue(Value(), false);
}

QString TField::DisplayText() const {
    if (OnGetText) return OnGetText(*this, true);
    return FormatValue(Value(), true);
}

void TField::SetText(const QString& text) {
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetValue(text);
}

QString TField::FormatValue(const QVariant& v, bool displayText) const {
    if (v.isNull()) return {};
    switch (m_type) {
    case TFieldType::Float:
        if (displayText && !DisplayFormat.isEmpty()) return FormatFloat(DisplayFormat, v.toDouble());
        return QString::number(v.toDouble(), 'g', 15);
    case TFieldType::DateTime:
        if (displayText && !DisplayFormat.isEmpty()) return FormatDateTime(DisplayFormat, v.toDateTime());
        return SqlDateTime(v.toDateTime());
    case TFieldType::Date:
        if (displayText && !DisplayFormat.isEmpty())
            return FormatDateTime(DisplayFormat, WallClock(v.toDate()));
        return SqlDate(v.toDate());
    case TFieldType::Time:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    case TFieldType::Boolean:
        return v.toBool() ? QStringLiteral("y") : QStringLiteral("n");
    default:
        return v.toString();
    }
}

QVariant TField::Convert(const QVariant& value) const {
    if (!value.isValid() || value.isNull()) return {};
    const bool isText = value.typeId() == QMetaType::QString;
    const QString text = isText ? value.toString() : QString();
    // An empty text is no value, as in every data-aware control.
    if (isText && text.isEmpty()) return {};
    auto fail = [&]() -> QVariant {
        throw EDatabaseError(Format(_CMN_DS_VALUE_ERR, {value.toString(), DisplayName()}));
    };
    switch (m_type) {
    case TFieldType::String: {
        const QString s =
            value.typeId() == QMetaType::QDateTime ? SqlDateTime(value.toDateTime()) : value.toString();
        return m_size > 0 && s.size() > m_size ? s.left(m_size) : s;
    }
    case TFieldType::SmallInt:
    case TFieldType::Integer:
    case TFieldType::LargeInt: {
        bool ok = false;
        const qlonglong v = isText ? text.trimmed().toLongLong(&ok) : value.toLongLong(&ok);
        if (!ok) {
            const double d = isText ? text.trimmed().toDouble(&ok) : value.toDouble(&ok);
            if (!ok || d != double(qlonglong(d))) return fail();
            return QVariant(qlonglong(d));
        }
        return QVariant(v);
    }
    case TFieldType::Float: {
        bool ok = false;
        const double v =
            isText ? QString(text.trimmed()).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok)
                   : value.toDouble(&ok);
        if (!ok) return fail();
        return QVariant(v);
    }
    case TFieldType::Boolean: {
        if (value.typeId() == QMetaType::Bool) return value;
        if (!isText) return QVariant(value.toLongLong() != 0);
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("y") || t == QLatin1String("true") || t == QLatin1String("1"))
            return QVariant(true);
        if (t == QLatin1String("n") || t == QLatin1String("false") || t == QLatin1String("0"))
            return QVariant(false);
        return fail();
    }
    case TFieldType::Date: {
        if (value.typeId() == QMetaType::QDate) return value;
        if (value.typeId() == QMetaType::QDateTime) return QVariant(value.toDateTime().date());
        const QDate d = QDate::fromString(text.trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid()) return fail();
        return QVariant(d);
    }
    case TFieldType::DateTime: {
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime dt = value.toDateTime();
            return QVariant(WallClock(dt));
        }
        if (value.typeId() == QMetaType::QDate) return QVariant(WallClock(value.toDate()));
        try {
            return QVariant(MyDateTimeStrToDateTime(text));
        } catch (const EConvertError&) {
            return fail();
        }
    }
    case TFieldType::Time: {
        if (value.typeId() == QMetaType::QTime) return value;
        const QTime t = QTime::fromString(text.trimmed(), QStringLiteral("H:mm:ss"));
        if (!t.isValid()) return fail();
        return QVariant(t);
    }
    case TFieldType::Bytes:
        return QVariant(value.toByteArray());
    case TFieldType::Unknown:
        break;
    }
    return value;
}

// ---------------------------------------------------------------- data set

TDataSet::TDataSet(QObject* parent) : QObject(parent) {}

TDataSet::~TDataSet() = default;

TField* TDataSet::AddField(const QString& name, TFieldType type, int size) {
    auto field = std::make_unique<TField>(this, name, type, size);
    field->m_index = int(m_fields.size());
    m_fields.push_back(std::move(field));
    if (!Active()) m_fieldsPersist = true;
    return m_fields.back().get();
}

TField* TDataSet::FindField(const QString& name) const {
    for (const auto& f : m_fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

TField* TDataSet::FieldByName(const QString& name) const {
    if (TField* f = FindField(name)) return f;
    throw EDatabaseError(Format(_CMN_DS_FIELD_NOT_FOUND_ERR, {Name() + QLatin1Char('.') + name}));
}

void TDataSet::Open() {
    if (Active()) return;
    DoOpen();
    m_state = State::Browse;
    m_deleted.clear();
    if (!m_sortSpec.isEmpty()) OrderRecords();
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    Changed();
    emit StateChanged();
    if (AfterOpen) AfterOpen(*this);
}

void TDataSet::Close() {
    if (!Active()) return;
    DoClose();
    m_state = State::Inactive;
    m_rows.clear();
    m_deleted.clear();
    m_edit.clear();
    m_current = -1;
    m_eof = m_bof = true;
    if (!m_fieldsPersist) m_fields.clear();
    Changed();
    emit StateChanged();
}

void TDataSet::DefineFieldsFrom(const std::vector<TColumnInfo>& columns) {
    if (m_fieldsPersist) return;
    m_fields.clear();
    for (const TColumnInfo& c : columns) {
        auto field = std::make_unique<TField>(this, c.name, c.fieldType, c.size);
        field->m_index = int(m_fields.size());
        field->Required = c.notNull && !c.autoIncrement && !c.primaryKey;
        m_fields.push_back(std::move(field));
    }
}

std::vector<int> TDataSet::MapColumns(const std::vector<TColumnInfo>& columns) const {
    std::vector<int> map(m_fields.size(), -1);
    for (const auto& f : m_fields) {
        for (size_t c = 0; c < columns.size(); ++c)
            if (columns[c].name.compare(f->FieldName(), Qt::CaseInsensitive) == 0) {
                map[f->Index()] = int(c);
                f->OriginTable = columns[c].orgTable;
                f->OriginAlias = columns[c].table;
                f->OriginColumn = columns[c].orgName;
                break;
            }
        if (map[f->Index()] < 0)
            throw EDatabaseError(
                Format(_CMN_DS_FIELD_NOT_FOUND_ERR, {Name() + QLatin1Char('.') + f->FieldName()}));
    }
    return map;
}

void TDataSet::SetRecords(std::vector<TRecordPtr> records) {
    m_rows = std::move(records);
}

void TDataSet::CommitRecord(TRecord& record) {
    record.original = record.values;
    record.status = TRecord::Unchanged;
    record.assigned.clear();
}

void TDataSet::CheckActive() const {
    if (!Active()) throw EDatabaseError(Format(_CMN_DS_NOT_OPEN_ERR, {Name()}));
}

void TDataSet::CheckWritable() const {
    CheckActive();
    if (ReadOnly) throw EDatabaseError(Format(_CMN_DS_READ_ONLY_ERR, {Name()}));
}

// ---------------------------------------------------------------- values

QVariant TDataSet::CurrentValue(int field) const {
    if (m_viewRow >= 0) return RowValue(m_viewRow, field);
    if (m_state == State::Edit || m_state == State::Insert) return m_edit[size_t(field)];
    const TRecord* record = RecordAt(m_current);
    return record ? record->values[size_t(field)] : QVariant();
}

void TDataSet::SetCurrentValue(int field, const QVariant& value) {
    if (m_state == State::Browse && m_current >= 0) Edit();
    if (m_state != State::Edit && m_state != State::Insert)
        throw EDatabaseError(Format(_CMN_DS_NOT_OPEN_ERR, {Name()}));
    m_edit[size_t(field)] = value;
    if (m_state == State::Insert) m_editAssigned[size_t(field)] = true;
    if (!ControlsDisabled()) emit RecordChanged(m_current);
}

QVariant TDataSet::RowValue(int row, int field) const {
    if (row == m_current && (m_state == State::Edit || m_state == State::Insert))
        return m_edit[size_t(field)];
    const TRecord* record = RecordAt(row);
    return record ? record->values[size_t(field)] : QVariant();
}

TDataSet::TRecord* TDataSet::RecordAt(int index) const {
    if (index < 0 || index >= int(m_rows.size())) return nullptr;
    // reading a row on demand changes what is held, not what the set shows
    if (!m_rows[size_t(index)]) const_cast<TDataSet*>(this)->FetchRecord(index);
    if (index >= int(m_rows.size())) return nullptr;
    return m_rows[size_t(index)].get();
}

QString TDataSet::RowText(int row, int field, bool displayText) const {
    const TField& f = *m_fields[size_t(field)];
    if (!f.OnGetText) return f.FormatValue(RowValue(row, field), displayText);
    // the handler reads the field's value, which shows the asked record meanwhile
    const auto restore = qScopeGuard([this, saved = m_viewRow] { m_viewRow = saved; });
    m_viewRow = row;
    return f.OnGetText(f, displayText);
}

// ---------------------------------------------------------------- navigation

void TDataSet::MoveTo(int index) {
    CheckBrowseMode();
    if (m_rows.empty()) {
        m_current = -1;
        m_eof = m_bof = true;
        NotifyCurrent();
        return;
    }
    m_current = std::clamp(index, 0, int(m_rows.size()) - 1);
    NotifyCurrent();
}

void TDataSet::NotifyCurrent() {
    if (!ControlsDisabled()) emit CurrentChanged(m_current);
    if (AfterScroll && !ControlsDisabled()) AfterScroll(*this);
}

void TDataSet::First() {
    CheckActive();
    MoveTo(0);
    m_bof = true;
    m_eof = m_rows.empty();
}

void TDataSet::Last() {
    CheckActive();
    MoveTo(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.empty();
}

void TDataSet::Next() {
    CheckActive();
    CheckBrowseMode();
    if (m_current + 1 < int(m_rows.size())) {
        MoveTo(m_current + 1);
        m_bof = false;
    } else {
        m_eof = true;
    }
}

void TDataSet::Prior() {
    CheckActive();
    CheckBrowseMode();
    if (m_current > 0) {
        MoveTo(m_current - 1);
        m_eof = false;
    } else {
        m_bof = true;
    }
}

void TDataSet::SetRecIndex(int index) {
    CheckActive();
    MoveTo(index);
    m_bof = m_eof = m_rows.empty();
}

bool TDataSet::Locate(const QString& fieldName, const QVariant& value, bool caseInsensitive) {
    CheckActive();
    const TField* field = FieldByName(fieldName);
    QVariant wanted;
    try {
        wanted = field->Convert(value);
    } catch (const EDatabaseError&) {
        return false; // a value the field cannot hold matches no record
    }
    CheckBrowseMode();
    const int f = field->Index();
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const TRecord* record = RecordAt(int(i));
        if (!record) continue;
        const QVariant& v = record->values[size_t(f)];
        bool match;
        if (v.isNull() || wanted.isNull())
            match = v.isNull() && wanted.isNull();
        else if (caseInsensitive && field->DataType() == TFieldType::String)
            match = v.toString().compare(wanted.toString(), Qt::CaseInsensitive) == 0;
        else
            match = v == wanted;
        if (match) {
            SetRecIndex(int(i));
            return true;
        }
    }
    return false;
}

TDataSet::TBookmark TDataSet::GetBookmark() const {
    if (m_current < 0 || m_current >= int(m_rows.size())) return nullptr;
    return m_rows[size_t(m_current)].get();
}

bool TDataSet::GotoBookmark(TBookmark bookmark) {
    if (!bookmark) return false;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].get() == bookmark) {
            SetRecIndex(int(i));
            return true;
        }
    return false;
}

// ---------------------------------------------------------------- editing

void TDataSet::StartInsert(int position) {
    CheckWritable();
    CheckBrowseMode();
    auto record = std::make_shared<TRecord>();
    record->values.assign(m_fields.size(), QVariant());
    record->status = TRecord::Inserted;
    InitNewRecord(record->values);
    position = std::clamp(position, 0, int(m_rows.size()));
    m_rows.insert(m_rows.begin() + position, record);
    m_current = position;
    m_edit = record->values;
    m_editAssigned.assign(m_fields.size(), false);
    m_state = State::Insert;
    m_eof = m_bof = false;
    Changed();
    emit StateChanged();
    if (OnNewRecord) {
        try {
            OnNewRecord(*this);
        } catch (...) {
            Cancel();
            throw;
        }
    }
}

void TDataSet::Append() {
    StartInsert(int(m_rows.size()));
}

void TDataSet::Insert() {
    StartInsert(m_current < 0 ? 0 : m_current);
}

void TDataSet::Edit() {
    CheckWritable();
    if (m_state == State::Edit || m_state == State::Insert) return;
    if (m_current < 0) {
        Append();
        return;
    }
    const TRecord* record = RecordAt(m_current);
    if (!record) return;
    m_edit = record->values;
    m_state = State::Edit;
    emit StateChanged();
}

void TDataSet::CheckRequired() const {
    for (const auto& f : m_fields)
        if (f->Required && m_edit[size_t(f->Index())].isNull())
            throw EDatabaseError(Format(_CMN_FIELD_REQUIRED_ERR, {f->DisplayName()}));
}

void TDataSet::Post() {
    if (m_state != State::Edit && m_state != State::Insert) return;
    if (BeforePost) BeforePost(*this);
    CheckRequired();
    TRecord& record = *m_rows[size_t(m_current)];
    if (m_state == State::Insert) {
        record.assigned = m_editAssigned;
        if (CachedUpdates) {
            record.values = m_edit;
        } else {
            TRecord staged = record;
            staged.values = m_edit;
            WriteInsert(staged); // fills the assigned key
            record.values = staged.values;
            CommitRecord(record);
        }
    } else {
        if (CachedUpdates) {
            if (record.status == TRecord::Unchanged) {
                record.original = record.values;
                record.status = TRecord::Modified;
            }
            record.values = m_edit;
        } else {
            WriteUpdate(record.values, m_edit);
            record.values = m_edit;
            CommitRecord(record);
        }
    }
    m_state = State::Browse;
    m_edit.clear();
    if (KeepSorted && !m_sortSpec.isEmpty()) {
        const TBookmark mark = GetBookmark();
        SortRecords();
        for (size_t i = 0; i < m_rows.size(); ++i)
            if (mark && m_rows[i].get() == mark) m_current = int(i);
        Changed();
    } else if (!ControlsDisabled()) {
        emit RecordChanged(m_current);
    }
    emit StateChanged();
    if (AfterPost) AfterPost(*this);
}

void TDataSet::Cancel() {
    if (m_state == State::Insert) {
        m_rows.erase(m_rows.begin() + m_current);
        if (m_current >= int(m_rows.size())) m_current = int(m_rows.size()) - 1;
        m_eof = m_bof = m_rows.empty();
        m_state = State::Browse;
        m_edit.clear();
        Changed();
        emit StateChanged();
    } else if (m_state == State::Edit) {
        m_state = State::Browse;
        m_edit.clear();
        if (!ControlsDisabled()) emit RecordChanged(m_current);
        emit StateChanged();
    }
}

void TDataSet::CheckBrowseMode() {
    if (m_state == State::Edit || m_state == State::Insert) Post();
}

void TDataSet::Delete() {
    CheckWritable();
    if (m_state == State::Insert) {
        Cancel();
        return;
    }
    if (m_state == State::Edit) Cancel();
    if (m_current < 0) return;
    if (BeforeDelete) BeforeDelete(*this);
    TRecordPtr record = m_rows[size_t(m_current)];
    if (CachedUpdates) {
        if (record->status != TRecord::Inserted) {
            if (record->status == TRecord::Modified) record->values = record->original;
            m_deleted.emplace_back(record, m_current);
        }
    } else {
        WriteDelete(*record);
    }
    m_rows.erase(m_rows.begin() + m_current);
    if (m_current >= int(m_rows.size())) m_current = int(m_rows.size()) - 1;
    m_eof = m_rows.empty();
    m_bof = m_rows.empty();
    Changed();
    if (AfterDelete) AfterDelete(*this);
}

bool TDataSet::UpdatesPending() const {
    if (m_state == State::Edit || m_state == State::Insert) return true;
    if (!m_deleted.empty()) return true;
    return std::any_of(m_rows.begin(), m_rows.end(),
                       [](const TRecordPtr& r) { return r && r->status != TRecord::Unchanged; });
}

void TDataSet::ApplyUpdates() {
    CheckBrowseMode();
    for (auto& r : m_rows)
        if (r) CommitRecord(*r);
    m_deleted.clear();
}

void TDataSet::CancelUpdates() {
    if (m_state == State::Edit || m_state == State::Insert) Cancel();
    std::vector<TRecordPtr> kept;
    for (auto& r : m_rows) {
        if (r && r->status == TRecord::Inserted) continue;
        if (!r) {
            kept.push_back(r);
            continue;
        }
        if (r->status == TRecord::Modified) {
            r->values = r->original;
            r->status = TRecord::Unchanged;
        }
        kept.push_back(r);
    }
    // deleted records go back where they were, most recent deletion last
    for (auto it = m_deleted.rbegin(); it != m_deleted.rend(); ++it) {
        it->first->status = TRecord::Unchanged;
        const int pos = std::clamp(it->second, 0, int(kept.size()));
        kept.insert(kept.begin() + pos, it->first);
    }
    m_deleted.clear();
    m_rows = std::move(kept);
    if (!m_sortSpec.isEmpty()) OrderRecords();
    m_current = m_rows.empty() ? -1 : std::clamp(m_current, 0, int(m_rows.size()) - 1);
    m_eof = m_bof = m_rows.empty();
    Changed();
}

// ---------------------------------------------------------------- sorting

namespace {

struct SortKey {
    int field;
    bool descending;
    TFieldType type;
};

int CompareValues(const QVariant& a, const QVariant& b, TFieldType type, const QCollator& collator) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    switch (type) {
    case TFieldType::String:
        return collator.compare(a.toString(), b.toString());
    case TFieldType::SmallInt:
    case TFieldType::Integer:
    case TFieldType::LargeInt: {
        const qlonglong x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case TFieldType::Float: {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case TFieldType::Boolean:
        return int(a.toBool()) - int(b.toBool());
    default: {
        const QPartialOrdering order = QVariant::compare(a, b);
        return order == QPartialOrdering::Less ? -1 : (order == QPartialOrdering::Greater ? 1 : 0);
    }
    }
}

} // namespace

void TDataSet::SetSortedFields(const QString& spec) {
    CheckBrowseMode();
    const TBookmark mark = GetBookmark();
    m_sortSpec = spec.trimmed();
    if (!Active()) return;
    if (m_sortSpec.isEmpty()) return; // the present order stays
    OrderRecords();
    // a set sorted by its database may have been counted anew
    if (m_current >= int(m_rows.size())) m_current = int(m_rows.size()) - 1;
    if (m_current < 0 && !m_rows.empty()) m_current = 0;
    m_eof = m_bof = m_rows.empty();
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (mark && m_rows[i].get() == mark) m_current = int(i);
    Changed();
}

void TDataSet::OrderRecords() {
    SortRecords();
}

void TDataSet::SortRecords() {
    std::vector<SortKey> keys;
    for (const QString& part : m_sortSpec.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = part.simplified().split(QLatin1Char(' '));
        const TField* field = FieldByName(words.value(0));
        const bool desc =
            words.size() > 1 && words[1].compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        keys.push_back({field->Index(), desc, field->DataType()});
    }
    QCollator collator(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const TRecordPtr& a, const TRecordPtr& b) {
        for (const SortKey& k : keys) {
            const int c =
                CompareValues(a->values[size_t(k.field)], b->values[size_t(k.field)], k.type, collator);
            if (c != 0) return k.descending ? c > 0 : c < 0;
        }
        return false;
    });
}

// ---------------------------------------------------------------- views

void TDataSet::DisableControls() {
    ++m_disableCount;
}

void TDataSet::EnableControls() {
    if (m_disableCount == 0) return;
    if (--m_disableCount == 0) {
        emit DataChanged();
        emit CurrentChanged(m_current);
    }
}

void TDataSet::Changed() {
    if (ControlsDisabled()) return; // the views reload when controls are enabled again
    emit DataChanged();
    emit CurrentChanged(m_current);
}
