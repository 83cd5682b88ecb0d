/*
** catalogcli.h
**   Fixture of the catalogue-through-CLI tests: a DB2 stand-in instance with
**   database SAMPLE whose catalogue holds the system, temporary, regular and
**   long table spaces, tables with columns of every default rule, a view, an
**   alias, a table without table space and a table catalogued twice; and the
**   release of the record chains the CLI path builds (they are kept until
**   exit in the program, but a test must free them).  Header only.
*/
#ifndef ZAV_TESTS_CATALOG_CATALOGCLI_H
#define ZAV_TESTS_CATALOG_CATALOGCLI_H

#include "model/osysibm.h"
#include "io/db2util.h"
#include "model/parm.h"
#include "platform/db2admin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

/* The record chains of the CLI path, with their tables and columns, freed:
   the records are marked with their table ids so osysibmDestroy releases them. */
inline void catalogcliFreeColumns(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (auto *p = static_cast<osysibmSyscolumns *>(pchaine->pitemTop); p != nullptr;
       p = reinterpret_cast<osysibmSyscolumns *>(p->hdr.pnext)) {
    p->hdr.sTableId = OSYSIBM_SYSCOLUMNS;
    p->hdr.usChaineCount = 1;
  }
  ochaineDestroy(pchaine);
}

inline void catalogcliFreeTables(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (auto *p = static_cast<osysibmSystables *>(pchaine->pitemTop); p != nullptr;
       p = reinterpret_cast<osysibmSystables *>(p->hdr.pnext)) {
    catalogcliFreeColumns(p->apchaine[0]);
    p->apchaine[0] = nullptr;
    p->hdr.sTableId = OSYSIBM_SYSTABLES;
    p->hdr.usChaineCount = 5;
  }
  ochaineDestroy(pchaine);
}

inline void catalogcliFreeTablespaces(ochaine *pchaine)
{
  if (pchaine == nullptr) return;
  for (auto *p = static_cast<osysibmSystablespace *>(pchaine->pitemTop); p != nullptr;
       p = reinterpret_cast<osysibmSystablespace *>(p->hdr.pnext)) {
    catalogcliFreeTables(p->apchaine[1]);
    p->apchaine[1] = nullptr;
    p->hdr.sTableId = OSYSIBM_SYSTABLESPACE;
    p->hdr.usChaineCount = 2;
  }
  ochaineDestroy(pchaine);
}

/* The text of a string, "<null>" for none. */
inline std::string catalogcliText(const ochar *pchar)
{
  if (pchar == nullptr) return "<null>";
  if (pchar->pcData == nullptr) return "";
  return std::string(_charText(pchar), static_cast<size_t>(pchar->ilBU));
}

/* A copy of a table's catalogue row under another name, type and table space (NULL for none). */
inline std::string catalogcliCopyTableRow(const std::string &strFrom, const std::string &strName, char cType,
                                          const char *pcTablespace, int iTid)
{
  std::string strTs = pcTablespace != nullptr ? "'" + std::string(pcTablespace) + "'" : "NULL";
  return "CREATE TEMP TABLE x AS SELECT * FROM SYSIBM.SYSTABLES WHERE NAME = '" + strFrom +
         "'; UPDATE x SET NAME = '" + strName + "', TYPE = '" + std::string(1, cType) + "', TBSPACE = " + strTs +
         ", TID = " + std::to_string(iTid) + "; INSERT INTO SYSIBM.SYSTABLES SELECT * FROM x; DROP TABLE x;";
}

