-- Demo data for a newcomer: employees with their cards and tickets, guests,
-- three doors on loopback addresses, and four weeks of passages that end three
-- weeks ago (the simulated door devices hold the three weeks after them).
-- Dates are relative to the day the file is loaded.
-- Loaded into the current database: mariadb horlo < schema/demo.sql

INSERT INTO workingstate (workingstateid, description) VALUES
  (1, 'Radi'), (2, 'Godišnji odmor'), (3, 'Bolovanje'), (7, 'Porodiljsko odsustvo'),
  (8, 'Neplaćeno odsustvo'), (15, 'Prekid radnog odnosa');

-- An open-ended employment ends on the personnel module's empty date, 1899-12-30.
INSERT INTO employee (employeeid, firstname, lastname, code, personalidentificator, vocation, startworkingdate,
                      organizationunit, contracttype, active, workingfromdate, workingtodate, workingstateid) VALUES
  (1, 'Marko', 'Jovanović', '001', '0103985710012', 'Direktor', '2015-03-01', 'Uprava', 'Neodređeno', 'y', '2015-03-01', '1899-12-30', 1),
  (2, 'Jelena', 'Petrović', '002', '1507990715023', 'Računovođa', '2016-05-16', 'Finansije', 'Neodređeno', 'y', '2016-05-16', '1899-12-30', 1),
  (3, 'Nikola', 'Nikolić', '003', '2211987710034', 'Magacioner', '2017-01-09', 'Magacin', 'Neodređeno', 'y', '2017-01-09', '1899-12-30', 1),
  (4, 'Ana', 'Đorđević', '004', '0304992715045', 'Referent prodaje', '2018-02-01', 'Prodaja', 'Neodređeno', 'y', '2018-02-01', '1899-12-30', 1),
  (5, 'Stefan', 'Stojanović', '005', '1709989710056', 'Vozač', '2016-09-12', 'Logistika', 'Neodređeno', 'y', '2016-09-12', '1899-12-30', 1),
  (6, 'Milica', 'Ilić', '006', '0811993715067', 'Referent nabavke', '2019-04-01', 'Nabavka', 'Određeno', 'y', '2019-04-01', '1899-12-30', 1),
  (7, 'Dragan', 'Marković', '007', '2602980710078', 'Šef magacina', '2014-06-02', 'Magacin', 'Neodređeno', 'y', '2014-06-02', '1899-12-30', 1),
  (8, 'Ivana', 'Pavlović', '008', '1912991715089', 'Sekretarica', '2020-01-15', 'Uprava', 'Neodređeno', 'y', '2020-01-15', '1899-12-30', 1),
  (9, 'Miloš', 'Popović', '009', '0505988710090', 'Programer', '2019-10-01', 'Informatika', 'Neodređeno', 'y', '2019-10-01', '1899-12-30', 1),
  (10, 'Tamara', 'Živković', '010', '3001994715101', 'Dizajner', '2021-03-01', 'Marketing', 'Određeno', 'y', '2021-03-01', '1899-12-30', 1),
  (11, 'Aleksandar', 'Stanković', '011', '1408986710112', 'Komercijalista', '2017-08-21', 'Prodaja', 'Neodređeno', 'y', '2017-08-21', '1899-12-30', 1),
  (12, 'Marija', 'Kostić', '012', '2106995715123', 'Pravnik', '2018-11-05', 'Pravna služba', 'Neodređeno', 'y', '2018-11-05', '1899-12-30', 1),
  (13, 'Vladimir', 'Todorović', '013', '0907983710134', 'Električar', '2015-07-13', 'Održavanje', 'Neodređeno', 'y', '2015-07-13', '1899-12-30', 1),
  (14, 'Jovana', 'Ristić', '014', '1203997715145', 'Referent kadrova', '2022-02-01', 'Kadrovi', 'Određeno', 'y', '2022-02-01', '1899-12-30', 1),
  (15, 'Nemanja', 'Lazić', '015', '2810990710156', 'Viljuškarista', '2020-06-15', 'Magacin', 'Neodređeno', 'y', '2020-06-15', '1899-12-30', 1),
  (16, 'Katarina', 'Milošević', '016', '1610992715167', 'Knjigovođa', '2019-01-21', 'Finansije', 'Neodređeno', 'y', '2019-01-21', '1899-12-30', 1),
  (17, 'Đorđe', 'Savić', '017', '0402985710178', 'Serviser', '2016-03-07', 'Održavanje', 'Neodređeno', 'y', '2016-03-07', '1899-12-30', 1),
  (18, 'Sanja', 'Mitrović', '018', '2309993715189', 'Blagajnik', '2021-09-01', 'Finansije', 'Određeno', 'y', '2021-09-01', '1899-12-30', 1),
  (19, 'Luka', 'Radovanović', '019', '1101996710190', 'Programer', '2022-05-09', 'Informatika', 'Neodređeno', 'y', '2022-05-09', '1899-12-30', 1),
  (20, 'Tijana', 'Vasić', '020', '0712994715201', 'Referent prodaje', '2020-10-12', 'Prodaja', 'Neodređeno', 'y', '2020-10-12', '1899-12-30', 1),
  (21, 'Uroš', 'Pešić', '021', '1905987710212', 'Vozač', '2018-04-16', 'Logistika', 'Neodređeno', 'y', '2018-04-16', '1899-12-30', 1),
  (22, 'Dragana', 'Čolić', '022', '2708991715223', 'Higijeničar', '2017-12-01', 'Opšti poslovi', 'Neodređeno', 'y', '2017-12-01', '1899-12-30', 1),
  (23, 'Filip', 'Šarić', '023', '0301995710234', 'Magacioner', '2023-01-16', 'Magacin', 'Određeno', 'y', '2023-01-16', '1899-12-30', 1),
  (24, 'Nataša', 'Bogdanović', '024', '1404989715245', 'Menadžer projekta', '2016-11-14', 'Informatika', 'Neodređeno', 'y', '2016-11-14', '1899-12-30', 1),
  (25, 'Bojan', 'Ćirić', '025', '0806984710256', 'Tehnolog', '2015-02-02', 'Proizvodnja', 'Neodređeno', 'y', '2015-02-02', '1899-12-30', 1),
  (26, 'Gordana', 'Jakovljević', '026', '2512982715267', 'Šef računovodstva', '2014-01-06', 'Finansije', 'Neodređeno', 'y', '2014-01-06', '1899-12-30', 1),
  (27, 'Petar', 'Obradović', '027', '1710997710278', 'Pripravnik', '2024-09-02', 'Proizvodnja', 'Određeno', 'y', '2024-09-02', '1899-12-30', 1),
  (28, 'Biljana', 'Simić', '028', '3003988715289', 'Referent nabavke', '2019-07-01', 'Nabavka', 'Neodređeno', 'y', '2019-07-01', '1899-12-30', 3),
  (29, 'Zoran', 'Žarković', '029', '0909979710290', 'Portir', '2013-05-20', 'Obezbeđenje', 'Neodređeno', 'y', '2013-05-20', '1899-12-30', 1),
  (30, 'Vesna', 'Nedeljković', '030', '1206986715301', 'Kuvarica', '2018-08-06', 'Opšti poslovi', 'Neodređeno', 'y', '2018-08-06', '1899-12-30', 7),
  (31, 'Milan', 'Gavrilović', '031', '2002990710312', 'Mašinbravar', '2017-04-03', 'Održavanje', 'Neodređeno', 'y', '2017-04-03', '1899-12-30', 1),
  (32, 'Danijela', 'Tomić', '032', '0108993715323', 'Operater', '2021-01-11', 'Proizvodnja', 'Neodređeno', 'y', '2021-01-11', '1899-12-30', 1),
  (33, 'Dušan', 'Matić', '033', '2404992710334', 'Operater', '2022-10-03', 'Proizvodnja', 'Određeno', 'y', '2022-10-03', '1899-12-30', 1),
  (34, 'Snežana', 'Đurić', '034', '1511981715345', 'Kontrolor kvaliteta', '2015-09-14', 'Proizvodnja', 'Neodređeno', 'y', '2015-09-14', '1899-12-30', 1),
  (35, 'Goran', 'Janković', '035', '0612978710356', 'Operater', '2012-03-05', 'Proizvodnja', 'Neodređeno', 'n', '2012-03-05', '2023-12-31', 15),
  (36, 'Ljiljana', 'Kovačević', '036', '1803987715367', 'Referent kadrova', '2016-02-15', 'Kadrovi', 'Neodređeno', 'y', '2016-02-15', '1899-12-30', 1);

