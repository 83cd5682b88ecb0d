/*
** zor3yacc_test.cpp
**   The control-file parser: control-file snippets mapped to the request
**   tree they build (printed as canonical text), erroneous inputs mapped to
**   their messages, positions, error levels and parse results, the SELECT
**   text handed to the SQL grammar, the sample control files, and a bounded
**   random-input loop.
*/
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/control/zor3test.h"

using namespace zor3test;

namespace {

class Zor3yacc : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(tokenInitKeyword(), 0); }
};

struct TreeCase {
  const char *pcName;
  const char *pcText;
  const char *pcTree;
};

/* Every statement kind and clause of the language, with the tree it builds. */
const TreeCase gaTreeCases[] = {
    {"global block and unnamed database",
     "GLOBAL DB2 NO LOCK NO QUIESCE YES QUIESCECAT NO MAXTASK 3 MAXRC 4 CONNECT TO sample\n"
     "  SIZELIMIT 2G FILEMAXSIZE 512k OPTIONS NULL 'a' 'b' LLS OFF;\n"
     "UNLOAD DATABASE;",
     "GLOBAL\n"
     "  DB2 NO\n"
     "  DBNAME 'SAMPLE'\n"
     "  FILEMAXSIZE (1,512)\n"
     "  LLS 0\n"
     "  LOCK NO\n"
     "  MAXRC 4\n"
     "  MAXTASK 3\n"
     "  NULL ('a','b')\n"
     "  QUIESCE YES\n"
     "  QUIESCECAT NO\n"
     "  SIZELIMIT (3,2)\n"
     "  TASKTYPE 5\n"
     "  DATABASE\n"},
    {"empty global block, named database with clauses",
     "GLOBAL ; UNLOAD DATABASE SAMPLE DB2 FORCE OUTPUT(\"o.del\") CCSID(UTF8);",
     "GLOBAL\n"
     "  TASKTYPE 5\n"
     "  DATABASE\n"
     "    CCSID (1208,1208,1208)\n"
     "    DB2 FORCE\n"
     "    DBNAME 'SAMPLE'\n"
     "    OUTPUT [\"o.del\" mode=5 parts={}/255]\n"},
    {"table-space block without SELECT, every block clause",
     "UNLOAD TABLESPACE \"Q1\".ts1 PART(2, 0)\n"
     "  QUIESCE NO QUIESCECAT YES LOCK YES MAXRC 12 DB2 YES THREADS 4 SKIP 10 MAXROWS 100\n"
     "  INTERVAL 3 BACKUP (\"/b/DB.0.i.NODE0000.CATN0000.20240101120000.001\", \"/b/x\")\n"
     "  OUTPUT(\"out.del\") SIZELIMIT 1k FILEMAXSIZE 10m LOB IN(\"/lobs\") LOBFILE(\"lob\")\n"
     "  CCSID(1208, 1200) OPTIONS DOUBLE DELIM ON NULLID YES\n"
     "  FORMAT DELIMITED DELIM '\"' SEP ';' NULL DELIM;",
     "GLOBAL\n"
     "  TASKTYPE 5\n"
     "  -\n"
     "    BACKUP [\"/b/DB.0.i.NODE0000.CATN0000.20240101120000.001\"/0, \"/b/x\"/0]\n"
     "    CCSID (1208,1208,1200)\n"
     "    DB2 YES\n"
     "    DELIM '\"'\n"
     "    DOUBLE_DELIM 1\n"
     "    FILEMAXSIZE (2,10)\n"
     "    FORMAT 1\n"
     "    INTERVAL 3\n"
     "    LOB [\"/lobs\" parts={}/255]\n"
     "    LOBFILE [\"lob\"]\n"
     "    LOCK YES\n"
     "    MAXRC 12\n"
     "    MAXROWS 100\n"
     "    NULLDELIM 1\n"
     "    NULLID YES\n"
     "    OUTPUT [\"out.del\" mode=5 parts={}/255]\n"
     "    PART {0,2}/255\n"
     "    QUIESCE NO\n"
     "    QUIESCECAT YES\n"
     "    SEP ';'\n"
     "    SIZELIMIT (1,1)\n"
     "    SKIP 10\n"
     "    THREADS 4\n"
     "    TSNAME 'TS1'\n"
     "    TSQUALIFIER 'Q1'\n"},
    {"blocks with SELECTs and every SELECT clause",
     "UNLOAD TABLESPACE TS1\n"
     "SELECT C1, C2 + 1 TOTAL FROM ADM.T1 WHERE C1 > 5 ORDER BY 2 DESC;\n"
     "  PART(1) MAXRC 8 SKIP 2 MAXROWS 50 INTERVAL 5 OUTPUT(\"t1.del\") SIZELIMIT 5M\n"
     "  FILEMAXSIZE 1G LOB IN(\"/l\" FOR PARTS(1)) UNICODE LOBFILE(\"a\", \"b\")\n"
     "  OPTIONS LENGTH MAX FORMAT IXF\n"
     "SELECT * FROM T2; ASIS\n"
     ";\n"
     "UNLOAD TABLESPACE TS2 SELECT * FROM T3; ASCII OPTIONS TIMEDELIM ':' NULLPOS BEFORE\n"
     "  LENGTHBYTE NO DOUBLE DELIM OFF NULL OFF DATE DATE_P TIME TIME_A TIMESTAMP TIMESTAMP_A\n"
     "  PIC('P', TRAIL, ',', '00.0') FORMAT DEL;",
     "GLOBAL\n"
     "  TASKTYPE 5\n"
     "  -\n"
     "    TSNAME 'TS1'\n"
     "    SELECT\n"
     "      FILEMAXSIZE (3,1)\n"
     "      FORMAT 11\n"
     "      INTERVAL 5\n"
     "      LENGTH MAX\n"
     "      LOB [\"/l\" parts={1}/2]\n"
     "      LOBFILE [\"a\", \"b\"]\n"
     "      MAXRC 8\n"
     "      MAXROWS 50\n"
     "      ORDER [2]\n"
     "      OUTPUT [\"t1.del\" mode=5 parts={}/255]\n"
     "      PART {1}/255\n"
     "      SCHEME UNICODE\n"
     "      SELECT [C1,TOTAL]\n"
     "      SELECTSQL 'SELECT C1, C2 + 1 TOTAL FROM ADM.T1 WHERE C1 > 5 ORDER BY 2 DESC '\n"
     "      SIZELIMIT (2,5)\n"
     "      SKIP 2\n"
     "      TBNAME 'T1'\n"
     "      TBQUALIFIER 'ADM'\n"
     "      WHERE <tree>\n"
     "    SELECT\n"
     "      SCHEME ASIS\n"
     "      SELECT [*]\n"
     "      SELECTSQL 'SELECT * FROM T2 '\n"
     "      TBNAME 'T2'\n"
     "  -\n"
     "    TSNAME 'TS2'\n"
     "    SELECT\n"
     "      DATE (10,P)\n"
     "      DOUBLE_DELIM 0\n"
     "      FORMAT 13\n"
     "      LENGTHBYTE NO\n"
     "      NULL OFF\n"
     "      NULLPOS BEFORE\n"
     "      PIC 0x421\n"
     "      SCHEME ASCII\n"
     "      SELECT [*]\n"
     "      SELECTSQL 'SELECT * FROM T3 '\n"
     "      TBNAME 'T3'\n"
     "      TIME (11,A)\n"
     "      TIMEDELIM ':'\n"
     "      TIMESTAMP (12,A)\n"},
    {"FORMAT USER COL entries, every option and type",
     "UNLOAD TABLESPACE TS SELECT C1, C2, C3 FROM T; FORMAT USER (\n"
     "  COL 1 TYPE INTEGER PADDING ' ' DELIM '\"' LENGTHBYTE YES LENGTH REAL NULLID NO\n"
     "    NULLPOS AFTER JUST LEFT PIC('-', LEAD, '.', '0.0') NULL 'N' 'Y' CCSID 850,\n"
     "  COL \"c2\" TYPE SMALLINT JUST RIGHT, COL C3 TYPE DECIMAL(7), COL C4 TYPE DECIMAL,\n"
     "  COL C5 TYPE FLOAT(24), COL C6 TYPE FLOAT, COL C7 TYPE VARCHAR(255),\n"
     "  COL C8 TYPE GRAPHIC(127), COL C9 TYPE VARGRAPHIC(1), COL C10 TYPE DATE_K,\n"
     "  COL C11 TYPE DATE, COL C12 TYPE TIME_C, COL C13 TYPE TIMESTAMP_F,\n"
     "  COL C14 TYPE DECIMAL(31, 31), COL C15 TYPE CHAR(1), COL 5000 CCSID UTF16);",
     "GLOBAL\n"
     "  TASKTYPE 5\n"
     "  -\n"
     "    TSNAME 'TS'\n"
     "    SELECT\n"
     "      FORMAT 5\n"
     "      SELECT [C1,C2,C3]\n"
     "      SELECTSQL 'SELECT C1, C2, C3 FROM T '\n"
     "      TBNAME 'T'\n"
     "      -\n"
     "        CCSID 850\n"
     "        COL 1\n"
     "        COLTYPE (2,0)\n"
     "        DELIM '\"'\n"
     "        JUST LEFT\n"
     "        LENGTH REAL\n"
     "        LENGTHBYTE YES\n"
     "        NULL ('N','Y')\n"
     "        NULLID NO\n"
     "        NULLPOS AFTER\n"
     "        PADDING ' '\n"
     "        PIC 0xA112\n"
     "      -\n"
     "        COL 'c2'\n"
     "        COLTYPE (1,0)\n"
     "        JUST RIGHT\n"
     "      -\n"
     "        COL 'C3'\n"
     "        COLTYPE (3,1792)\n"
     "      -\n"
     "        COL 'C4'\n"
     "        COLTYPE (3,1280)\n"
     "      -\n"
     "        COL 'C5'\n"
     "        COLTYPE (5,24)\n"
     "      -\n"
     "        COL 'C6'\n"
     "        COLTYPE (5,53)\n"
     "      -\n"
     "        COL 'C7'\n"
     "        COLTYPE (8,255)\n"
     "      -\n"
     "        COL 'C8'\n"
     "        COLTYPE (13,127)\n"
     "      -\n"
     "        COL 'C9'\n"
     "        COLTYPE (14,1)\n"
     "      -\n"
     "        COL 'C10'\n"
     "        COLTYPE (10,K)\n"
     "      -\n"
     "        COL 'C11'\n"
     "        COLTYPE (10,0)\n"
     "      -\n"
     "        COL 'C12'\n"
     "        COLTYPE (11,C)\n"
     "      -\n"
     "        COL 'C13'\n"
     "        COLTYPE (12,F)\n"
     "      -\n"
     "        COL 'C14'\n"
     "        COLTYPE (3,7967)\n"
     "      -\n"
     "        COL 'C15'\n"
     "        COLTYPE (7,1)\n"
     "      -\n"
     "        CCSID 1200\n"
     "        COL 5000\n"},
    {"FORMAT USER without COL entries",
     "UNLOAD TABLESPACE TS SELECT * FROM T; FORMAT USER;",
     "GLOBAL\n"
     "  TASKTYPE 5\n"
     "  -\n"
     "    TSNAME 'TS'\n"
     "    SELECT\n"
     "      FORMAT 5\n"
     "      SELECT [*]\n"
     "      SELECTSQL 'SELECT * FROM T '\n"
     "      TBNAME 'T'\n"},
    {"output files: modes, hosts and partition sets",
     "UNLOAD TABLESPACE TS OUTPUT(\"a\" APPEND FOR PARTS(1,3), ON REMOTE HOST \"b\",\n"
     "  ON \"h1\" HOST \"c\" REPLACE, ON CURRENT HOST \"d\" FOR PARTS(0)) OUTPUT();",
     "GLOBAL\n"
     "  TASKTYPE 5\n"
     "  -\n"
     "    OUTPUT [\"a\" mode=6 parts={1,3}/4, \"b\" mode=9 parts={}/255, \"c\" mode=17 host=h1 "
     "parts={}/255, \"d\" mode=5 parts={0}/1]\n"
     "    TSNAME 'TS'\n"},
    {"an empty OUTPUT () stores nothing",
     "UNLOAD TABLESPACE TS PART(ALL) OUTPUT() BACKUP \"b1\", \"b2\";",
     "GLOBAL\n"
     "  TASKTYPE 5\n"
     "  -\n"
     "    BACKUP [\"b1\"/0, \"b2\"/0]\n"
     "    PART {}/255\n"
     "    TSNAME 'TS'\n"},
    {"vocabulary of each lexer context: GLOBAL-only words, names equal to keywords",
     "GLOBAL CONNECT TO \"Select\" ;\n"
     "UNLOAD TABLESPACE Global OUTPUT(\"x\");\n"
     "unload tablespace \"TableSpace\" output(\"y\");",
     "GLOBAL\n"
     "  DBNAME 'Select'\n"
     "  TASKTYPE 5\n"
     "  -\n"
     "    OUTPUT [\"x\" mode=5 parts={}/255]\n"
     "    TSNAME 'GLOBAL'\n"
     "  -\n"
     "    OUTPUT [\"y\" mode=5 parts={}/255]\n"
     "    TSNAME 'TableSpace'\n"},
};

