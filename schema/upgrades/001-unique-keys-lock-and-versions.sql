-- Brings a database made before schema versions were recorded to version 1,
-- whichever earlier state it is in: every statement may meet its change made
-- already. Steps are not one transaction (the server commits each change of a
-- table's structure), so each must be safe to run again after a failure.

-- The event list counts its rows per employee or event type from indexes alone.
ALTER TABLE employeeevent
  DROP KEY IF EXISTS employeeevent_type,
  ADD KEY employeeevent_type (employeeeventtypeid, employeeid, horloguestid, eventtime);
ALTER TABLE employeeevent
  ADD KEY IF NOT EXISTS employeeevent_person (employeeid, horloguestid, employeeeventtypeid, eventtime),
  ADD KEY IF NOT EXISTS employeeevent_comment (comment);

-- A raw record becomes at most one event, a date one calendar row, an employee
-- and date one attendance row. Stored doubles stop the step: README.md shows how
-- to find them.
ALTER TABLE employeeevent
  DROP KEY IF EXISTS employeeevent_raw,
  ADD UNIQUE KEY employeeevent_raw (employeeeventrawid);
ALTER TABLE horloworkcalendar
  DROP KEY IF EXISTS horloworkcalendar_date,
  ADD UNIQUE KEY horloworkcalendar_date (workcalendardate);
ALTER TABLE horloattendance
  DROP KEY IF EXISTS horloattendance_employee,
  ADD UNIQUE KEY horloattendance_employee (employeeid, attendancedate);

CREATE TABLE IF NOT EXISTS horlolock (
  name VARCHAR(64) NOT NULL PRIMARY KEY,
  taken BIGINT NOT NULL DEFAULT 0
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
INSERT IGNORE INTO horlolock (name) VALUES ('employeeeventraw');

CREATE TABLE IF NOT EXISTS horloschema (
  version INT NOT NULL PRIMARY KEY,
  name VARCHAR(100) NOT NULL,
  applied DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
