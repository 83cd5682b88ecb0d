/*
** zordlex.cpp
**   The four lexer contexts of the SQL text (see zordlex.h): keyword,
**   separator, operator and base-lexeme entries over the shared token
**   numbers.  Read-only data; olexInit builds the contexts from it.
*/
#include "control/zordlex.h"

#include "control/zortokens.h"

namespace {

#define KW(id, text) {id, OLEX_KA(OLEX_ENTRY_KEYWORD, 0), 0, text}
#define KWTO(id, text, ctx) {id, OLEX_KA(OLEX_ENTRY_KEYWORD, OLEX_ACTION_RESET), ctx, text}
#define SEP(id, text) {id, OLEX_KA(OLEX_ENTRY_SEPARATOR, 0), 0, text}
#define OPR(id, text) {id, OLEX_KA(OLEX_ENTRY_OPERATOR, 0), 0, text}
#define BASE(id, cls) {id, OLEX_KA(OLEX_ENTRY_BASE, 0), cls, nullptr}
#define END_OF_ENTRIES {0, 0, 0, nullptr}

/* Every context starts with the lexeme classes of its mask. */
#define BASE_COMMON                                   \
  BASE(ERROR_LX, OLEX_CLASS_ERROR),                   \
  BASE(INTEGER_LX, OLEX_CLASS_INTEGER),               \
  BASE(LITTERAL_LX, OLEX_CLASS_STRING),               \
  BASE(DELIMITED_LX, OLEX_CLASS_DELIMITED),           \
  BASE(IDENTIFIER_LX, OLEX_CLASS_IDENTIFIER)

/* Start context: the first keyword chooses the language. */
const olexDefEntry _contextLDefDB2_CTX[] = {
  BASE_COMMON,
  KWTO(DML_KW, "DML", ZORDLEX_CTX_DML),
  KWTO(SELECT_KW, "SELECT", ZORDLEX_CTX_DML),
  KWTO(WHERE_KW, "WHERE", ZORDLEX_CTX_DML),
  KWTO(DDL_KW, "DDL", ZORDLEX_CTX_DDL),
  KWTO(ORDER_KW, "ORDER", ZORDLEX_CTX_ORD),
  END_OF_ENTRIES,
};

/* ORDER clause. */
const olexDefEntry _contextLDefORD_CTX[] = {
  BASE_COMMON,
  KW(A_KW, "A"),
  KW(ASC_KW, "ASC"),
  KW(BY_KW, "BY"),
  KW(CLUSTER_KW, "CLUSTER"),
  KW(CLUSTERED_KW, "CLUSTERED"),
  KW(D_KW, "D"),
  KW(DESC_KW, "DESC"),
  SEP(COMMA_LX, ","),
  SEP(DOT_LX, "."),
  SEP(PARCLOSE_LX, ")"),
  SEP(PAROPEN_LX, "("),
  SEP(SEMICOLON_LX, ";"),
  END_OF_ENTRIES,
};

/* View definitions.  The "*" operator is listed but the mask leaves
** operators off, so a view written as SELECT * is an error lexeme. */
const olexDefEntry _contextLDefDDL_CTX[] = {
  BASE_COMMON,
  BASE(DECIMAL_LX, OLEX_CLASS_DECIMAL),
  BASE(FLOAT_LX, OLEX_CLASS_FLOAT),
  KW(AS_KW, "AS"),
  KW(ALL_KW, "ALL"),
  KW(CASCADED_KW, "CASCADED"),
  KW(CHECK_KW, "CHECK"),
  KW(CREATE_KW, "CREATE"),
  KW(FROM_KW, "FROM"),
  KW(LOCAL_KW, "LOCAL"),
  KW(OPTION_KW, "OPTION"),
  KW(SELECT_KW, "SELECT"),
  KW(VIEW_KW, "VIEW"),
  KW(WITH_KW, "WITH"),
  SEP(COMMA_LX, ","),
  SEP(DOT_LX, "."),
  SEP(PARCLOSE_LX, ")"),
  SEP(PAROPEN_LX, "("),
  SEP(SEMICOLON_LX, ";"),
  OPR(MULT_LX, "*"),
  END_OF_ENTRIES,
};

/* SELECT lists, conditions and expressions.  "-" and "+" are separators
** here; CONCAT is the same lexeme as "||". */
const olexDefEntry _contextLDefDML_CTX[] = {
  BASE_COMMON,
  BASE(BIGINT_LX, OLEX_CLASS_BIGINT),
  BASE(DECIMAL_LX, OLEX_CLASS_DECIMAL),
  BASE(FLOAT_LX, OLEX_CLASS_FLOAT),
  KW(ABS_KW, "ABS"),
  KW(ALL_KW, "ALL"),
  KW(AND_KW, "AND"),
  KW(BETWEEN_KW, "BETWEEN"),
  KW(BY_KW, "BY"),
  KW(CASE_KW, "CASE"),
  KW(CEIL_KW, "CEIL"),
  KW(CEILING_KW, "CEILING"),
  KW(CHAR_KW, "CHAR"),
  KW(CLUSTER_KW, "CLUSTER"),
  KW(COALESCE_KW, "COALESCE"),
  KW(CONCAT_LX, "CONCAT"),
  KW(CURRENT_KW, "CURRENT"),
  KW(DATE_KW, "DATE"),
  KW(DAY_KW, "DAY"),
  KW(DAYOFMONTH_KW, "DAYOFMONTH"),
  KW(DAYOFWEEK_KW, "DAYOFWEEK"),
  KW(DAYOFYEAR_KW, "DAYOFYEAR"),
  KW(DAYS_KW, "DAYS"),
  KW(DEC_KW, "DEC"),
  KW(DECIMAL_KW, "DECIMAL"),
  KW(DIGITS_KW, "DIGITS"),
  KW(DOUBLE_KW, "DOUBLE"),
  KW(DOUBLE_PRECISION_KW, "DOUBLE_PRECISION"),
  KW(ELSE_KW, "ELSE"),
  KW(END_KW, "END"),
  KW(ESCAPE_KW, "ESCAPE"),
  KW(EUR_KW, "EUR"),
  KW(FLOAT_KW, "FLOAT"),
  KW(FLOOR_KW, "FLOOR"),
  KW(FROM_KW, "FROM"),
  KW(HEX_KW, "HEX"),
  KW(HOUR_KW, "HOUR"),
  KW(HOURS_KW, "HOURS"),
  KW(IFNULL_KW, "IFNULL"),
  KW(IN_KW, "IN"),
  KW(INT_KW, "INT"),
  KW(INTEGER_KW, "INTEGER"),
  KW(IS_KW, "IS"),
  KW(ISO_KW, "ISO"),
  KW(JIS_KW, "JIS"),
  KW(LENGTH_KW, "LENGTH"),
  KW(LIKE_KW, "LIKE"),
  KW(LTRIM_KW, "LTRIM"),
  KW(MICROSECOND_KW, "MICROSECOND"),
  KW(MICROSECONDS_KW, "MICROSECONDS"),
  KW(MIDNIGHT_SECONDS_KW, "MIDNIGHT_SECONDS"),
  KW(MINUTE_KW, "MINUTE"),
  KW(MINUTES_KW, "MINUTES"),
  KW(MOD_KW, "MOD"),
  KW(MONTH_KW, "MONTH"),
  KW(MONTHS_KW, "MONTHS"),
  KW(NOT_KW, "NOT"),
  KW(NULL_KW, "NULL"),
  KW(NULLIF_KW, "NULLIF"),
  KW(OR_KW, "OR"),
  KWTO(ORDER_KW, "ORDER", ZORDLEX_CTX_ORD),
  KW(PART_KW, "PART"),
  KW(QUARTER_KW, "QUARTER"),
  KW(REAL_KW, "REAL"),
  KW(RTRIM_KW, "RTRIM"),
  KW(SECOND_KW, "SECOND"),
  KW(SECONDS_KW, "SECONDS"),
  KW(SELECT_KW, "SELECT"),
  KW(SIGN_KW, "SIGN"),
  KW(SMALLINT_KW, "SMALLINT"),
  KW(STRIP_KW, "STRIP"),
  KW(SUBSTR_KW, "SUBSTR"),
  KW(THEN_KW, "THEN"),
  KW(TIME_KW, "TIME"),
  KW(TIMESTAMP_KW, "TIMESTAMP"),
  KW(TRUNCATE_KW, "TRUNCATE"),
  KW(USA_KW, "USA"),
  KW(VALUE_KW, "VALUE"),
  KW(VARGRAPHIC_KW, "VARGRAPHIC"),
  KW(WHEN_KW, "WHEN"),
  KW(WHERE_KW, "WHERE"),
  KW(YEAR_KW, "YEAR"),
  KW(YEARS_KW, "YEARS"),
  SEP(COMMA_LX, ","),
  SEP(DOT_LX, "."),
  SEP(PARCLOSE_LX, ")"),
  SEP(PAROPEN_LX, "("),
  SEP(SEMICOLON_LX, ";"),
  SEP(MINUS_LX, "-"),
  SEP(PLUS_LX, "+"),
  OPR(CONCAT_LX, "||"),
  OPR(DIF_LX, "<>"),
  OPR(DIV_LX, "/"),
  OPR(EQU_LX, "="),
  OPR(IEQ_LX, "<="),
  OPR(INF_LX, "<"),
  OPR(MULT_LX, "*"),
  OPR(SEQ_LX, ">="),
  OPR(SUP_LX, ">"),
  END_OF_ENTRIES,
};

} // namespace

const olexContextDef _contextDefDB2_CTX = {ZORDLEX_CTX_DB2, 0x88, '\'', '"', 0, _contextLDefDB2_CTX};
const olexContextDef _contextDefORD_CTX = {ZORDLEX_CTX_ORD, 0xE9, 0, 0, 0, _contextLDefORD_CTX};
const olexContextDef _contextDefDDL_CTX = {ZORDLEX_CTX_DDL, 0xDB, 0, 0, 0, _contextLDefDDL_CTX};
const olexContextDef _contextDefDML_CTX = {ZORDLEX_CTX_DML, 0x21FF, 0, 0, 0, _contextLDefDML_CTX};

const olexContextDef *const aplexContextDefDb2[] = {
  &_contextDefDB2_CTX, &_contextDefORD_CTX, &_contextDefDDL_CTX, &_contextDefDML_CTX, nullptr,
};
