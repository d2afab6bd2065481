-- Horlo's own tables. Keys are assigned by the database; booleans are
-- ENUM('y','n'); hours are NOT NULL DEFAULT 0 so that new attendance rows are
-- storable with only some categories set.
-- Loaded into the current database: mariadb horlo < schema/horlo.sql

CREATE TABLE employeeeventtype (
  employeeeventtypeid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  direction CHAR(1) NOT NULL,
  defaultevent ENUM('y','n') NOT NULL DEFAULT 'n',
  pairid BIGINT NULL,
  name VARCHAR(200) NOT NULL,
  KEY employeeeventtype_pair (pairid),
  KEY employeeeventtype_default (direction, defaultevent)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Raw device records; rows are inserted by position, so the column order is fixed.
CREATE TABLE employeeeventraw (
  employeeeventrawid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  comment VARCHAR(100) NULL,
  eventtime DATETIME NOT NULL,
  employeeeventtypeid BIGINT NOT NULL,
  employeeid BIGINT NULL,
  horloguestid BIGINT NULL,
  horloaccesspointid BIGINT NOT NULL,
  horloaccessticketid BIGINT NULL,
  cardcode INT NULL,
  deviceindex BIGINT NOT NULL,
  reserved VARCHAR(100) NULL,
  -- a door's record is stored once
  UNIQUE KEY employeeeventraw_record (horloaccesspointid, deviceindex, eventtime, cardcode,
                                      employeeeventtypeid),
  KEY employeeeventraw_time (eventtime),
  KEY employeeeventraw_card (cardcode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Processed events; rows are inserted by position, so the column order is fixed.
CREATE TABLE employeeevent (
  employeeeventid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  comment VARCHAR(255) NULL,
  eventtime DATETIME NOT NULL,
  employeeeventtypeid BIGINT NOT NULL,
  employeeid BIGINT NULL,
  horloguestid BIGINT NULL,
  horloaccesspointid BIGINT NOT NULL,
  horloaccessticketid BIGINT NULL,
  cardcode INT NULL,
  deviceindex BIGINT NOT NULL,
  employeeeventrawid BIGINT NULL,
  reserved VARCHAR(100) NULL,
  KEY employeeevent_time (eventtime),
  KEY employeeevent_employee (employeeid, eventtime),
  KEY employeeevent_guest (horloguestid),
  -- the event list counts its rows per employee or event type from these alone
  KEY employeeevent_type (employeeeventtypeid, employeeid, horloguestid, eventtime),
  KEY employeeevent_person (employeeid, horloguestid, employeeeventtypeid, eventtime),
  KEY employeeevent_comment (comment),
  -- a raw record becomes at most one event; manual events have no raw record
  UNIQUE KEY employeeevent_raw (employeeeventrawid),
  KEY employeeevent_device (horloaccesspointid, deviceindex),
  KEY employeeevent_card (cardcode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE horloaccesspoint (
  horloaccesspointid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  name VARCHAR(50) NOT NULL,
  macaddress VARCHAR(30) NOT NULL,
  localip VARCHAR(30) NOT NULL,
  publicip VARCHAR(30) NOT NULL,
  udpport INT NOT NULL,
  tcpport INT NOT NULL,
  currentdeviceindex BIGINT NOT NULL DEFAULT 0,
  active ENUM('y','n') NOT NULL DEFAULT 'y',
  comment VARCHAR(100) NULL,
  allaccess ENUM('y','n') NOT NULL DEFAULT 'y',
  readaccess ENUM('y','n') NOT NULL DEFAULT 'y',
  outdoor ENUM('y','n') NOT NULL DEFAULT 'n',
  -- one door per name and per device address
  UNIQUE KEY horloaccesspoint_name (name),
  UNIQUE KEY horloaccesspoint_address (localip, udpport)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- An access ticket admits one card at one access point; its key is what the
-- device stores and logs for the card.
CREATE TABLE horloaccessticket (
  horloaccessticketid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  horloaccesspointid BIGINT NOT NULL,
  employeecardid BIGINT NOT NULL,
  employeeid BIGINT NULL,
  horloguestid BIGINT NULL,
  active ENUM('y','n') NOT NULL DEFAULT 'y',
  comment VARCHAR(100) NULL,
  KEY horloaccessticket_card (employeecardid, horloaccesspointid),
  KEY horloaccessticket_point (horloaccesspointid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE employeecard (
  employeecardid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  employeeid BIGINT NULL,
  cardcode INT NOT NULL,
  name VARCHAR(10) NOT NULL,
  active ENUM('y','n') NOT NULL DEFAULT 'y',
  comment VARCHAR(100) NULL,
  UNIQUE KEY employeecard_name (name),
  UNIQUE KEY employeecard_code (cardcode),
  KEY employeecard_employee (employeeid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Who held each card when: a swipe is the event of whoever held the card at its
-- time (startdatetime NULL: since before anything was recorded; enddatetime NULL:
-- holds it still). A tie or untie writes here in the same transaction as the
-- card; a card without rows here is held by its employeeid at every time.
CREATE TABLE employeecardholder (
  employeecardholderid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  employeecardid BIGINT NOT NULL,
  employeeid BIGINT NOT NULL,
  startdatetime DATETIME NULL,
  enddatetime DATETIME NULL,
  KEY employeecardholder_card (employeecardid, startdatetime),
  KEY employeecardholder_employee (employeeid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE horloworkcalendar (
  horloworkcalendarid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  year INT NOT NULL,
  month SMALLINT NOT NULL,
  workcalendardate DATE NOT NULL,
  dayname VARCHAR(10) NULL,
  workday ENUM('y','n') NOT NULL DEFAULT 'y',
  KEY horloworkcalendar_month (year, month),
  UNIQUE KEY horloworkcalendar_date (workcalendardate)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE horloattendance (
  horloattendanceid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  employeeid BIGINT NOT NULL,
  attendancedate DATE NOT NULL,
  regularworkinghours DOUBLE NOT NULL DEFAULT 0,
  overtimehours DOUBLE NOT NULL DEFAULT 0,
  vacationhours DOUBLE NOT NULL DEFAULT 0,
  paidleavehours DOUBLE NOT NULL DEFAULT 0,
  redistributionhours DOUBLE NOT NULL DEFAULT 0,
  unpaidleavehours DOUBLE NOT NULL DEFAULT 0,
  absencehours DOUBLE NOT NULL DEFAULT 0,
  publicholidayhours DOUBLE NOT NULL DEFAULT 0,
  holidayworkinghours DOUBLE NOT NULL DEFAULT 0,
  businesstriphours DOUBLE NOT NULL DEFAULT 0,
  nightworkinghours DOUBLE NOT NULL DEFAULT 0,
  sickhours DOUBLE NOT NULL DEFAULT 0,
  longsickhours DOUBLE NOT NULL DEFAULT 0,
  profsickhours DOUBLE NOT NULL DEFAULT 0,
  proflongsickhours DOUBLE NOT NULL DEFAULT 0,
  unallocatedhours DOUBLE NOT NULL DEFAULT 0,
  comment VARCHAR(100) NULL,
  KEY horloattendance_date (attendancedate, employeeid),
  UNIQUE KEY horloattendance_employee (employeeid, attendancedate)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Work that must not run twice at once writes its row here first, inside its
-- transaction: another session's work waits for the commit (on a cluster, one of
-- the two fails certification and runs again). 'employeeeventraw': storing
-- device records and processing them, so that raw keys are committed in the
-- order they are given and each mark is read after the last writer committed.
CREATE TABLE horlolock (
  name VARCHAR(64) NOT NULL PRIMARY KEY,
  taken BIGINT NOT NULL DEFAULT 0
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
INSERT INTO horlolock (name) VALUES ('employeeeventraw');

-- How far processing has looked at the raw records ('employeeevent': the highest
-- raw key it has looked at). Every record up to it has its event, or had no card
-- holder at its time, or names an access ticket that does not exist.
CREATE TABLE horlomark (
  name VARCHAR(64) NOT NULL PRIMARY KEY,
  value BIGINT NOT NULL DEFAULT 0
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
INSERT INTO horlomark (name, value) VALUES ('employeeevent', 0);

-- Who changed what through Horlo: one row per changed row, written in the
-- change's own transaction and never changed or removed afterwards.
CREATE TABLE horlohistory (
  horlohistoryid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  changetime DATETIME NOT NULL,
  dbuser VARCHAR(255) NOT NULL,
  osuser VARCHAR(255) NOT NULL,
  machine VARCHAR(255) NOT NULL,
  tablename VARCHAR(64) NOT NULL,
  recordid BIGINT NULL,
  action CHAR(1) NOT NULL,
  employeeid BIGINT NULL,
  oldvalues TEXT NULL,
  newvalues TEXT NULL,
  reason VARCHAR(255) NULL,
  KEY horlohistory_time (changetime),
  KEY horlohistory_employee (employeeid, changetime),
  KEY horlohistory_row (tablename, recordid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- The event codes the door devices write into their logs, as paired types:
-- 5/10 are logged with an access ticket, 15/16 with a card code.
INSERT INTO employeeeventtype (employeeeventtypeid, direction, defaultevent, pairid, name) VALUES
  (5, 'i', 'y', 10, 'Dolazak'),
  (10, 'o', 'y', 5, 'Odlazak'),
  (15, 'i', 'n', 16, 'Dolazak karticom'),
  (16, 'o', 'n', 15, 'Odlazak karticom');
-- Device event codes are one byte; types added by users start above them.
ALTER TABLE employeeeventtype AUTO_INCREMENT = 256;

-- The schema's version: one row per step of schema/upgrades/ that the database
-- holds. A new database holds them all; `horlo db upgrade` applies and records
-- the steps an older one lacks. Every change to this file is also such a step.
CREATE TABLE horloschema (
  version INT NOT NULL PRIMARY KEY,
  name VARCHAR(100) NOT NULL,
  applied DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
INSERT INTO horloschema (version, name) VALUES (1, 'unique-keys-lock-and-versions'),
  (2, 'raw-record-key'), (3, 'card-holders-and-processing-mark'), (4, 'change-history'),
  (5, 'unique-door-addresses-and-employee-codes');
