-- The sample job: tables of the sample database read straight from DB2's
-- own files (run in <build>/sample/out, see scripts/run-sample).
GLOBAL
  CONNECT TO SAMPLE
;
-- DMS: rows of a table space's containers, filtered by WHERE, into DEL;
-- the LOBs and long fields of DOCS (from its long table space) into LOB files.
UNLOAD TABLESPACE DMSDATA
  SELECT EMPNO, FIRSTNME, LASTNAME, WORKDEPT, HIREDATE, SALARY, BONUS
    FROM ZAVTEST.EMPLOYEE WHERE SALARY > 25000 ;
    OUTPUT("employee.del")
    FORMAT DEL
  SELECT * FROM ZAVTEST.DOCS ;
    OUTPUT("docs.del")
    LOBFILE("docs_lob")
    FORMAT DEL
;
-- SMS: a table's files in the container directories, into IXF.
UNLOAD TABLESPACE USERSPACE1
  SELECT * FROM ZAVTEST.DEPT ;
    OUTPUT("dept.ixf")
    FORMAT IXF
;
-- A table spread over both database partitions: one reader per partition.
UNLOAD TABLESPACE PARTSPACE PART(0, 1)
  SELECT * FROM ZAVTEST.EMPPART ;
    OUTPUT("emppart_0.del" FOR PARTS(0), "emppart_1.del" FOR PARTS(1))
    FORMAT DEL
;
-- A backup image of partition 0 instead of the containers.
UNLOAD TABLESPACE USERSPACE1
  DB2 NO
  BACKUP "../backup/SAMPLE.0.zavinst.NODE0000.CATN0000.20040101120000.001"
  SELECT * FROM ZAVTEST.NOTES ;
    OUTPUT("notes.del")
    LOBFILE("notes_lob")
    FORMAT DEL
;
