/*
** zor3lex.cpp
**   The two lexer contexts of the control-file language (see zor3lex.h):
**   base-lexeme, keyword and separator entries over the shared token
**   numbers.  Read-only data; olexInit builds the contexts from it.
*/
#include "control/zor3lex.h"

#include <iterator>

#include "control/zortokens.h"

namespace {

#define KW(id, text) {id, OLEX_KA(OLEX_ENTRY_KEYWORD, 0), 0, text}
#define KWSWITCH(id, text, ctx) {id, OLEX_KA(OLEX_ENTRY_KEYWORD, OLEX_ACTION_SWITCH), ctx, text}
#define SEP(id, text) {id, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, text}
#define BASE(id, cls) {id, OLEX_KA(OLEX_ENTRY_BASE, 0), cls, nullptr}
#define END_OF_ENTRIES {0, 0, 0, nullptr}

/* Both contexts start with the same six lexeme classes. */
#define BASE_UDB                                      \
  BASE(DELIMITED_LX, OLEX_CLASS_DELIMITED),           \
  BASE(DIM_LX, OLEX_CLASS_VALUE),                     \
  BASE(ERROR_LX, OLEX_CLASS_ERROR),                   \
  BASE(LITTERAL_LX, OLEX_CLASS_STRING),               \
  BASE(IDENTIFIER_LX, OLEX_CLASS_IDENTIFIER),         \
  BASE(INTEGER_LX, OLEX_CLASS_INTEGER)

#define KW_DATE_FORMATS                                                              \
  KW(DATE_A_KW, "DATE_A"), KW(DATE_B_KW, "DATE_B"), KW(DATE_C_KW, "DATE_C"),         \
  KW(DATE_D_KW, "DATE_D"), KW(DATE_E_KW, "DATE_E"), KW(DATE_F_KW, "DATE_F"),         \
  KW(DATE_G_KW, "DATE_G"), KW(DATE_H_KW, "DATE_H"), KW(DATE_I_KW, "DATE_I"),         \
  KW(DATE_J_KW, "DATE_J"), KW(DATE_K_KW, "DATE_K"), KW(DATE_L_KW, "DATE_L"),         \
  KW(DATE_M_KW, "DATE_M"), KW(DATE_N_KW, "DATE_N"), KW(DATE_O_KW, "DATE_O"),         \
  KW(DATE_P_KW, "DATE_P")

#define KW_TIMESTAMP_FORMATS                                                         \
  KW(TIMESTAMP_A_KW, "TIMESTAMP_A"), KW(TIMESTAMP_B_KW, "TIMESTAMP_B"),              \
  KW(TIMESTAMP_C_KW, "TIMESTAMP_C"), KW(TIMESTAMP_D_KW, "TIMESTAMP_D"),              \
  KW(TIMESTAMP_E_KW, "TIMESTAMP_E"), KW(TIMESTAMP_F_KW, "TIMESTAMP_F")

#define KW_TIME_FORMATS                                                              \
  KW(TIME_A_KW, "TIME_A"), KW(TIME_B_KW, "TIME_B"), KW(TIME_C_KW, "TIME_C"),         \
  KW(TIME_D_KW, "TIME_D"), KW(TIME_E_KW, "TIME_E")

/* GLOBAL block: UNLOAD switches to the UNLOAD vocabulary for good. */
const olexDefEntry _contextLDefGLO_CTX[] = {
  BASE_UDB,
  KWSWITCH(UNLOAD_KW, "UNLOAD", ZOR3LEX_CTX_UDB),
  KW(AFTER_KW, "AFTER"),
  KW(APPEND_KW, "APPEND"),
  KW(BACKUP_KW, "BACKUP"),
  KW(BEFORE_KW, "BEFORE"),
  KW(CCSID_KW, "CCSID"),
  KW(CONNECT_KW, "CONNECT"),
  KW(CURRENT_KW, "CURRENT"),
  KW(DATEDELIM_KW, "DATEDELIM"),
  KW(DATE_KW, "DATE"),
  KW_DATE_FORMATS,
  KW(DB2_KW, "DB2"),
  KW(DEL_KW, "DEL"),
  KW(DELIM_KW, "DELIM"),
  KW(DELIMITED_KW, "DELIMITED"),
  KW(DOUBLE_KW, "DOUBLE"),
  KW(FILEMAXSIZE_KW, "FILEMAXSIZE"),
  KW(FORCE_KW, "FORCE"),
  KW(GLOBAL_KW, "GLOBAL"),
  KW(HOST_KW, "HOST"),
  KW(IXF_KW, "IXF"),
  KW(LEAD_KW, "LEAD"),
  KW(LENGTH_KW, "LENGTH"),
  KW(LENGTHBYTE_KW, "LENGTHBYTE"),
  KW(LLS_KW, "LLS"),
  KW(LOCK_KW, "LOCK"),
  KW(MAX_KW, "MAX"),
  KW(MAXRC_KW, "MAXRC"),
  KW(MAXTASK_KW, "MAXTASK"),
  KW(NO_KW, "NO"),
  KW(NULL_KW, "NULL"),
  KW(NULLID_KW, "NULLID"),
  KW(NULLPOS_KW, "NULLPOS"),
  KW(OF_KW, "OF"),
  KW(OFF_KW, "OFF"),
  KW(ON_KW, "ON"),
  KW(OPTIONS_KW, "OPTIONS"),
  KW(OUTPUT_KW, "OUTPUT"),
  KW(PART_KW, "PART"),
  KW(PIC_KW, "PIC"),
  KW(QUIESCE_KW, "QUIESCE"),
  KW(QUIESCECAT_KW, "QUIESCECAT"),
  KW(REAL_KW, "REAL"),
  KW(REPLACE_KW, "REPLACE"),
  KW(SIZELIMIT_KW, "SIZELIMIT"),
  KW(TIMEDELIM_KW, "TIMEDELIM"),
  KW(TIMESTAMP_KW, "TIMESTAMP"),
  KW_TIMESTAMP_FORMATS,
  KW(TIME_KW, "TIME"),
  KW_TIME_FORMATS,
  KW(TO_KW, "TO"),
  KW(TRAIL_KW, "TRAIL"),
  KW(USER_KW, "USER"),
  KW(YES_KW, "YES"),
  SEP(COMMA_LX, ","),
  SEP(PARCLOSE_LX, ")"),
  SEP(PAROPEN_LX, "("),
  SEP(SEMICOLON_LX, ";"),
  END_OF_ENTRIES,
};

/* UNLOAD blocks and SELECT statements.  The SQL characters are separators
** here so that a SELECT's text falls apart into lexemes. */
const olexDefEntry _contextLDefUDB_CTX[] = {
  BASE_UDB,
  KW(AFTER_KW, "AFTER"),
  KW(ALL_KW, "ALL"),
  KW(APPEND_KW, "APPEND"),
  KW(ASCII_KW, "ASCII"),
  KW(ASIS_KW, "ASIS"),
  KW(BACKUP_KW, "BACKUP"),
  KW(BEFORE_KW, "BEFORE"),
  KW(CCSID_KW, "CCSID"),
  KW(CHAR_KW, "CHAR"),
  KW(COL_KW, "COL"),
  KW(CURRENT_KW, "CURRENT"),
  KW(DATEDELIM_KW, "DATEDELIM"),
  KW(DATE_KW, "DATE"),
  KW_DATE_FORMATS,
  KW(DEC_KW, "DEC"),
  KW(DECIMAL_KW, "DECIMAL"),
  KW(DATABASE_KW, "DATABASE"),
  KW(DB2_KW, "DB2"),
  KW(DEL_KW, "DEL"),
  KW(DELIM_KW, "DELIM"),
  KW(DELIMITED_KW, "DELIMITED"),
  KW(DOUBLE_KW, "DOUBLE"),
  KW(FILEMAXSIZE_KW, "FILEMAXSIZE"),
  KW(FLOAT_KW, "FLOAT"),
  KW(FOR_KW, "FOR"),
  KW(FORMAT_KW, "FORMAT"),
  KW(FORCE_KW, "FORCE"),
  KW(GRAPHIC_KW, "GRAPHIC"),
  KW(HOST_KW, "HOST"),
  KW(IN_KW, "IN"),
  KW(INTEGER_KW, "INTEGER"),
  KW(INTERVAL_KW, "INTERVAL"),
  KW(IXF_KW, "IXF"),
  KW(JUST_KW, "JUST"),
  KW(LEAD_KW, "LEAD"),
  KW(LEFT_KW, "LEFT"),
  KW(LENGTH_KW, "LENGTH"),
  KW(LENGTHBYTE_KW, "LENGTHBYTE"),
  KW(LLS_KW, "LLS"),
  KW(LOB_KW, "LOB"),
  KW(LOBFILE_KW, "LOBFILE"),
  KW(LOCK_KW, "LOCK"),
  KW(MAX_KW, "MAX"),
  KW(MAXRC_KW, "MAXRC"),
  KW(MAXROWS_KW, "MAXROWS"),
  KW(NO_KW, "NO"),
  KW(NULL_KW, "NULL"),
  KW(NULLID_KW, "NULLID"),
  KW(NULLPOS_KW, "NULLPOS"),
  KW(OF_KW, "OF"),
  KW(OFF_KW, "OFF"),
  KW(ON_KW, "ON"),
  KW(OPTIONS_KW, "OPTIONS"),
  KW(OUTPUT_KW, "OUTPUT"),
  KW(PADDING_KW, "PADDING"),
  KW(PART_KW, "PART"),
  KW(PARTS_KW, "PARTS"),
  KW(PIC_KW, "PIC"),
  KW(QUIESCE_KW, "QUIESCE"),
  KW(QUIESCECAT_KW, "QUIESCECAT"),
  KW(REAL_KW, "REAL"),
  KW(REMOTE_KW, "REMOTE"),
  KW(REPLACE_KW, "REPLACE"),
  KW(RIGHT_KW, "RIGHT"),
  KW(SELECT_KW, "SELECT"),
  KW(SEP_KW, "SEP"),
  KW(SIZELIMIT_KW, "SIZELIMIT"),
  KW(SKIP_KW, "SKIP"),
  KW(SMALLINT_KW, "SMALLINT"),
  KW(TABLESPACE_KW, "TABLESPACE"),
  KW(TIMEDELIM_KW, "TIMEDELIM"),
  KW(TIMESTAMP_KW, "TIMESTAMP"),
  KW_TIMESTAMP_FORMATS,
  KW(TIME_KW, "TIME"),
  KW_TIME_FORMATS,
  KW(THREADS_KW, "THREADS"),
  KW(TRAIL_KW, "TRAIL"),
  KW(TYPE_KW, "TYPE"),
  KW(UNICODE_KW, "UNICODE"),
  KW(UNLOAD_KW, "UNLOAD"),
  KW(USER_KW, "USER"),
  KW(UTF8_KW, "UTF8"),
  KW(UTF16_KW, "UTF16"),
  KW(VARCHAR_KW, "VARCHAR"),
  KW(VARGRAPHIC_KW, "VARGRAPHIC"),
  KW(YES_KW, "YES"),
  SEP(COMMA_LX, ","),
  SEP(DOT_LX, "."),
  SEP(PARCLOSE_LX, ")"),
  SEP(PAROPEN_LX, "("),
  SEP(SEMICOLON_LX, ";"),
  SEP(CONCAT_LX, "|"),
  SEP(DIV_LX, "/"),
  SEP(EQU_LX, "="),
  SEP(INF_LX, "<"),
  SEP(MINUS_LX, "-"),
  SEP(MULT_LX, "*"),
  SEP(PLUS_LX, "+"),
  SEP(SUP_LX, ">"),
  END_OF_ENTRIES,
};

/* Six base lexemes, 78 keywords and 4 separators; six base lexemes, 110
** keywords and 13 separators; each run ends with its end mark. */
static_assert(std::size(_contextLDefGLO_CTX) == 88 + 1, "GLO context: 88 entries");
static_assert(std::size(_contextLDefUDB_CTX) == 129 + 1, "UDB context: 129 entries");

} // namespace

const olexContextDef _contextDefGLO_CTX = {ZOR3LEX_CTX_GLO, ZOR3LEX_MASK, '\'', '"', 0,
                                           _contextLDefGLO_CTX};
const olexContextDef _contextDefUDB_CTX = {ZOR3LEX_CTX_UDB, ZOR3LEX_MASK, '\'', '"', 0,
                                           _contextLDefUDB_CTX};

const olexContextDef *const aplexContextDefUdb[] = {&_contextDefGLO_CTX, &_contextDefUDB_CTX,
                                                    nullptr};
