// SPDX-License-Identifier: GPL-3.0-or-later
// Record sets held in memory: fields, navigation, editing with before-post and
// before-delete hooks, cached updates, in-memory sorting, and notifications for
// the views attached to them. TZQuery fills one from the database and writes
// its changes back; TClientDataSet keeps its rows only in memory.
#pragma once

#include "host/data/Database.h"

#include <QObject>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TDataSet;

class TField {
public:
    TField(TDataSet* dataSet, QString name, TFieldType type, int size);

    const QString& FieldName() const { return m_name; }
    TFieldType DataType() const { return m_type; }
    int Size() const { return m_size; }
    int Index() const { return m_index; }
    TDataSet* DataSet() const { return m_dataSet; }
    QString DisplayName() const { return DisplayLabel.isEmpty() ? m_name : DisplayLabel; }

    // Definition, as a form or data module sets it up.
    QString DisplayLabel;
    QString DisplayFormat; // "0.##", "dd.mm.yyyy hh:nn:ss", ...
    int DisplayWidth = 0;  // pixels in grids; 0 for the grid's default
    bool Required = false;
    bool ReadOnly = false; // for editing views; code may still assign
    bool Visible = true;
    std::function<QString(const TField&, bool displayText)> OnGetText;
    std::function<void(TField&, const QString& text)> OnSetText;
    std::function<void(TField&)> OnChange;

    // Where the value comes from in the database (filled when a query opens).
    QString OriginTable;
    QString OriginColumn;
    QString OriginAlias; // the name the statement gives OriginTable

    // The value on the current record (the edit buffer while editing).
    QVariant Value() const;
    void SetValue(const QVariant& value);
    bool IsNull() const;
    void Clear() { SetValue(QVariant()); }

    QString AsString() const;
    void SetAsString(const QString& value) { SetValue(value); }
    int AsInteger() const { return int(AsLargeInt()); }
    void SetAsInteger(qint64 value) { SetValue(QVariant(qlonglong(value))); }
    qint64 AsLargeInt() const;
    void SetAsLargeInt(qint64 value) { SetValue(QVariant(qlonglong(value))); }
    double AsFloat() const;
    void SetAsFloat(double value) { SetValue(value); }
    bool AsBoolean() const;
    void SetAsBoolean(bool value) { SetValue(value); }
    QDateTime AsDateTime() const;
    void SetAsDateTime(const QDateTime& value) { SetValue(value); }
    QDate AsDate() const;

    // Texts through the get/set text handlers when there are any.
    QString Text() const;        // for editing
    QString DisplayText() const; // for showing, with DisplayFormat
    void SetText(const QString& text);

    // A value converted to this field's storage type; throws EDatabaseError.
    QVariant Convert(const QVariant& value) const;
    // Text of a stored value, formatted for display (used by views for any row).
    QString FormatValue(const QVariant& value, bool displayText) const;

private:
    friend class TDataSet;
    TDataSet* m_dataSet;
    QString m_name;
    TFieldType m_type;
    int m_size;
    int m_index = -1;
};

class TDataSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using TBookmark = const void*;

    explicit TDataSet(QObject* parent = nullptr);
    ~TDataSet() override;

    QString Name() const { return objectName(); }

    // Fields. Fields added before opening persist over Close/Open and decide
    // which columns a query shows; without them a query makes one per column.
    TField* AddField(const QString& name, TFieldType type, int size = 0);
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const; // throws when absent
    const std::vector<std::unique_ptr<TField>>& Fields() const { return m_fields; }
    int FieldCount() const { return int(m_fields.size()); }

    void Open();
    void Close();
    bool Active() const { return m_state != State::Inactive; }
    State GetState() const { return m_state; }

    // Navigation.
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool IsEmpty() const { return m_rows.empty(); }
    int RecordCount() const { return int(m_rows.size()); }
    int RecIndex() const { return m_current; } // 0-based, -1 when empty
    void SetRecIndex(int index);
    // Moves to the first record whose field equals value (texts optionally
    // without regard to case); the current record stays when none matches.
    bool Locate(const QString& fieldName, const QVariant& value, bool caseInsensitive = false);
    TBookmark GetBookmark() const;
    bool GotoBookmark(TBookmark bookmark);

    // Editing. Moving to another record posts a pending edit first.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode(); // posts a pending edit or insert
    bool ReadOnly = false;

    // Cached updates keep posts and deletes here until applied or cancelled.
    bool CachedUpdates = false;
    bool UpdatesPending() const;
    virtual void ApplyUpdates();
    void CancelUpdates();

    // In-memory order, e.g. "employeename ASC, eventtime DESC"; empty for the
    // order of loading. Kept after posts when KeepSorted is set.
    void SetSortedFields(const QString& spec);
    const QString& SortedFields() const { return m_sortSpec; }

    // Suspends and resumes the attached views (nestable).
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Hooks; throwing from a before-hook aborts the operation.
    std::function<void(TDataSet&)> BeforePost;
    std::function<void(TDataSet&)> AfterPost;
    std::function<void(TDataSet&)> BeforeDelete;
    std::function<void(TDataSet&)> AfterDelete;
    std::function<void(TDataSet&)> OnNewRecord;
    std::function<void(TDataSet&)> AfterOpen;
    std::function<void(TDataSet&)> AfterScroll;

    // For views: the value of any record, the edit buffer on the edited one.
    QVariant RowValue(int row, int field) const;
    // For views: a field's text on any record, through its text handler.
    QString RowText(int row, int field, bool displayText) const;
    // For views: the record is in memory (sets that read on demand may have to fetch it).
    bool RecordHeld(int row) const { return row >= 0 && row < int(m_rows.size()) && m_rows[size_t(row)]; }

