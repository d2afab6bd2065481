-- Who held each card when, and how far processing has looked at the raw records.
-- Safe to run again: every statement may meet its change made already.

-- A swipe is the event of whoever held the card at its time (startdatetime
-- NULL: since before anything was recorded; enddatetime NULL: holds it still). A
-- tie or untie writes here in the same transaction as the card itself; a card
-- without rows here is held by its employeecard.employeeid at every time (as
-- every card was before this step).
CREATE TABLE IF NOT EXISTS employeecardholder (
  employeecardholderid BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  employeecardid BIGINT NOT NULL,
  employeeid BIGINT NOT NULL,
  startdatetime DATETIME NULL,
  enddatetime DATETIME NULL,
  KEY employeecardholder_card (employeecardid, startdatetime),
  KEY employeecardholder_employee (employeeid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Events of nobody (no employee, no guest) that earlier processing wrote for the
-- swipes of a card nobody held then are no events: their records wait for a holder.
DELETE FROM employeeevent
  WHERE employeeeventrawid IS NOT NULL AND IFNULL(employeeid, 0) <= 0 AND IFNULL(horloguestid, 0) <= 0;

-- Processing looks at each raw record once, in key order: every ticket or card
-- swipe up to the mark has its event, or had no card holder at its time (it
-- becomes an event when a tie covers its time), or names an access ticket that
-- does not exist. The mark starts below the first such swipe without an event,
-- so that the next processing looks again at those that earlier processing
-- passed over (card swipes whose card had no holder when they were imported).
CREATE TABLE IF NOT EXISTS horlomark (
  name VARCHAR(64) NOT NULL PRIMARY KEY,
  value BIGINT NOT NULL DEFAULT 0
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
INSERT IGNORE INTO horlomark (name, value)
  SELECT 'employeeevent', IFNULL(MIN(r.employeeeventrawid) - 1,
                                 (SELECT IFNULL(MAX(employeeeventrawid), 0) FROM employeeeventraw))
  FROM employeeeventraw AS r
  WHERE r.employeeeventtypeid IN (5, 10, 15, 16)
    AND NOT EXISTS (SELECT 1 FROM employeeevent AS e WHERE e.employeeeventrawid = r.employeeeventrawid);
