-- Tables of the host suite that Horlo reads (personnel: employee, workingstate;
-- guests: horloguest) and the host's settings store.
-- Booleans are ENUM('y','n'); no other column is an ENUM, so the database layer
-- can show every ENUM as a boolean.
-- Loaded into the current database: mariadb horlo < schema/host.sql

CREATE TABLE workingstate (
  workingstateid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  description VARCHAR(100) NOT NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE employee (
  employeeid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  firstname VARCHAR(50) NOT NULL,
  lastname VARCHAR(50) NOT NULL,
  code VARCHAR(20) NULL,
  personalidentificator VARCHAR(20) NULL,
  vocation VARCHAR(100) NULL,
  startworkingdate DATE NULL,
  organizationunit VARCHAR(100) NULL,
  foreignvocation VARCHAR(100) NULL,
  contracttype VARCHAR(50) NULL,
  active ENUM('y','n') NOT NULL DEFAULT 'y',
  workingfromdate DATE NULL,
  workingtodate DATE NULL,
  workingstateid BIGINT NULL,
  KEY employee_name (lastname, firstname),
  UNIQUE KEY employee_code (code), -- a code names one employee (NULL: none)
  KEY employee_workingstate (workingstateid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE horloguest (
  horloguestid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  firstname VARCHAR(50) NOT NULL,
  lastname VARCHAR(50) NOT NULL,
  employeecardid BIGINT NULL,
  enddatetime DATETIME NULL,
  KEY horloguest_card (employeecardid, enddatetime)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Settings store: one value per section and key.
CREATE TABLE dbinifile (
  section VARCHAR(64) NOT NULL,
  ident VARCHAR(64) NOT NULL,
  value TEXT NULL,
  PRIMARY KEY (section, ident)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
