-- A door's record is stored once: its index, time, card and type name it. Doubles
-- stored by an earlier Horlo (an import after `horlo point reset-mark` stored the
-- device's records again) stop the step: README.md shows how to find and remove them.
ALTER TABLE employeeeventraw
  DROP KEY IF EXISTS employeeeventraw_record,
  ADD UNIQUE KEY employeeeventraw_record (horloaccesspointid, deviceindex, eventtime, cardcode,
                                          employeeeventtypeid);
-- the new key begins with the same columns
ALTER TABLE employeeeventraw DROP KEY IF EXISTS employeeeventraw_device;
