-- A door is one device: no two access points share a name (commands name doors
-- by it) or an address and UDP port. An employee code names one employee.
-- Stored doubles stop the step: README.md shows how to find them. Each statement
-- may meet its change made already.
ALTER TABLE horloaccesspoint
  DROP KEY IF EXISTS horloaccesspoint_name,
  ADD UNIQUE KEY horloaccesspoint_name (name);
ALTER TABLE horloaccesspoint
  DROP KEY IF EXISTS horloaccesspoint_address,
  ADD UNIQUE KEY horloaccesspoint_address (localip, udpport);
ALTER TABLE employee
  DROP KEY IF EXISTS employee_code,
  ADD UNIQUE KEY employee_code (code);