TEST_F(Zor3yacc, SnippetsBuildTheirTrees)
{
  for (const auto &c : gaTreeCases) {
    SCOPED_TRACE(c.pcName);
    Parse parse(c.pcText);
    EXPECT_EQ(parse.iResult, 0);
    EXPECT_EQ(parse.iLevel, 0);
    EXPECT_EQ(parse.AllMessages(), "");
    EXPECT_EQ(parse.strTree, c.pcTree);
  }
}

/* COL entries only belong to a SELECT: written at block level
** they are never taken for SELECT tasks, and the request is refused, since
** they would not be used. */
TEST_F(Zor3yacc, BlockLevelColumnSpecificationsAreRefused)
{
  struct {
    const char *pcWhat;
    const char *pcText;
    const char *pcMessages;
  } aCases[] = {
      {"block without SELECT", "UNLOAD TABLESPACE A FORMAT USER(COL 1 TYPE INTEGER) OUTPUT(\"a\");",
       "ZORU010I ITEM STARTING AT (1,21) ENDING AT(1,64)\n"
       "ZORU465E FORMAT USER COLUMN SPECIFICATIONS ARE TAKEN ONLY AFTER A SELECT\n"},
      {"block with a SELECT", "UNLOAD TABLESPACE B FORMAT USER(COL 1 TYPE INTEGER) SELECT * FROM T; MAXROWS 1;",
       "ZORU010I ITEM STARTING AT (1,21) ENDING AT(1,52)\n"
       "ZORU465E FORMAT USER COLUMN SPECIFICATIONS ARE TAKEN ONLY AFTER A SELECT\n"},
      {"database", "UNLOAD DATABASE D FORMAT USER(COL 1 TYPE INTEGER);",
       "ZORU010I ITEM STARTING AT (1,19) ENDING AT(1,50)\n"
       "ZORU465E FORMAT USER COLUMN SPECIFICATIONS ARE TAKEN ONLY AFTER A SELECT\n"},
  };
  for (auto &c : aCases) {
    SCOPED_TRACE(c.pcWhat);
    Parse parse(c.pcText);
    EXPECT_FALSE(parse.Runnable());
    EXPECT_EQ(parse.AllMessages(), c.pcMessages);
  }
  /* FORMAT USER without COL entries stays a block's format */
  Parse parse("UNLOAD TABLESPACE A FORMAT USER OUTPUT(\"a\");");
  EXPECT_TRUE(parse.Runnable()) << parse.AllMessages();
}