signals:
    void DataChanged();           // records or fields changed as a whole
    void RecordChanged(int row);  // one record's values
    void CurrentChanged(int row); // the current record moved
    void StateChanged();

protected:
    struct TRecord {
        std::vector<QVariant> values;
        std::vector<QVariant> original; // as last stored
        enum Status { Unchanged, Modified, Inserted } status = Unchanged;
        std::vector<bool> assigned; // inserted records: fields given a value
    };
    using TRecordPtr = std::shared_ptr<TRecord>;

    // Opening: subclasses fill the records (and fields when none persist).
    virtual void DoOpen() = 0;
    virtual void DoClose() {}
    // Values of a new record before OnNewRecord (database defaults).
    virtual void InitNewRecord(std::vector<QVariant>& values) { Q_UNUSED(values); }
    // Live writes of one record; the record is updated with assigned keys.
    virtual void WriteInsert(TRecord& record) { Q_UNUSED(record); }
    virtual void WriteUpdate(const std::vector<QVariant>& oldValues, const std::vector<QVariant>& newValues) {
        Q_UNUSED(oldValues);
        Q_UNUSED(newValues);
    }
    virtual void WriteDelete(const TRecord& record) { Q_UNUSED(record); }
    virtual void CheckWritable() const;
    // Sets that read their rows on demand leave a record's slot empty until it
    // is asked for; this fills it (and usually its neighbours).
    virtual void FetchRecord(int index) { Q_UNUSED(index); }
    // Puts the records in the order of SortedFields(); the default sorts them in memory.
    virtual void OrderRecords();

    // Helpers for subclasses.
    void DefineFieldsFrom(const std::vector<TColumnInfo>& columns); // when no field persists
    std::vector<int> MapColumns(const std::vector<TColumnInfo>& columns) const;
    void SetRecords(std::vector<TRecordPtr> records);
    void CommitRecord(TRecord& record); // after it was stored
    std::vector<TRecordPtr>& Records() { return m_rows; }
    std::vector<std::pair<TRecordPtr, int>>& DeletedRecords() { return m_deleted; }
    void Changed();
    // The record at index, fetched when its slot is empty; nullptr when it cannot be had.
    TRecord* RecordAt(int index) const;

private:
    friend class TField;
    QVariant CurrentValue(int field) const;
    void SetCurrentValue(int field, const QVariant& value);
    void StartInsert(int position);
    void MoveTo(int index);
    void SortRecords();
    void CheckActive() const;
    void CheckRequired() const;
    void NotifyCurrent();

    std::vector<std::unique_ptr<TField>> m_fields;
    bool m_fieldsPersist = false;
    std::vector<TRecordPtr> m_rows;
    std::vector<std::pair<TRecordPtr, int>> m_deleted; // pending deletes and their former positions
    State m_state = State::Inactive;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    std::vector<QVariant> m_edit; // edit buffer
    std::vector<bool> m_editAssigned;
    QString m_sortSpec;
    int m_disableCount = 0;
    mutable int m_viewRow = -1; // the record a text handler reads while RowText runs

protected:
    bool KeepSorted = false;
};

// The link between a data set and the views that show it.
class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(TDataSet* dataSet = nullptr, QObject* parent = nullptr)
        : QObject(parent), DataSet(dataSet) {}
    TDataSet* DataSet;
};
