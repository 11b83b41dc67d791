#pragma once
// The label database: label makers (table company) and their label products (table labels),
// in a SQLite file or on a PostgreSQL server shared by a team.

#include "common/label_geometry.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

// Every failure of the label database, carrying a description the user can be shown; where the
// database engine reported the failure, that is the engine's own text.
class CLabelDbError : public std::runtime_error {
public:
    explicit CLabelDbError(const QString& description);
    const QString& Description() const { return m_description; }

private:
    QString m_description;
};

struct LabelConnectionParams {
    enum class Engine { SQLite, PostgreSQL };
    Engine engine = Engine::SQLite;
    QString database; // SQLite: the file (absolute); PostgreSQL: the database name
    QString host;
    int port = -1; // -1: the engine's default
    QString user;
    QString password;
};

// Reads "key=value;key=value" (a value may be in braces, where "}}" stands for "}"). Driver
// names the engine (SQLite or PostgreSQL); DBQ or Database, Server or Host, Port, Uid or User,
// Pwd or Password and DefaultDir as usual; other keys are ignored. A relative SQLite file is
// taken from DefaultDir, else from `baseDir`. Throws CLabelDbError on anything it cannot use.
LabelConnectionParams ParseLabelConnectionString(const QString& text, const QString& baseDir);

// How a damaged per-user copy of the label database was replaced: the damaged file is kept
// under a new name beside it, and the user's own labels that could still be read from it are
// in the fresh copy.
struct LabelCopyRepair {
    QString copy;    // the per-user copy, now fresh
    QString damaged; // where the damaged file is kept
    int labelsKept = 0;
};
// What the user is told about it.
QString LabelCopyRepairMessage(const LabelCopyRepair& repair);

// $XDG_DATA_HOME/Halvern/Quillmark (default ~/.local/share/...): the per-user copy's folder.
QString UserLabelDataDir();
// The data.dat to open when no connection string is set: the one in `programDir` when that
// folder can be written (the user's labels go into it); otherwise a per-user copy in
// `userDataDir`, made from the one in `programDir` on first use. A per-user copy that is
// damaged is kept as data.dat.damaged-YYYYMMDD-HHMMSS (never over an earlier one) and replaced
// by a fresh copy holding the user's own labels that could be read from it; `repaired` then
// says so. Throws CLabelDbError, naming the files, also when the file to copy from is missing
// or damaged.
QString LocateDefaultLabelDatabase(const QString& programDir, const QString& userDataDir,
                                   std::optional<LabelCopyRepair>* repaired = nullptr);
// The same with the answer to "can the program's folder and its data.dat be written?" given.
QString LocateDefaultLabelDatabase(const QString& programDir, const QString& userDataDir,
                                   bool programDirWritable,
                                   std::optional<LabelCopyRepair>* repaired = nullptr);
// What the program opens: "Print"/"LabelDBConnectionString" when set (a relative file taken from
// the folder of the shipped database), else the default file. The shipped data.dat lies beside
// the executable in `programDir` when run from a build folder, in <prefix>/share/quillmark when
// installed (see InstallLayoutFor); an installed one is never written, the user's labels go
// into the per-user copy (see LocateDefaultLabelDatabase for `repaired`).
LabelConnectionParams
LabelConnectionFromSettings(const QString& programDir,
                            std::optional<LabelCopyRepair>* repaired = nullptr);

// The message shown when the label database cannot be opened, followed by the reason.
QString LabelDatabaseOpenFailureMessage(const QString& description);

// Returns to one row of a recordset; stays valid while the recordset is open, across filter
// changes and re-reads, until the row is deleted.
class CRowBookmark {
public:
    CRowBookmark() = default;
    bool IsValid() const { return m_serial != 0; }
    friend bool operator==(const CRowBookmark&, const CRowBookmark&) = default;

private:
    friend class CLabelRecordset;
    explicit CRowBookmark(std::uint64_t serial) : m_serial(serial) {}
    std::uint64_t m_serial = 0;
};

class CLabelDatabase;

// A static snapshot of one table, read whole when opened; writes go to the database at once
// and into the snapshot. Rows keep the table's order (by ID).
class CLabelRecordset {
public:
    CLabelRecordset(CLabelDatabase& db, QString table, std::vector<QString> columns);

    void Open();    // reads the table
    void Requery(); // reads it again; the filter stays, the current row becomes the first
    bool IsEOF() const;
    void MoveFirst();
    void MoveNext();
    int RecordCount() const; // rows that pass the filter

    CRowBookmark GetBookmark() const;
    void GoToBookmark(const CRowBookmark& bookmark);

    // "Column=number" or empty for none; the current row becomes the first that passes.
    void SetFilter(const QString& filter);
    const QString& Filter() const { return m_filterText; }

    // 1-based among the rows that pass the filter; 0 when there is no current row.
    int AbsolutePosition() const;
    void SetAbsolutePosition(int position);

    // Reads of the current row (or of the row being edited).
    QVariant GetValue(const QString& column) const;
    int GetInt(const QString& column) const; // saturated to 32 bits; NULL reads 0
    bool HasColumn(const QString& column) const;
    // Reads the table without `column` from now on (one the database does not have).
    void DropColumn(const QString& column);
    bool GetBool(const QString& column) const;
    QString GetString(const QString& column) const;