struct ErrorCase {
  const char *pcName;
  const char *pcText;
  int iResult;
  int32_t iLevel;
  const char *pcMessages;
};

/* Erroneous inputs: messages with their positions, level and result. */
const ErrorCase gaErrorCases[] = {
    {"empty file", "", 1, 16,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,1)\n"
     "ZORU022E INVALID LEXEME.\n"
     "ZORU027I FOUND THE END OF THE FILE AT (1,1); EXPECTED GLOBAL OR UNLOAD\n"},
    {"text that begins with neither GLOBAL nor UNLOAD", "SELECT * FROM T;", 1, 16,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,7)\n"
     "ZORU022E INVALID LEXEME.\n"
     "ZORU027I FOUND SELECT (NO KEYWORD HERE) AT (1,1); EXPECTED GLOBAL OR UNLOAD\n"},
    {"GLOBAL block not ended by ';': its clauses are lost, the rest is parsed",
     "GLOBAL DB2 NO\nUNLOAD TABLESPACE TS OUTPUT(\"x\");", 0, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(2,7)\n"
     "ZORU015E GLOBAL STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND UNLOAD AT (2,1); EXPECTED CONNECT, DB2, FILEMAXSIZE, LOCK, MAXRC, MAXTASK, OPTIONS, QUIESCE, QUIESCECAT, "
     "SIZELIMIT OR A SEMICOLON\n"},
    {"a word that is no GLOBAL keyword", "GLOBAL FOO ;", 1, 16,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,11)\n"
     "ZORU015E GLOBAL STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND FOO (NO KEYWORD HERE) AT (1,8); EXPECTED CONNECT, DB2, FILEMAXSIZE, LOCK, MAXRC, MAXTASK, OPTIONS, QUIESCE, QUIESCECAT, "
     "SIZELIMIT OR A SEMICOLON\n"
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,11)\n"
     "ZORU022E INVALID LEXEME.\n"},
    {"DB2 value", "GLOBAL DB2 MAYBE LOCK NO ; UNLOAD DATABASE;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD DB2, VALID LEXEMES ARE\n         YES,NO,FORCE\n"},
    {"LOCK value", "GLOBAL LOCK 1; UNLOAD DATABASE;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,14)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD LOCK, VALID LEXEMES ARE\n         YES,NO\n"},
    {"QUIESCE value", "UNLOAD DATABASE QUIESCE X;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,26)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD QUIESCE, VALID LEXEMES ARE\n         YES,NO\n"},
    {"QUIESCECAT value", "UNLOAD DATABASE QUIESCECAT 'Y';", 0, 8,
     "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,31)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD QUIESCECAT, VALID LEXEMES ARE\n         YES,NO\n"},
    {"MAXTASK value", "GLOBAL MAXTASK X; UNLOAD DATABASE;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,8) ENDING AT(1,17)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD MAXTASK, VALID LEXEMES ARE\n         integer\n"},
    {"MAXRC value", "UNLOAD DATABASE MAXRC 4K;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,25)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD MAXRC, VALID LEXEMES ARE\n         integer\n"},
    {"NULL value", "UNLOAD DATABASE OPTIONS NULL ON;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,32)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD NULL, VALID LEXEMES ARE\n         char char, OFF\n"},
    {"DATE value", "UNLOAD DATABASE OPTIONS DATE DATE_Q;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,36)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD DATE, VALID LEXEMES ARE\n"
     "         DATE_X WHERE X IS BETWEEN A AND P\n"},
    {"TIME value", "UNLOAD DATABASE OPTIONS TIME TIME_F;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,36)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD TIME, VALID LEXEMES ARE\n"
     "         TIME_X WHERE X IS BETWEEN A AND E\n"},
    {"TIMESTAMP value", "UNLOAD DATABASE OPTIONS TIMESTAMP DATE_A;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,41)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD TIMESTAMP, VALID LEXEMES ARE\n"
     "         TIMESTAMP_X WHERE X IS BETWEEN A AND F\n"},
    {"DATEDELIM value", "UNLOAD DATABASE OPTIONS DATEDELIM \"/\";", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,38)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD DATEDELIM, VALID LEXEMES ARE\n         char\n"},
    {"TIMEDELIM value", "UNLOAD DATABASE OPTIONS TIMEDELIM 1;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,36)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD TIMEDELIM, VALID LEXEMES ARE\n         char\n"},
    {"LLS value", "UNLOAD DATABASE OPTIONS LLS YES;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,32)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD LLS, VALID LEXEMES ARE\n         ON, OFF\n"},
    {"DOUBLE without DELIM", "UNLOAD DATABASE OPTIONS DOUBLE ON;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,34)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD DOUBLE, VALID LEXEMES ARE\n         DELIM\n"},
    {"DOUBLE DELIM value", "UNLOAD DATABASE OPTIONS DOUBLE DELIM YES;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,37)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD DOUBLE DELIM, VALID LEXEMES ARE\n         ON, OFF\n"},
    {"LENGTHBYTE value", "UNLOAD DATABASE OPTIONS LENGTHBYTE ON;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,38)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD LENGTHBYTE, VALID LEXEMES ARE\n         YES, NO\n"},
    {"NULLID value", "UNLOAD DATABASE OPTIONS NULLID ON;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,34)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD NULLID, VALID LEXEMES ARE\n         YES, NO\n"},
    {"LENGTH value", "UNLOAD DATABASE OPTIONS LENGTH 12;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,34)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD LENGTH, VALID LEXEMES ARE\n         REAL, MAX\n"},
    {"NULLPOS value", "UNLOAD DATABASE OPTIONS NULLPOS LEFT;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,37)\n"
     "ZORU014E INVALID LEXEME AFTER KEYWORD NULLPOS, VALID LEXEMES ARE\n         BEFORE, AFTER\n"},
    {"a size without its unit", "UNLOAD TABLESPACE TS SIZELIMIT 1000 ;", 1, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,21)\n"
     "ZORU016E UNLOAD  STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND 1000 (A NUMBER) AT (1,32); EXPECTED A SIZE WITH ITS UNIT (K, M OR G, AS IN 10M)\n"},
    {"a clause the header does not take", "UNLOAD TABLESPACE TS X ;", 1, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,21)\n"
     "ZORU016E UNLOAD  STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND X (NO KEYWORD HERE) AT (1,22); EXPECTED ASCII, ASIS, BACKUP, CCSID, DB2, FILEMAXSIZE, "
     "FORMAT, INTERVAL, LOB, LOBFILE, LOCK, MAXRC, MAXROWS, OPTIONS, OUTPUT, PART, QUIESCE, QUIESCECAT, "
     "SELECT, SIZELIMIT, SKIP, THREADS, UNICODE, A DOT OR A SEMICOLON\n"},
    {"file name in apostrophes", "UNLOAD TABLESPACE TS OUTPUT('x.del') ;", 1, 16,
     "ZORU010I ITEM STARTING AT (1,22) ENDING AT(1,28)\n"
     "ZORU016E OUTPUT STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND 'x.del' (A STRING IN APOSTROPHES) AT (1,29); "
     "EXPECTED A NAME IN DOUBLE QUOTES, ON OR A CLOSING PARENTHESIS\n"},
    {"UNLOAD block not ended before the next one",
     "UNLOAD TABLESPACE A OUTPUT(\"a\")\nUNLOAD TABLESPACE B OUTPUT(\"b\");", 1, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,32)\n"
     "ZORU015E UNLOAD  STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND UNLOAD AT (2,1); EXPECTED A SEMICOLON\n"},
    {"UNLOAD block with SELECTs not ended at the end of the text",
     "UNLOAD TABLESPACE A SELECT * FROM T; ASIS", 1, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,42)\n"
     "ZORU015E UNLOAD  STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND THE END OF THE FILE AT (1,42); EXPECTED ASCII, ASIS, CCSID, FILEMAXSIZE, FORMAT, "
     "INTERVAL, LOB, LOBFILE, MAXRC, MAXROWS, OPTIONS, OUTPUT, SELECT, SIZELIMIT, SKIP, UNICODE "
     "OR A SEMICOLON\n"},
    {"UNLOAD DATABASE mixed with table-space blocks",
     "UNLOAD TABLESPACE A OUTPUT(\"a\"); UNLOAD DATABASE D;", 1, 16,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,49)\n"
     "ZORU022E INVALID LEXEME.\n"
     "ZORU027I FOUND DATABASE AT (1,41); EXPECTED TABLESPACE\n"},
    {"lexemes after a complete request", "UNLOAD TABLESPACE A OUTPUT(\"a\"); X", 1, 16,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,35)\n"
     "ZORU022E INVALID LEXEME.\n"
     "ZORU027I FOUND X (NO KEYWORD HERE) AT (1,34); EXPECTED UNLOAD OR THE END OF THE FILE\n"},
    {"no option after the SQL text", "UNLOAD TABLESPACE TS SELECT * FROM T ; ;", 1, 0,
     "ZORU010I ITEM STARTING AT (1,40) ENDING AT(1,41)\n"
     "ZORU016E SELECT BLOCK STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND ; AT (1,40); EXPECTED ASCII, ASIS, CCSID, FILEMAXSIZE, FORMAT, INTERVAL, LOB, "
     "LOBFILE, MAXRC, MAXROWS, OPTIONS, OUTPUT, PART, SIZELIMIT, SKIP OR UNICODE\n"},
    {"SQL text running to the end of the file: said at the SELECT", "UNLOAD TABLESPACE TS SELECT * FROM T", 1, 8,
     "ZORU010I ITEM STARTING AT (1,22) ENDING AT(1,37)\n"
     "ZORU015E SELECT STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND THE END OF THE FILE AT (1,37); EXPECTED A SEMICOLON\n"},
    {"SQL text without its ';' swallowing its options up to the block's",
     "UNLOAD TABLESPACE TS\n SELECT * FROM T\n  OUTPUT(\"x\") FORMAT DEL\n;", 1, 8,
     "ZORU010I ITEM STARTING AT (2,2) ENDING AT(4,2)\n"
     "ZORU015E SELECT STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND OUTPUT AT (3,3); EXPECTED A SEMICOLON\n"},
    {"SQL text without its ';' swallowing its options up to the end of the file",
     "UNLOAD TABLESPACE TS\n SELECT * FROM T\n  FORMAT DEL\n", 1, 8,
     "ZORU010I ITEM STARTING AT (2,2) ENDING AT(3,14)\n"
     "ZORU015E SELECT STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND FORMAT AT (3,3); EXPECTED A SEMICOLON\n"},
    {"a comment that does not begin in column 1", "  -- the sample\nUNLOAD TABLESPACE TS SELECT * FROM T; OUTPUT(\"x\");",
     1, 16,
     "ZORU010I ITEM STARTING AT (1,3) ENDING AT(1,4)\n"
     "ZORU022E INVALID LEXEME.\n"
     "ZORU027I FOUND -- (A COMMENT BEGINS WITH -- IN COLUMN 1 ONLY) AT (1,3); EXPECTED GLOBAL OR UNLOAD\n"},
    {"a comment after the SQL text's ';'", "UNLOAD TABLESPACE TS SELECT * FROM T; -- all\n OUTPUT(\"x\");", 1, 0,
     "ZORU010I ITEM STARTING AT (1,39) ENDING AT(1,40)\n"
     "ZORU016E SELECT BLOCK STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND -- (A COMMENT BEGINS WITH -- IN COLUMN 1 ONLY) AT (1,39); EXPECTED ASCII, ASIS, CCSID, "
     "FILEMAXSIZE, FORMAT, INTERVAL, LOB, LOBFILE, MAXRC, MAXROWS, OPTIONS, OUTPUT, PART, SIZELIMIT, SKIP OR "
     "UNICODE\n"},
    {"OUTPUT list left open up to the end of the file",
     "UNLOAD TABLESPACE TS SELECT * FROM T; OUTPUT(\"x\" ;", 1, 0,
     "ZORU010I ITEM STARTING AT (1,50) ENDING AT(1,51)\n"
     "ZORU027I FOUND ; AT (1,50); EXPECTED APPEND, FOR, REPLACE, A COMMA OR A CLOSING PARENTHESIS\n"},
    {"a word that begins no clause of a SELECT, right after its SQL text",
     "UNLOAD TABLESPACE TS SELECT * FROM T; 'x' ;", 1, 0,
     "ZORU010I ITEM STARTING AT (1,39) ENDING AT(1,42)\n"
     "ZORU016E SELECT BLOCK STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND 'x' (A STRING IN APOSTROPHES) AT (1,39); EXPECTED ASCII, ASIS, CCSID, FILEMAXSIZE, FORMAT, INTERVAL, LOB, LOBFILE, MAXRC, "
     "MAXROWS, OPTIONS, OUTPUT, PART, SIZELIMIT, SKIP OR UNICODE\n"},
    {"a misspelt clause among the clauses of a SELECT",
     "UNLOAD TABLESPACE TS\n SELECT * FROM T;\n  OUTPUT(\"x\") FORMT DEL\n;", 1, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(3,14)\n"
     "ZORU015E UNLOAD  STATEMENT MUST BE TERMINATED BY A SEMI-COLON\n"
     "ZORU027I FOUND FORMT (NO KEYWORD HERE) AT (3,15); EXPECTED ASCII, ASIS, CCSID, FILEMAXSIZE, FORMAT, INTERVAL, LOB, LOBFILE, MAXRC, "
     "MAXROWS, OPTIONS, OUTPUT, SELECT, SIZELIMIT, SKIP, UNICODE OR A SEMICOLON\n"},
    {"a backup file name in apostrophes", "UNLOAD TABLESPACE TS BACKUP 'b' ;", 1, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,21)\n"
     "ZORU016E UNLOAD  STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND 'b' (A STRING IN APOSTROPHES) AT (1,29); "
     "EXPECTED A NAME IN DOUBLE QUOTES OR AN OPENING PARENTHESIS\n"},
    {"partition clause", "UNLOAD TABLESPACE TS PART(A) ;", 1, 8,
     "ZORU010I ITEM STARTING AT (1,22) ENDING AT(1,26)\n"
     "ZORU016E PART STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND A (NO KEYWORD HERE) AT (1,27); EXPECTED A NUMBER OR ALL\n"},
    {"OPTIONS followed by no option", "UNLOAD DATABASE OPTIONS FORMAT IXF;", 1, 8,
     "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,31)\n"
     "ZORU016E OPTIONS STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND FORMAT AT (1,25); EXPECTED DATE, DATEDELIM, DOUBLE, LENGTH, LENGTHBYTE, LLS, NULL, "
     "NULLID, NULLPOS, PIC, TIME, TIMEDELIM OR TIMESTAMP\n"},
    {"CCSID clause", "UNLOAD DATABASE CCSID(X);", 1, 8,
     "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,25)\n"
     "ZORU016E CCSID STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND X (NO KEYWORD HERE) AT (1,23); "
     "EXPECTED A NUMBER, UTF16, UTF8, A COMMA OR A CLOSING PARENTHESIS\n"},
    {"PIC without its third comma", "UNLOAD DATABASE OPTIONS PIC('-', LEAD, '.') LLS ON;", 0, 8,
     "ZORU010I ITEM STARTING AT (1,25) ENDING AT(1,44)\n"
     "ZORU023E INVALID PIC SPECIFICATION.\n"
     "ZORU027I FOUND ) AT (1,43); EXPECTED A COMMA\n"},
    {"COL 0 and COL 5001",
     "UNLOAD TABLESPACE TS SELECT * FROM T; FORMAT USER(COL 0 JUST LEFT, COL 5001 JUST LEFT);",
     0, 8,
     "ZORU010I ITEM STARTING AT (1,55) ENDING AT(1,56)\n"
     "ZORU035E OUT OF RANGE  > 0 \n"
     "ZORU010I ITEM STARTING AT (1,72) ENDING AT(1,76)\n"
     "ZORU035E OUT OF RANGE  > 0 \n"},
    {"type sizes out of range",
     "UNLOAD TABLESPACE TS SELECT * FROM T; FORMAT USER(COL 1 TYPE FLOAT(60),\n"
     "COL 2 TYPE DECIMAL(40, 2), COL 3 TYPE DECIMAL(5, 6), COL 4 TYPE CHAR(300),\n"
     "COL 5 TYPE VARGRAPHIC(0), COL 6 TYPE DECIMAL(0));",
     0, 8,
     "ZORU010I ITEM STARTING AT (1,68) ENDING AT(1,70)\n"
     "ZORU035E OUT OF RANGE  (1-53)\n"
     "ZORU010I ITEM STARTING AT (2,20) ENDING AT(2,22)\n"
     "ZORU035E OUT OF RANGE  (1-31)\n"
     "ZORU010I ITEM STARTING AT (2,50) ENDING AT(2,51)\n"
     "ZORU035E OUT OF RANGE  (0-5)\n"
     "ZORU010I ITEM STARTING AT (2,70) ENDING AT(2,73)\n"
     "ZORU035E OUT OF RANGE  (1-255)\n"
     "ZORU010I ITEM STARTING AT (3,23) ENDING AT(3,24)\n"
     "ZORU035E OUT OF RANGE  (1-127)\n"
     "ZORU010I ITEM STARTING AT (3,46) ENDING AT(3,47)\n"
     "ZORU035E OUT OF RANGE  (1-31)\n"},
    {"partition numbers beyond 999",
     "UNLOAD TABLESPACE TS PART(1, 1000) OUTPUT(\"a\" FOR PARTS(5000));", 0, 8,
     "ZORU010I ITEM STARTING AT (1,30) ENDING AT(1,34)\n"
     "ZORU035E OUT OF RANGE  (0-999)\n"
     "ZORU010I ITEM STARTING AT (1,57) ENDING AT(1,61)\n"
     "ZORU035E OUT OF RANGE  (0-999)\n"},
    {"a signed partition number", "UNLOAD TABLESPACE TS LOB IN(\"/d\" FOR PARTS(-1));", 1, 8,
     "ZORU010I ITEM STARTING AT (1,1) ENDING AT(1,21)\n"
     "ZORU016E UNLOAD  STATEMENT SYNTAX IS INVALID\n"
     "ZORU027I FOUND - AT (1,44); EXPECTED A NUMBER\n"},
};

