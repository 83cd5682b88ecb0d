-- One table space, every table: one output file per table, LOB files beside.
GLOBAL
  DB2 NO
  LOCK NO
  MAXTASK 2
;
UNLOAD TABLESPACE ADM.USERSPACE1
  OUTPUT("userspace1.del")
  LOBFILE("userspace1_lob")
  FORMAT DEL
;
