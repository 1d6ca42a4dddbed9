-- First structure of a Zentaro library. The build takes it through every
-- step of src/store/SchemaUpgrade (the steps that bring an older library up
-- to date) into the empty-library template Struct10.qdb; the program itself
-- never creates tables.

-- Large pages keep a 64,000-byte piece of a stored file inside one page.
PRAGMA page_size = 65536;
-- 'ZNT1': tells a library apart from any other SQLite file.
PRAGMA application_id = 1515082801;
-- Schema version of this first structure; SchemaUpgrade goes on from it.
PRAGMA user_version = 1;

BEGIN;

-- One row per stored file. Dates are local time as 'YYYY-MM-DD HH:MM:SS',
-- which sorts and compares correctly as text.
CREATE TABLE Main (
    MainID          INTEGER PRIMARY KEY AUTOINCREMENT,
    Title           TEXT    NOT NULL DEFAULT '',
    Author          TEXT    NOT NULL DEFAULT '',
    Keywords        TEXT    NOT NULL DEFAULT '',
    Notes           TEXT    NOT NULL DEFAULT '',
    FileName        TEXT    NOT NULL DEFAULT '',
    FileType        TEXT    NOT NULL DEFAULT '',
    FileSize        INTEGER NOT NULL DEFAULT 0,
    FileDate        TEXT,
    InsertionDate   TEXT    NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')),
    LastUpdatedDate TEXT    NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))
);

CREATE INDEX MainTitle ON Main (Title COLLATE NOCASE);

-- The bytes of a record's OLE field, in pieces of at most 64,000 bytes.
-- Kept apart so that no list query ever reads file bytes, and so that a file
-- may be larger than one SQLite value can hold.
CREATE TABLE OLE (
    MainID INTEGER NOT NULL REFERENCES Main (MainID) ON DELETE CASCADE,
    Piece  INTEGER NOT NULL,
    Data   BLOB    NOT NULL,
    PRIMARY KEY (MainID, Piece)
);

-- Foreign keys are off unless a connection turns them on; the trigger makes
-- the pieces go with their record whatever tool deletes it.
CREATE TRIGGER MainDeletePieces AFTER DELETE ON Main
BEGIN
    DELETE FROM OLE WHERE MainID = OLD.MainID;
END;

-- The library's own settings: exactly one row.
CREATE TABLE Config (
    LibraryName    TEXT    NOT NULL DEFAULT '',
    LibrarianName  TEXT    NOT NULL DEFAULT '',
    LibrarianEmail TEXT    NOT NULL DEFAULT '',
    Created        TEXT,
    Notes          TEXT    NOT NULL DEFAULT '',
    UseSecurity    INTEGER NOT NULL DEFAULT 0,
    BrowsePassword TEXT    NOT NULL DEFAULT ' ',
    EditPassword   TEXT    NOT NULL DEFAULT '',
    AdminPassword  TEXT    NOT NULL DEFAULT '',
    BrowseExtract  INTEGER NOT NULL DEFAULT 0,
    EditDelete     INTEGER NOT NULL DEFAULT 0
);

INSERT INTO Config (LibraryName, LibrarianName, LibrarianEmail, Created, Notes,
                    UseSecurity, BrowsePassword, EditPassword, AdminPassword,
                    BrowseExtract, EditDelete)
VALUES ('', '', '', NULL, '', 0, ' ', '', '', 0, 0);

-- The program edits the one row; it never adds or removes one.
CREATE TRIGGER ConfigOneRowInsert BEFORE INSERT ON Config
WHEN (SELECT COUNT(*) FROM Config) >= 1
BEGIN
    SELECT RAISE(ABORT, 'Config holds exactly one row');
END;

CREATE TRIGGER ConfigOneRowDelete BEFORE DELETE ON Config
BEGIN
    SELECT RAISE(ABORT, 'Config holds exactly one row');
END;

COMMIT;
