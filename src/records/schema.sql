-- SPDX-License-Identifier: GPL-2.0-or-later
-- CallerID.mdb: made once from this file (by the build, or by an installed program
-- for each user); the program never adds tables to an existing file.
-- SysTime is local time as 'YYYY-MM-DD HH:MM:SS', so text order is time order.

-- Rollback journal rather than WAL: after every stored call the one file holds
-- everything (users copy CallerID.mdb as their backup), and it stays readable
-- from a directory the user cannot write to.
PRAGMA journal_mode = DELETE;

CREATE TABLE IF NOT EXISTS CID (
    Name    TEXT,
    Number  TEXT,
    Date    TEXT,
    Time    TEXT,
    SysTime TEXT,
    Rejected INTEGER -- 1: answered and hung up, empty in rows an older copy stored
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
-- An index on Number alone keeps equal numbers in rowid order, so "the entry
-- added last" is the index's last match, without sorting.
CREATE INDEX IF NOT EXISTS idx_translate_number ON Translate (Number);
CREATE INDEX IF NOT EXISTS idx_reject_number ON Reject (Number);
CREATE INDEX IF NOT EXISTS idx_reject_name ON Reject (Name);
-- Reject entries holding '*' or '?' are patterns: these keep them apart, so
-- that the call path reads only them and not the whole list.
CREATE INDEX IF NOT EXISTS idx_reject_number_pattern ON Reject (Number) WHERE Number GLOB '*[*?]*';
CREATE INDEX IF NOT EXISTS idx_reject_name_pattern ON Reject (Name) WHERE Name GLOB '*[*?]*';
-- Record windows list calls newest first.
CREATE INDEX IF NOT EXISTS idx_cid_systime ON CID (SysTime);