    // Starts editing the current row when no edit is pending.
    void SetValue(const QString& column, const QVariant& value);
    void AddNew();       // a new row becomes the current one, to be written and saved
    void Update();       // saves the row being edited; a new row gets its ID from the database
    void CancelUpdate(); // drops the pending edit
    void Delete();       // deletes the current row at once; the next row becomes current

private:
    struct Row {
        std::uint64_t serial = 0;
        std::vector<QVariant> values;
    };
    struct Edit {
        bool isNew = false;
        std::vector<QVariant> values;
        std::vector<bool> written;
    };

    std::size_t ColumnIndex(const QString& column) const;
    std::vector<Row> ReadRows(const QString& where, const QVariant& key) const;
    // The columns an edit wrote and their values, the key left out.
    std::pair<QStringList, std::vector<QVariant>> WrittenColumns(const Edit& edit) const;
    // Saves a new row and makes the row as stored (key and defaults) the current one.
    void InsertRow(const QStringList& names, const std::vector<QVariant>& values);
    // Saves the written columns of the current row.
    void UpdateRow(const Edit& edit, const QStringList& names, const std::vector<QVariant>& values);
    void RebuildView();
    const Row& CurrentRow() const;
    Row& CurrentRow();
    bool Passes(const Row& row) const;
    std::size_t IdColumn() const { return 0; }

    CLabelDatabase& m_db;
    QString m_table;
    std::vector<QString> m_columns; // the first is the key, ID
    std::vector<Row> m_rows;
    std::vector<std::size_t> m_view; // indexes into m_rows that pass the filter, in order
    std::size_t m_current = 0;       // index into m_view; m_view.size() is the end
    std::optional<Edit> m_edit;
    std::uint64_t m_nextSerial = 1;
    QString m_filterText;
    std::optional<std::pair<std::size_t, qlonglong>> m_filter; // column, value
};

// One label product as the dialogs see it.
struct LabelRecord {
    int id = 0;
    int companyId = 0;
    QString name1;      // product number or name
    QString name2;      // type or description
    bool stock = false; // the Flag column: a maker's label, not the user's own
    CLabelGeometry geometry;
};

// The columns of table labels in their order: ID (the key), CompanyID, LabelName1, LabelName2,
// Flag, then the geometry columns in the order of kLabelGeometryColumns.
std::vector<QString> LabelTableColumns();
// The columns of the labels table that every label database has had: all but Kind, which
// databases made before roll labels lack. Opening such a database adds it, every label a sheet.
std::vector<QString> OriginalLabelTableColumns();
// Each column's type and default for CREATE TABLE on `engine`, e.g. "Width INTEGER NOT NULL
// DEFAULT 0", in the same order.
QStringList LabelTableDefinitions(LabelConnectionParams::Engine engine);
// A row of table labels for `label`, value by value in the same order.
std::vector<QVariant> LabelTableValues(const LabelRecord& label);

struct LabelMaker {
    int id = 0;
    QString name;
    CRowBookmark bookmark;
};

struct LabelProduct {
    int id = 0;
    QString text; // LabelName1 + " - " + LabelName2
    CRowBookmark bookmark;
};

struct WrittenLabel {
    int id = 0;
    int companyId = 0;
};

// One connection and the two recordsets, for as long as one print dialog is shown.
class CLabelDatabase {
public:
    // The maker every label the user creates or changes is filed under.
    static constexpr int kUserCompanyId = 22;

    // Opens the connection and both tables; throws CLabelDbError.
    explicit CLabelDatabase(const LabelConnectionParams& params);
    ~CLabelDatabase();
    CLabelDatabase(const CLabelDatabase&) = delete;
    CLabelDatabase& operator=(const CLabelDatabase&) = delete;

    LabelConnectionParams::Engine Engine() const { return m_engine; }
    const QString& ConnectionName() const { return m_connectionName; }
    CLabelRecordset& Labels() { return m_labels; }
    CLabelRecordset& Companies() { return m_companies; }

    // Every maker in table order.
    std::vector<LabelMaker> ListMakers();
    // The products of one maker in table order; leaves the labels unfiltered.
    std::vector<LabelProduct> ListProducts(const CRowBookmark& maker);
    // The maker of a saved label, or nothing when the label is gone.
    std::optional<int> FindLabelCompany(int labelId);
    // The label product with this ID, or nothing when there is none.
    std::optional<LabelRecord> FindLabel(int labelId);
    // The first row of the whole labels table, if there is one.
    std::optional<WrittenLabel> FirstLabel();
    LabelRecord ReadLabel(const CRowBookmark& product);

    // Adds the user's own label under kUserCompanyId; returns its new ID. The new row is current.
    WrittenLabel InsertLabel(const LabelRecord& label);
    // Rewrites one of the user's own labels (never a stock label).
    WrittenLabel ChangeLabel(const CRowBookmark& product, const LabelRecord& label);
    // Deletes one of the user's own labels (never a stock label).
    void DeleteLabel(const CRowBookmark& product);

private:
    // Adds the columns an older database lacks; where it may not be changed, reads it without
    // them.
    void UpgradeLabelTable();
    void Disconnect();
    void WriteLabelColumns(const LabelRecord& label);
    WrittenLabel CurrentIds();

    QString m_connectionName;
    LabelConnectionParams::Engine m_engine;
    CLabelRecordset m_labels;
    CLabelRecordset m_companies;
};
