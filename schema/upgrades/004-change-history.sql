-- Who changed what through Horlo: one row per changed row, written in the
-- change's own transaction and never changed or removed afterwards.
CREATE TABLE IF NOT EXISTS horlohistory (
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