class CatalogCli : public ::testing::Test {
 protected:
  void SetUp() override
  {
    char acTemplate[] = "/tmp/zavsqlcatXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(acTemplate));
    strRoot = acTemplate;
    setenv("DB2INSTANCE", "zavinst", 1);
    setenv("ZAVDB2_INSTHOME", (strRoot + "/home").c_str(), 1);
    unsetenv("ZAVDB2_FAIL");
    unsetenv("ZAVDB2_CALLLOG");
    usMixedSaved = gccsidMixed;
    gccsidMixed = 819;
    std::string e;
    ASSERT_EQ(0, db2adminCreateInstance({}, &e)) << e;
    ASSERT_EQ(0, db2adminCreateDatabase("SAMPLE", strRoot + "/data", 819, 1, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "SYSCATSPACE", 0, 'S', 'A', 32, 4096, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "TEMPSPACE1", 1, 'S', 'T', 32, 4096, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "USERSPACE1", 2, 'D', 'A', 16, 8192, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "LONGSPACE", 3, 'D', 'L', 32, 4096, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTablespace("SAMPLE", "TS_EIGHTEEN_BYTES1", 4, 'S', 'A', 8, 4096, &e)) << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "T1", "USERSPACE1", "LONGSPACE", 4,
                                     {{"C5", "CHAR(5)", true, "'ab'", -1},
                                      {"INULL", "INTEGER", true, "", -1},
                                      {"INOTNULL", "INTEGER", false, "", -1},
                                      {"IDEF", "INTEGER", false, "42", -1},
                                      {"VNULL", "VARCHAR(10)", true, "", -1},
                                      {"VDEF", "VARCHAR(10)", false, "'x'", -1},
                                      {"C3NULL", "CHAR(3)", true, "", -1},
                                      {"C1LONG", "CHAR(1)", false, "'abcdef'", -1},
                                      {"DNULL", "DATE", true, "", -1},
                                      {"DDEF", "DATE", false, "'2004-01-01'", -1},
                                      {"TNULL", "TIME", true, "", -1},
                                      {"TSNULL", "TIMESTAMP", true, "", -1},
                                      {"GNULL", "GRAPHIC(2)", true, "", -1},
                                      {"GDEF", "GRAPHIC(4)", false, "G'ab'", -1},
                                      {"VGDEF", "VARGRAPHIC(4)", false, "G'ab'", -1},
                                      {"CLOBNULL", "CLOB(1K)", true, "", -1},
                                      {"FLT8", "DOUBLE", false, "", -1},
                                      {"FLT4", "REAL", false, "", -1}},
                                     &e))
        << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "T2", "USERSPACE1", "", 5, {{"ID", "INTEGER", false, "", -1}},
                                     &e))
        << e;
    ASSERT_EQ(0, db2adminCreateTable("SAMPLE", "TEST", "T3", "TS_EIGHTEEN_BYTES1", "", 6,
                                     {{"ID", "SMALLINT", true, "", -1}}, &e))
        << e;
    /* the catalogue writes FLOAT for both float sizes */
    ASSERT_EQ(0, db2adminExecute("SAMPLE",
                                 "UPDATE SYSIBM.SYSCOLUMNS SET COLTYPE = 'FLOAT   ' WHERE NAME IN ('FLT8', 'FLT4')", &e))
        << e;
    ASSERT_EQ(0, db2adminExecute("SAMPLE", catalogcliCopyTableRow("T2", "V1", 'V', nullptr, 2), &e)) << e;
    ASSERT_EQ(0, db2adminExecute("SAMPLE", catalogcliCopyTableRow("T2", "A1", 'A', "USERSPACE1", 2), &e)) << e;
    ASSERT_EQ(0, db2adminExecute("SAMPLE", catalogcliCopyTableRow("T2", "NOTS", 'T', nullptr, 99), &e)) << e;
    ASSERT_EQ(0, db2adminExecute("SAMPLE", catalogcliCopyTableRow("T2", "TWICE", 'T', "USERSPACE1", 99), &e)) << e;
    ASSERT_EQ(0, db2adminExecute("SAMPLE", catalogcliCopyTableRow("T2", "TWICE", 'V', "OTHERTS", 99), &e)) << e;
  }

  void TearDown() override
  {
    unsetenv("ZAVDB2_FAIL");
    db2utilDisconnect(&ghenv, &ghdbc);
    gccsidMixed = usMixedSaved;
    std::error_code ec;
    std::filesystem::remove_all(strRoot, ec);
  }

  void Connect() { ASSERT_EQ(0, db2utilReconnect("SAMPLE", nullptr, nullptr, &ghenv, &ghdbc)); }

  std::string strRoot;
  uint16_t usMixedSaved = 0;
};

#endif
