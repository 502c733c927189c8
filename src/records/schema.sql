-- SPDX-License-Identifier: GPL-2.0-or-later
-- CallerID.mdb: made once from this file; the program never creates tables.
-- SysTime is local time as 'YYYY-MM-DD HH:MM:SS', so text order is time order.
PRAGMA journal_mode = WAL;

CREATE TABLE IF NOT EXISTS CID (
    Name    TEXT,
    Number  TEXT,
    Date    TEXT,
    Time    TEXT,
    SysTime TEXT
);

CREATE TABLE IF NOT EXISTS Reject (
    Number TEXT,
    Name   TEXT
);

CREATE TABLE IF NOT EXISTS Translate (
    Number TEXT,
    Name   TEXT
);

-- Look-ups of the call path compare whole texts exactly (BINARY collation).
CREATE INDEX IF NOT EXISTS idx_translate_number ON Translate (Number);
CREATE INDEX IF NOT EXISTS idx_reject_number ON Reject (Number);
CREATE INDEX IF NOT EXISTS idx_reject_name ON Reject (Name);
-- Record windows list calls newest first.
CREATE INDEX IF NOT EXISTS idx_cid_systime ON CID (SysTime);