TEST_F(Zor3yacc, ErrorsGiveTheirMessagesLevelAndResult)
{
  for (const auto &c : gaErrorCases) {
    SCOPED_TRACE(c.pcName);
    Parse parse(c.pcText);
    EXPECT_EQ(parse.iResult, c.iResult);
    EXPECT_EQ(parse.iLevel, c.iLevel);
    EXPECT_EQ(parse.AllMessages(), c.pcMessages);
    /* Whatever the parser recovered from, such a request never runs. */
    EXPECT_FALSE(parse.Runnable());
    /* An abandoned parse hands out no tree. */
    if (c.iResult != 0) {
      EXPECT_EQ(parse.ptask, nullptr);
    }
  }
}

/* After a keyword error the offending lexeme and the clause are dropped,
** and the block goes on. */
TEST_F(Zor3yacc, KeywordErrorDropsOnlyTheClause)
{
  Parse parse("GLOBAL DB2 MAYBE LOCK NO ; UNLOAD DATABASE OPTIONS NULLPOS LEFT LLS ON;");
  EXPECT_EQ(parse.iResult, 0);
  EXPECT_EQ(parse.iLevel, 8);
  EXPECT_EQ(parse.strTree,
            "GLOBAL\n"
            "  LOCK NO\n"
            "  TASKTYPE 5\n"
            "  DATABASE\n"
            "    LLS 1\n");
}