-- One card for every employee; card 36's holder left, so it is withdrawn.
INSERT INTO employeecard (employeecardid, employeeid, cardcode, name, active, comment)
SELECT employeeid, employeeid, 100000 + employeeid * 17, CONCAT('K', LPAD(employeeid, 3, '0')),
       IF(active = 'y', 'y', 'n'), NULL
FROM employee;

-- Guest cards; two are lent out now, one was returned.
INSERT INTO employeecard (employeecardid, employeeid, cardcode, name, active, comment) VALUES
  (101, NULL, 900101, 'G01', 'y', 'Kartica za goste'),
  (102, NULL, 900102, 'G02', 'y', 'Kartica za goste'),
  (103, NULL, 900103, 'G03', 'y', 'Kartica za goste');

INSERT INTO horloguest (horloguestid, firstname, lastname, employeecardid, enddatetime) VALUES
  (1, 'Ivan', 'Kovač', 101, NULL),
  (2, 'Mirjana', 'Lukić', 102, NULL),
  (3, 'Srđan', 'Babić', 103, CONCAT(CURDATE() - INTERVAL 30 DAY, ' 15:00:00'));

-- Doors: the devices answer on loopback addresses, all on UDP port 5001.
INSERT INTO horloaccesspoint (horloaccesspointid, name, macaddress, localip, publicip, udpport, tcpport,
                              currentdeviceindex, active, comment, allaccess, readaccess, outdoor) VALUES
  (1, 'Glavni ulaz', '00:1A:2B:3C:4D:01', '127.0.0.2', '127.0.0.2', 5001, 5002, 0, 'y', 'Portirnica', 'y', 'y', 'y'),
  (2, 'Magacin', '00:1A:2B:3C:4D:02', '127.0.0.3', '127.0.0.3', 5001, 5002, 0, 'y', 'Ulaz iz dvorišta', 'y', 'y', 'n'),
  (3, 'Server sala', '00:1A:2B:3C:4D:03', '127.0.0.4', '127.0.0.4', 5001, 5002, 0, 'y', 'Samo evidencija ulaska', 'n', 'n', 'n');

