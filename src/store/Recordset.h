#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/MainRecord.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace zentaro {

class Database;

// The rows of Main behind a binding, with keyset semantics: opening runs the
// query once and keeps only the MainIDs in list order (a bookmark is the
// MainID); row fields are fetched by page when asked and cached, file bytes
// never. Rows added elsewhere appear at the next requery; rows deleted
// elsewhere read as NotFound until then.
//
// Position: -1 .. recordCount(). bof() is true before the first row, eof()
// after the last; both are true on an empty set. Moves never fail: they stop
// at bof/eof, and do nothing on an empty set. Moving (or requerying) while a
// record is being edited or added discards the edit, as cancelUpdate does.
class Recordset
{
public:
    enum class EditMode { None, Edit, AddNew };

    // source: a query text of the dialect (QueryDialect), e.g. the list query
    // "SELECT * FROM Main WHERE (...)ORDER BY Title", or "Main" for all rows.
    // It runs read-only: only table Main can be read. InvalidQuery for a text
    // the engine cannot run. The first row becomes current.
    static Result<std::unique_ptr<Recordset>> open(std::shared_ptr<Database> database,
                                                   const QString& source);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    const std::shared_ptr<Database>& database() const { return m_db; }
    const QString& source() const { return m_source; }
    // Runs a new source text; the first row becomes current. On failure the
    // previous rows, source and position stay as they were.
    Status setSource(const QString& source);
    // Runs the source again (sees rows added and deleted since).
    Status requery();

    // --- Position -------------------------------------------------------
    int recordCount() const { return static_cast<int>(m_keys.size()); }
    bool bof() const;
    bool eof() const;
    // A current row exists (not bof/eof, not just deleted).
    bool hasCurrent() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    // 0-based position of the current row; -1 when there is none.
    int absolutePosition() const;
    // InvalidArgument when position is outside 0 .. recordCount()-1.
    Status setAbsolutePosition(int position);
    // MainID of the current row.
    std::optional<qint64> bookmark() const;
    // NotFound when mainId is not in this set; the position is then unchanged.
    Status setBookmark(qint64 mainId);
    // Position of a MainID in the set, -1 when absent.
    int positionOf(qint64 mainId) const;
    // Makes the first row (in list order) that meets criteria current, e.g.
    // "MainID = 12". Returns whether one was found; when none is, eof() is
    // true. InvalidQuery for criteria it cannot read.
    Result<bool> findFirst(const QString& criteria);

    // --- Fields ---------------------------------------------------------
    // The current row's field by name (any case), or the edit buffer while
    // editing or adding. QString, qint64 (MainID, FileSize), QDateTime, and a
    // null QVariant() for a NULL date, an unknown name, "OLE" or no row.
    QVariant value(const QString& field);
    // The descriptive fields of the row at a position (a list model's row),
    // fetched with its neighbours in one page. NotFound for a row deleted
    // elsewhere or a position outside the set.
    Result<MainRecord> recordAt(int position);
    // The current row's fields, or the edit buffer while editing or adding.
    Result<MainRecord> currentRecord();

    // --- Changes --------------------------------------------------------
    // Starts a new row (defaults: empty texts, FileSize 0, NULL FileDate,
    // InsertionDate and LastUpdatedDate from the file when saved).
    Status addNew();
    // Starts editing the current row.
    Status edit();
    // Writes a field into the edit buffer. InvalidArgument for an unknown
    // field, MainID, a value of the wrong type, or when not editing.
    // setValue("OLE", QByteArray) replaces the bytes (empty empties them).
    Status setValue(const QString& field, const QVariant& value);
    // Saves the added or edited row with its bytes in one transaction. The
    // row that was current before addNew stays current; a new row is
    // appended at the end of the set, and lastModified() names it. On
    // failure the edit stays in progress: retry, or cancelUpdate to drop it.
    Status update();
    // Drops the edit buffer and any bytes appended during this edit.
    void cancelUpdate();
    // Deletes the current row with its bytes. Afterwards there is no
    // current row until a move; moveNext goes to the row that followed it.
    Status deleteCurrent();
    EditMode editMode() const { return m_mode; }
    // MainID of the row last saved by update(), when any.
    std::optional<qint64> lastModified() const { return m_lastModified; }

    // --- File bytes of the current row (field OLE) ------------------------
    // Only while editing or adding; at most LibraryFile::kPieceSize bytes.
    // Kept only when update() follows.
    Status appendChunk(const char* data, qint64 length);
    // The hash of the bytes just appended (Database::setFileHash).
    Status setFileHash(const QByteArray& hash);
    // Reads up to length bytes at offset; fewer only at the end of the value.
    Result<qint64> getChunk(qint64 offset, qint64 length, char* buffer);
    // Bytes stored in the current row.
    Result<qint64> storedSize();

private:
    static constexpr int kPageRows = 64;
    static constexpr int kMaxPages = 32;

    struct Page
    {
        quint64 changeCount = 0;
        std::vector<std::optional<MainRecord>> rows;
    };

    Recordset(std::shared_ptr<Database> database);
    Status load(const QString& source);
    void discardEdit();
    Status ensureStoredRow();
    std::optional<qint64> editTarget() const;
    const Page* page(int index, Status* status);
    void forgetPages();
    void setPosition(int position);

    std::shared_ptr<Database> m_db;
    QString m_source;
    std::vector<qint64> m_keys;
    mutable QHash<qint64, int> m_index; // MainID -> position, built on demand
    mutable bool m_indexValid = false;
    int m_pos = -1;
    bool m_currentDeleted = false;

    QHash<int, Page> m_pages;
    std::deque<int> m_pageOrder;

    EditMode m_mode = EditMode::None;
    MainRecord m_buffer;
    QList<MainField> m_dirty;
    qint64 m_storedNewId = 0; // row inserted early for bytes appended during addNew
    bool m_inEditTransaction = false;
    std::optional<qint64> m_lastModified;
};

} // namespace zentaro