/* The first occurrence of a keyword in a block wins; the duplicate is
** reported and does not make the request unusable. */
TEST_F(Zor3yacc, DuplicateKeywordKeepsTheFirst)
{
  Parse parse("GLOBAL LOCK YES LOCK NO; UNLOAD DATABASE;");
  EXPECT_TRUE(parse.Runnable());
  EXPECT_EQ(parse.AllMessages(),
            "ZORU010I ITEM STARTING AT (1,17) ENDING AT(1,24)\n"
            "ZORU031E DUPLICATE KEYWORD OR STATEMENT LOCK\n");
  EXPECT_EQ(parse.strTree,
            "GLOBAL\n"
            "  LOCK YES\n"
            "  TASKTYPE 5\n"
            "  DATABASE\n");
}

struct ValueCase {
  const char *pcClause;
  const char *pcAtom;   /* printed atom, or "" when the clause stores nothing */
};

/* PIC flags: sign, position, point and mask; an omitted or unknown mask
** takes the default mask "*.*" instead of setting every flag. */
TEST_F(Zor3yacc, PicFlags)
{
  const ValueCase aCases[] = {
      {"PIC('-', LEAD, '.', '*.*')", "PIC 0xC112"},
      {"PIC('+', TRAIL, ',', '*.0')", "PIC 0x8221"},
      {"PIC('P', LEAD, ',', '0.*')", "PIC 0xE411"},
      {"PIC('-', TRAIL, '.', '00.*')", "PIC 0x4122"},
      {"PIC('-', LEAD, '.', '0.0')", "PIC 0xA112"},
      {"PIC('-', LEAD, '.', '00.0')", "PIC 0x112"},
      {"PIC('-', LEAD, '.', )", "PIC 0xC112"},
      {"PIC('+', TRAIL, ',', )", "PIC 0xC221"},
      {"PIC('-', LEAD, '.', '*.**')", "PIC 0xC112"},
      {"PIC('-', LEAD, '.', '')", "PIC 0xC112"},
      {"PIC('X', LEAD, '.', '*.*')", ""},
      {"PIC('-', LEAD, ';', '*.*')", ""},
      {"PIC('', LEAD, '.', '*.*')", ""},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcClause);
    Parse parse(std::string("UNLOAD DATABASE OPTIONS ") + c.pcClause + ";");
    EXPECT_TRUE(parse.Runnable());
    EXPECT_EQ(parse.AllMessages(), "");
    std::string strExpected = "GLOBAL\n  TASKTYPE 5\n  DATABASE\n";
    if (*c.pcAtom) strExpected += std::string("    ") + c.pcAtom + "\n";
    EXPECT_EQ(parse.strTree, strExpected);
  }
}