-- Every card may pass the two doors that admit all cards.
INSERT INTO horloaccessticket (horloaccesspointid, employeecardid, employeeid, horloguestid, active)
SELECT p.horloaccesspointid, c.employeecardid, c.employeeid, g.horloguestid, c.active
FROM employeecard AS c
  CROSS JOIN horloaccesspoint AS p
  LEFT JOIN horloguest AS g ON g.employeecardid = c.employeecardid AND g.enddatetime IS NULL
WHERE p.allaccess = 'y'
ORDER BY c.employeecardid, p.horloaccesspointid;

-- Passages on work days from 49 to 22 days ago: an arrival between 07:30 and
-- 09:09 and a departure between 15:30 and 17:29, at either door; now and then
-- somebody is absent. Employees on leave (states 3 and 7) and those who left
-- do not come.
INSERT INTO employeeevent (comment, eventtime, employeeeventtypeid, employeeid, horloguestid, horloaccesspointid,
                           horloaccessticketid, cardcode, deviceindex, employeeeventrawid)
WITH RECURSIVE days (n) AS (SELECT 22 UNION ALL SELECT n + 1 FROM days WHERE n < 49),
  passes (kind) AS (SELECT 5 UNION ALL SELECT 10)
SELECT NULL,
       CAST(CURDATE() - INTERVAL d.n DAY AS DATETIME)
         + INTERVAL IF(k.kind = 5, 450 + (e.employeeid * 37 + d.n * 11) MOD 100,
                                   930 + (e.employeeid * 53 + d.n * 7) MOD 120) MINUTE
         + INTERVAL (e.employeeid * 13 + d.n) MOD 60 SECOND,
       k.kind, e.employeeid, NULL, t.horloaccesspointid, t.horloaccessticketid, c.cardcode, 0, NULL
FROM days AS d
  CROSS JOIN passes AS k
  JOIN employee AS e ON e.active = 'y' AND e.workingstateid NOT IN (3, 7)
  JOIN employeecard AS c ON c.employeeid = e.employeeid
  JOIN horloaccessticket AS t ON t.employeecardid = c.employeecardid
                             AND t.horloaccesspointid = 1 + (e.employeeid + d.n) MOD 2
WHERE DAYOFWEEK(CURDATE() - INTERVAL d.n DAY) NOT IN (1, 7)
  AND (e.employeeid * 7 + d.n) MOD 17 <> 0
ORDER BY 2;

-- The visits of the guests who hold a card now.
INSERT INTO employeeevent (comment, eventtime, employeeeventtypeid, employeeid, horloguestid, horloaccesspointid,
                           horloaccessticketid, cardcode, deviceindex, employeeeventrawid)
SELECT 'Sastanak', CAST(CURDATE() - INTERVAL 23 DAY AS DATETIME) + INTERVAL IF(k.kind = 5, 600 + g.horloguestid * 10, 720 + g.horloguestid * 25) MINUTE,
       k.kind, NULL, g.horloguestid, 1, t.horloaccessticketid, c.cardcode, 0, NULL
FROM horloguest AS g
  JOIN employeecard AS c ON c.employeecardid = g.employeecardid
  JOIN horloaccessticket AS t ON t.employeecardid = c.employeecardid AND t.horloaccesspointid = 1
  CROSS JOIN (SELECT 5 AS kind UNION ALL SELECT 10) AS k
WHERE g.enddatetime IS NULL;