TEST_F(Zor3yacc, PicMaskCodes)
{
  const std::pair<const char *, int> aCases[] = {
      {"*.*", 0xC000}, {"*.0", 0x8000}, {"0.*", 0xE000}, {"00.*", 0x4000},
      {"0.0", 0xA000}, {"00.0", 0},     {"*.* ", 0xFFFFF}, {"", 0xFFFFF}, {"0", 0xFFFFF},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.first);
    ochar *pchar = ocharCreate(0, 850);
    ocharAppendFixed(pchar, c.first, (int32_t)std::strlen(c.first));
    EXPECT_EQ(_zor3yyudbGetPicMask(nullptr, pchar), c.second);
    /* The string now carries its zero byte. */
    EXPECT_EQ(_charText(pchar)[pchar->ilBU], '\0');
    ocharDestroy(pchar);
  }
  EXPECT_EQ(_zor3yyudbGetPicMask(nullptr, nullptr), 0xFFFFF);
}

/* CCSID triples of SELECT and block level clauses. */
TEST_F(Zor3yacc, CcsidTriples)
{
  const ValueCase aCases[] = {
      {"CCSID(UTF8)", "CCSID (1208,1208,1208)"},
      {"CCSID(UTF16)", "CCSID (1200,1200,1200)"},
      {"CCSID(819, 1200)", "CCSID (819,819,1200)"},
      {"CCSID()", "CCSID (0,0,1200)"},
      {"CCSID(, 1208)", "CCSID (0,0,1208)"},
      {"CCSID(943)", "CCSID (897,943,943)"},
      {"CCSID(943, 850)", "CCSID (897,943,850)"},
      {"CCSID(850)", "CCSID (850,850,850)"},
      {"CCSID(5050)", "CCSID (5050,5050,1200)"},
      {"CCSID(941)", "CCSID (943,943,1200)"},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcClause);
    Parse parse(std::string("UNLOAD TABLESPACE TS SELECT * FROM T; ") + c.pcClause + ";");
    EXPECT_TRUE(parse.Runnable());
    EXPECT_NE(parse.strTree.find(std::string("      ") + c.pcAtom + "\n"), std::string::npos)
        << parse.strTree;
  }
}

/* Partition sets: table-space and SELECT sets hold 255 bits at least and
** every number written from 0 to 999; FOR PARTS sets hold the largest
** number written plus one; without FOR PARTS an entry holds all partitions. */
TEST_F(Zor3yacc, PartitionSets)
{
  const ValueCase aCases[] = {
      {"PART(0, 254)", "PART {0,254}/255"},
      {"PART(255, 300, 0)", "PART {0,255,300}/301"},
      {"PART(999)", "PART {999}/1000"},
      {"PART(ALL)", "PART {}/255"},
      {"OUTPUT(\"a\" FOR PARTS(1, 3))", "OUTPUT [\"a\" mode=5 parts={1,3}/4]"},
      {"OUTPUT(\"a\" FOR PARTS(0))", "OUTPUT [\"a\" mode=5 parts={0}/1]"},
      {"OUTPUT(\"a\")", "OUTPUT [\"a\" mode=5 parts={}/255]"},
      {"LOB IN(\"/d\" FOR PARTS(2), \"/e\")", "LOB [\"/d\" parts={2}/3, \"/e\" parts={}/255]"},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.pcClause);
    Parse parse(std::string("UNLOAD TABLESPACE TS SELECT * FROM T; ") + c.pcClause + " ASIS;");
    EXPECT_TRUE(parse.Runnable());
    EXPECT_EQ(parse.AllMessages(), "");
    EXPECT_NE(parse.strTree.find(std::string("      ") + c.pcAtom + "\n"), std::string::npos)
        << parse.strTree;
  }
}

/* The SQL text of a SELECT: cut from SELECT to the last lexeme before its
** ';', parsed by the SQL grammar with control-file positions; messages of
** that parse are kept with the SELECT, which then goes through DB2. */
TEST_F(Zor3yacc, SelectTextGoesToTheSqlGrammar)
{
  Parse parse(
      "UNLOAD TABLESPACE TS\n"
      "  SELECT C1 FROM T WHERE X = ';' ; MAXROWS 5\n"
      "  SELECT C1 AS X\n"
      "    FROM T; MAXROWS 6\n"
      "  SELECT STRIP(C1) FROM U ORDER BY 1; MAXROWS 7\n"
      ";");
  EXPECT_TRUE(parse.Runnable());
  EXPECT_EQ(parse.AllMessages(), "");
  EXPECT_EQ(parse.strTree,
            "GLOBAL\n"
            "  TASKTYPE 5\n"
            "  -\n"
            "    TSNAME 'TS'\n"
            "    SELECT\n"
            "      MAXROWS 5\n"
            "      SELECT [C1]\n"
            "      SELECTSQL 'SELECT C1 FROM T WHERE X = ';' '\n"
            "      TBNAME 'T'\n"
            "      WHERE <tree>\n"
            "    SELECT flags=8\n"
            "      MAXROWS 6\n"
            "      SELECTSQL 'SELECT C1 AS X\n"
            "    FROM T '\n"
            "    SELECT flags=8\n"
            "      MAXROWS 7\n"
            "      SELECTSQL 'SELECT STRIP(C1) FROM U ORDER BY 1 '\n");
  ASSERT_EQ(parse.selectMessages.size(), 3u);
  EXPECT_TRUE(parse.selectMessages[0].empty());
  /* Positions are those of the control file. */
  ASSERT_EQ(parse.selectMessages[1].size(), 2u);
  EXPECT_EQ(parse.selectMessages[1][0].rfind("ZORU010I ITEM STARTING AT (3,", 0), 0u);
  EXPECT_EQ(parse.selectMessages[1][1], "ZORU016E SELECT STATEMENT SYNTAX IS INVALID\n");
  EXPECT_EQ(parse.selectMessages[2],
            (std::vector<std::string>{"ZORU010I ITEM STARTING AT (5,10) ENDING AT(5,19)\n",
                                      "ZORU016E STRIP() STATEMENT SYNTAX IS INVALID\n"}));
}

/* A SELECT without FROM, or without any text, is no statement the run step
** can read itself. */
TEST_F(Zor3yacc, SelectWithoutTableGoesThroughDb2)
{
  const std::pair<const char *, const char *> aCases[] = {
      {"SELECT C1", "SELECT C1 "},
      {"SELECT", "SELECT "},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(c.first);
    Parse parse(std::string("UNLOAD TABLESPACE TS ") + c.first + "; ASIS;");
    EXPECT_TRUE(parse.Runnable());
    EXPECT_EQ(parse.strTree, std::string("GLOBAL\n"
                                         "  TASKTYPE 5\n"
                                         "  -\n"
                                         "    TSNAME 'TS'\n"
                                         "    SELECT flags=8\n"
                                         "      SCHEME ASIS\n"
                                         "      SELECTSQL '") +
                                 c.second + "'\n");
  }
}

/* Messages the caller deferred before the parse, and its deferral setting,
** are left as they were: only the SQL parse's messages go to the SELECT. */
TEST_F(Zor3yacc, CallersDeferredMessagesStayWithTheCaller)
{
  std::string strText = "UNLOAD TABLESPACE TS SELECT C1, FROM T; OPTIONS LLS X ;";
  oyacc yacc;
  ASSERT_EQ(oyaccInitItemized(&yacc, aplexContextDefUdb,
                              ostreamCreateFromBuffer(strText.data(), (int32_t)strText.size()),
                              '\'', '"', '.', 850, 0, 0, 1),
            0);
  int boBefore = omsgsSetDefered(1);
  omsgsStack("EARLIER\n", 8);
  EXPECT_EQ(zor3yyparse(&yacc), 0);
  EXPECT_EQ(omsgsSetDefered(boBefore), 1);
  EXPECT_EQ(Messages(omsgsExportDefered()),
            (std::vector<std::string>{
                "EARLIER\n", "ZORU010I ITEM STARTING AT (1,49) ENDING AT(1,54)\n",
                "ZORU014E INVALID LEXEME AFTER KEYWORD LLS, VALID LEXEMES ARE\n"
                "         ON, OFF\n"}));
  zortask *punload = static_cast<zortask *>(yacc.ptaskResult->pchaineSubTasks->pitemTop);
  zortask *pselect = static_cast<zortask *>(punload->pchaineSubTasks->pitemTop);
  EXPECT_EQ(pselect->ulFlags, ZORTASK_FLAG_DB2);
  std::vector<std::string> sqlMessages = Messages(pselect->pstackDefered);
  pselect->pstackDefered = nullptr;
  ASSERT_EQ(sqlMessages.size(), 2u);
  EXPECT_EQ(sqlMessages[1],
            "ZORU014E INVALID LEXEME AFTER KEYWORD Comma, VALID LEXEMES ARE\n         column\n");
  FreeTree(yacc.ptaskResult);
  oyaccDelete(&yacc);
}

/* Atoms keep the control-file span of their clause. */
TEST_F(Zor3yacc, AtomsKeepTheirPositions)
{
  Parse parse("UNLOAD TABLESPACE Q.TS\n  SELECT * FROM T ;\n    SIZELIMIT 10M ;");
  ASSERT_TRUE(parse.Runnable());
  zortask *punload = static_cast<zortask *>(parse.ptask->pchaineSubTasks->pitemTop);
  zortask *pselect = static_cast<zortask *>(punload->pchaineSubTasks->pitemTop);
  struct {
    zortask *ptask;
    int iSlot;
    int16_t asPos[4];   /* start line, column, end line, column */
  } aCases[] = {
      {punload, TOKEN_TSQUALIFIER, {1, 19, 1, 20}},
      {punload, TOKEN_TSNAME, {1, 21, 1, 23}},
      {pselect, TOKEN_SELECTSQL, {2, 3, 2, 18}},
      {pselect, TOKEN_SIZELIMIT, {3, 5, 3, 18}},
      {pselect, TOKEN_TBNAME, {2, 17, 2, 18}},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(gapnameTotalToken[c.iSlot]);
    zoratom *patom = zortaskDetermineAtom(c.ptask, gapnameTotalToken[c.iSlot]);
    ASSERT_NE(patom, nullptr);
    EXPECT_EQ(patom->sStartLine, c.asPos[0]);
    EXPECT_EQ(patom->sStartColumn, c.asPos[1]);
    EXPECT_EQ(patom->sEndLine, c.asPos[2]);
    EXPECT_EQ(patom->sEndColumn, c.asPos[3]);
  }
}

/* Strings of OCHAR atoms carry a zero byte; numbers and types are made
** borrowed, the other values belong to their atoms. */
TEST_F(Zor3yacc, AtomValuesAndOwnership)
{
  Parse parse("UNLOAD TABLESPACE TS PART(1) OUTPUT(\"o\") LOB IN(\"/l\") LOBFILE(\"f\")\n"
              "  MAXRC 3 SIZELIMIT 1K CCSID(850) OPTIONS DATEDELIM '-';");
  ASSERT_TRUE(parse.Runnable());
  zortask *punload = static_cast<zortask *>(parse.ptask->pchaineSubTasks->pitemTop);
  const std::pair<int, bool> aCases[] = {
      {TOKEN_OUTPUT, false},  {TOKEN_LOB, true},      {TOKEN_LOBFILE, false},
      {TOKEN_MAXRC, true},    {TOKEN_SIZELIMIT, true}, {TOKEN_CCSID, true},
      {TOKEN_PART, false},    {TOKEN_TSNAME, false},   {TOKEN_DATEDELIM, false},
  };
  for (const auto &c : aCases) {
    SCOPED_TRACE(gapnameTotalToken[c.first]);
    zoratom *patom = zortaskDetermineAtom(punload, gapnameTotalToken[c.first]);
    ASSERT_NE(patom, nullptr);
    EXPECT_EQ((patom->iFlags & ZORATOM_BORROWED) != 0, c.second);
    if (patom->iKind == ZORATOM_OCHAR) {
      EXPECT_EQ(_charText(patom->value.pchar)[patom->value.pchar->ilBU], '\0');
    }
  }
}

/* A parsed block copied with its task owns copies of its lists: the copy
** outlives the original. */
TEST_F(Zor3yacc, ClonedBlockOwnsItsLists)
{
  Parse parse("UNLOAD TABLESPACE TS PART(3) BACKUP \"b1\", \"b2\"\n"
              "  OUTPUT(ON \"h\" HOST \"o\" FOR PARTS(1)) LOBFILE(\"f1\", \"f2\") CCSID(850);");
  ASSERT_TRUE(parse.Runnable());
  zortask *punload = static_cast<zortask *>(parse.ptask->pchaineSubTasks->pitemTop);
  std::string strBefore;
  Dump(punload, 0, strBefore);
  zortask *pclone = zortaskClone(punload, 1);
  ASSERT_NE(pclone, nullptr);
  FreeTree(parse.ptask);
  parse.ptask = nullptr;
  std::string strAfter;
  Dump(pclone, 0, strAfter);
  EXPECT_EQ(strAfter, strBefore);
  zortaskDestroy(pclone);
}

/* The sample control files of the end-to-end tests parse cleanly. */
TEST_F(Zor3yacc, SampleControlFilesParse)
{
  const char *apcFiles[] = {"unload_tablespace.ctl", "unload_database.ctl", "unload_selects.ctl",
                            "format_user.ctl"};
  for (const char *pcFile : apcFiles) {
    SCOPED_TRACE(pcFile);
    std::ifstream in(std::string(ZAV_SOURCE_DIR) + "/tests/control/data/" + pcFile);
    ASSERT_TRUE(in.good());
    std::stringstream ss;
    ss << in.rdbuf();
    Parse parse(ss.str());
    EXPECT_TRUE(parse.Runnable()) << parse.AllMessages();
    EXPECT_EQ(parse.AllMessages(), "");
    ASSERT_NE(parse.ptask, nullptr);
    EXPECT_NE(parse.ptask->pchaineSubTasks, nullptr);
  }
}

/* Random texts over the language's vocabulary, and random edits of valid
** requests, never crash the parser nor leak; a failed parse hands out no
** tree, and a tree comes only with result 0. */
TEST_F(Zor3yacc, RandomInputs)
{
  static const char *const apcWords[] = {
      "GLOBAL", "UNLOAD", "TABLESPACE", "DATABASE", "SELECT", "*", "FROM", "T", ";", ";", ",",
      "(", ")", ".", "PART", "ALL", "OUTPUT", "\"f.del\"", "'x'", "12", "0", "300", "-1", "10M",
      "DB2", "YES", "NO", "FORCE", "LOCK", "OPTIONS", "NULL", "OFF", "DATE", "DATE_A", "PIC",
      "'-'", "LEAD", "TRAIL", "'.'", "'*.*'", "FORMAT", "USER", "COL", "TYPE", "DECIMAL", "CHAR",
      "FLOAT", "DELIMITED", "DEL", "IXF", "DELIM", "SEP", "LOB", "IN", "LOBFILE", "BACKUP",
      "CCSID", "UTF8", "ON", "REMOTE", "HOST", "FOR", "PARTS", "APPEND", "REPLACE", "WHERE",
      "C1", "=", "'a;b'", "\"q\"", "ORDER", "BY", "DOUBLE", "LLS", "NULLPOS", "AFTER", "LENGTH",
      "REAL", "MAXRC", "SIZELIMIT", "CONNECT", "TO", "JUST", "LEFT", "PADDING", "@", "'open",
      "\"open", "--", "99999999999", "CASE", "WHEN", "THEN", "END", "STRIP", "SUBSTR",
  };
  static const char *const apcValid[] = {
      "GLOBAL DB2 NO OPTIONS NULL 'a' 'b' ; UNLOAD TABLESPACE Q.TS PART(1,2) OUTPUT(\"o\" FOR "
      "PARTS(1)) SELECT C1, C2 FROM T WHERE C1 > 1 ; FORMAT USER(COL 1 TYPE DECIMAL(5,2) "
      "PIC('-', LEAD, '.', '*.*'), COL C2 JUST LEFT) LOB IN(\"/l\") SELECT * FROM U; ASIS ;",
      "UNLOAD DATABASE SAMPLE CCSID(943, 1200) BACKUP(\"a\", \"b\") LOBFILE(\"x\") OPTIONS "
      "DATE DATE_A DOUBLE DELIM ON FORMAT DELIMITED DELIM ';' SEP '|' NULL DELIM ;",
  };
  std::mt19937 gen(20261210);
  auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  long lRuns = 0;
  while (std::chrono::steady_clock::now() < tEnd) {
    std::string strText;
    if (lRuns % 2 == 0) {
      int iCount = (int)(gen() % 48);
      for (int i = 0; i < iCount; i++) {
        strText += apcWords[gen() % std::size(apcWords)];
        strText += gen() % 6 == 0 ? "\n" : " ";
      }
    } else {
      strText = apcValid[gen() % std::size(apcValid)];
      for (int iEdits = 1 + (int)(gen() % 3); iEdits > 0; iEdits--) {
        size_t ulAt = gen() % (strText.size() + 1);
        switch (gen() % 3) {
          case 0: strText.erase(ulAt, gen() % 8); break;
          case 1:
            strText.insert(ulAt, std::string(" ") + apcWords[gen() % std::size(apcWords)] + " ");
            break;
          default: if (ulAt < strText.size()) strText[ulAt] = (char)(gen() % 128); break;
        }
      }
    }
    Parse parse(strText);
    if (parse.iResult != 0) {
      ASSERT_EQ(parse.ptask, nullptr) << strText;
    }
    ASSERT_TRUE(parse.iLevel == 0 || parse.iLevel == 8 || parse.iLevel == 16) << strText;
    lRuns++;
  }
  EXPECT_GT(lRuns, 100);
}

} // namespace
