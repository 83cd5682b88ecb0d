/*
** db2standsel.cpp
**   Translation of DB2 SELECT statements for the stand-in (see
**   db2standsel.h): lexer, parser into a tree of expression nodes, typing
**   by DB2's rules with the SQL of each node, and the preparation.
**
**   Every node gets its DB2 type and two texts of SQL: the value in the
**   forms of db2standsql.h (a DECIMAL column read through db2_dec, a CHAR
**   column padded through db2_pad), and, for a bare column, literal or
**   parameter, the text as written, which comparisons of such operands use
**   so that a plain WHERE runs as SQLite runs it.
*/
#include "platform/db2standsel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

/* ================================================================ failures */

/* A statement DB2 refuses. */
struct SqlFail {
  db2standSqlError err;
};

/* A statement outside the translator: it goes to SQLite as written. */
struct Outside {};

[[noreturn]] void _fail(int iSqlcode, const std::string &strState, const std::string &strText)
{
  SqlFail f;
  f.err.iSqlcode = iSqlcode;
  f.err.strState = strState;
  f.err.strText = strText + "  SQLSTATE=" + strState;
  throw f;
}

[[noreturn]] void _noFunction(const std::string &strName)
{
  _fail(-440, "42884", "SQL0440N  No authorized routine named \"" + strName +
                           "\" of type \"FUNCTION\" having compatible arguments was found.");
}

[[noreturn]] void _incompatible(const std::string &strOp)
{
  _fail(-401, "42818", "SQL0401N  The data types of the operands for the operation \"" + strOp +
                           "\" are not compatible.");
}

/* ================================================================ types */

enum class K {
  SMALLINT, INTEGER, BIGINT, DECIMAL, REAL, DOUBLE,
  CHAR, VARCHAR, LONGVARCHAR, CLOB, GRAPHIC, VARGRAPHIC, LONGVARGRAPHIC, DBCLOB, BLOB,
  DATE, TIME, TIMESTAMP, BOOL, NUL, PARAM
};

struct T {
  K k = K::NUL;
  int iLen = 0;      /* length; DECIMAL precision */
  int iScale = 0;
  bool boNull = false;
  bool boBit = false;
};

bool _isInt(K k) { return k == K::SMALLINT || k == K::INTEGER || k == K::BIGINT; }
bool _isNum(K k) { return _isInt(k) || k == K::DECIMAL || k == K::REAL || k == K::DOUBLE; }
bool _isChar(K k) { return k == K::CHAR || k == K::VARCHAR || k == K::LONGVARCHAR || k == K::CLOB; }
bool _isGraphic(K k) { return k == K::GRAPHIC || k == K::VARGRAPHIC || k == K::LONGVARGRAPHIC || k == K::DBCLOB; }
bool _isString(K k) { return _isChar(k) || _isGraphic(k); }
bool _isDt(K k) { return k == K::DATE || k == K::TIME || k == K::TIMESTAMP; }

/* Types DB2 does not compare: numbers, strings and datetime values with one
   another, a datetime value with one of another type; a datetime value with
   a character string (its string form) is compared.  Other types (NULL,
   parameters, binary strings) are left to the checks of their operations. */
bool _incomparable(K a, K b)
{
  auto family = [](K k) { return _isNum(k) ? 1 : _isString(k) ? 2 : _isDt(k) ? 3 : 0; };
  int fa = family(a), fb = family(b);
  if (fa == 0 || fb == 0) return false;
  if (fa == fb) return fa == 3 && a != b;
  return !((fa == 3 && _isChar(b)) || (fb == 3 && _isChar(a)));
}

const char *_kindName(K k)
{
  switch (k) {
    case K::SMALLINT: return "SMALLINT";
    case K::INTEGER: return "INTEGER";
    case K::BIGINT: return "BIGINT";
    case K::DECIMAL: return "DECIMAL";
    case K::REAL: return "REAL";
    case K::DOUBLE: return "DOUBLE";
    case K::CHAR: return "CHAR";
    case K::VARCHAR: return "VARCHAR";
    case K::LONGVARCHAR: return "LONG VARCHAR";
    case K::CLOB: return "CLOB";
    case K::GRAPHIC: return "GRAPHIC";
    case K::VARGRAPHIC: return "VARGRAPHIC";
    case K::LONGVARGRAPHIC: return "LONG VARGRAPHIC";
    case K::DBCLOB: return "DBCLOB";
    case K::BLOB: return "BLOB";
    case K::DATE: return "DATE";
    case K::TIME: return "TIME";
    case K::TIMESTAMP: return "TIMESTAMP";
    default: return "NULL";
  }
}

T _t(K k, int iLen = 0, int iScale = 0, bool boNull = false)
{
  T t;
  t.k = k;
  t.iLen = iLen;
  t.iScale = iScale;
  t.boNull = boNull;
  return t;
}

/* The type of a declared column type ("DECIMAL(9,2)", "CHAR(3) FOR BIT DATA" ...). */
T _declType(const std::string &strDecl, bool boNull)
{
  db2standColType ct = db2standParseType(strDecl.empty() ? "VARCHAR(254)" : strDecl);
  std::string strUpper = db2standUpper(strDecl);
  T t;
  t.boNull = boNull;
  t.iLen = static_cast<int>(ct.uiSize);
  t.iScale = ct.sScale;
  switch (ct.sSqlType) {
    case SQL_SMALLINT: t.k = K::SMALLINT; break;
    case SQL_INTEGER: t.k = K::INTEGER; break;
    case SQL_BIGINT: t.k = K::BIGINT; break;
    case SQL_DECIMAL: t.k = K::DECIMAL; break;
    case SQL_REAL: t.k = K::REAL; break;
    case SQL_DOUBLE: case SQL_FLOAT: t.k = K::DOUBLE; break;
    case SQL_CHAR: t.k = K::CHAR; break;
    case SQL_VARCHAR: t.k = K::VARCHAR; break;
    case SQL_LONGVARCHAR: t.k = K::LONGVARCHAR; break;
    case SQL_BINARY:
      t.boBit = true;
      t.k = strUpper.rfind("LONG", 0) == 0 ? K::LONGVARCHAR : strUpper.rfind("VARCHAR", 0) == 0 ? K::VARCHAR : K::CHAR;
      break;
    case SQL_GRAPHIC: t.k = K::GRAPHIC; break;
    case SQL_VARGRAPHIC: t.k = K::VARGRAPHIC; break;
    case SQL_LONGVARGRAPHIC: t.k = K::LONGVARGRAPHIC; break;
    case SQL_TYPE_DATE: t.k = K::DATE; break;
    case SQL_TYPE_TIME: t.k = K::TIME; break;
    case SQL_TYPE_TIMESTAMP: t.k = K::TIMESTAMP; break;
    case SQL_BLOB: t.k = K::BLOB; break;
    case SQL_CLOB: t.k = K::CLOB; break;
    case SQL_DBCLOB: t.k = K::DBCLOB; break;
    default: t.k = K::VARCHAR; break;
  }
  return t;
}

/* The CLI description of a computed value of type t. */
db2standColType _describe(const T &t)
{
  db2standColType ct;
  ct.boNullable = t.boNull;
  ct.sScale = 0;
  auto set = [&](SQLSMALLINT s, int iSize, int iOctets) {
    ct.sSqlType = s;
    ct.uiSize = static_cast<SQLUINTEGER>(iSize);
    ct.iOctetLength = iOctets;
  };
  switch (t.k) {
    case K::SMALLINT: set(SQL_SMALLINT, 5, 2); break;
    case K::INTEGER: set(SQL_INTEGER, 10, 4); break;
    case K::BIGINT: set(SQL_BIGINT, 19, 8); break;
    case K::DECIMAL:
      set(SQL_DECIMAL, t.iLen, t.iLen / 2 + 1);
      ct.sScale = static_cast<SQLSMALLINT>(t.iScale);
      break;
    case K::REAL: set(SQL_REAL, 7, 4); break;
    case K::DOUBLE: set(SQL_DOUBLE, 15, 8); break;
    case K::CHAR: set(t.boBit ? SQL_BINARY : SQL_CHAR, t.iLen, t.iLen); break;
    case K::VARCHAR: set(t.boBit ? SQL_BINARY : SQL_VARCHAR, t.iLen, t.iLen); break;
    case K::LONGVARCHAR: set(SQL_LONGVARCHAR, 32700, 32700); break;
    case K::CLOB: set(SQL_CLOB, t.iLen, t.iLen); break;
    case K::GRAPHIC: set(SQL_GRAPHIC, t.iLen, 2 * t.iLen); break;
    case K::VARGRAPHIC: set(SQL_VARGRAPHIC, t.iLen, 2 * t.iLen); break;
    case K::LONGVARGRAPHIC: set(SQL_LONGVARGRAPHIC, 16350, 32700); break;
    case K::DBCLOB: set(SQL_DBCLOB, t.iLen, 2 * t.iLen); break;
    case K::BLOB: set(SQL_BLOB, t.iLen, t.iLen); break;
    case K::DATE: set(SQL_TYPE_DATE, 10, 10); break;
    case K::TIME: set(SQL_TYPE_TIME, 8, 8); break;
    case K::TIMESTAMP: set(SQL_TYPE_TIMESTAMP, 26, 26); break;
    default: set(SQL_VARCHAR, 254, 254); break;
  }
  return ct;
}

/* Precision and scale of a number where a DECIMAL faces it. */
void _precision(const T &t, int *pp, int *ps)
{
  *ps = 0;
  switch (t.k) {
    case K::SMALLINT: *pp = 5; break;
    case K::INTEGER: *pp = 11; break;
    case K::BIGINT: *pp = 19; break;
    case K::DECIMAL:
      *pp = t.iLen;
      *ps = t.iScale;
      break;
    default: *pp = 15; break;
  }
}

/*
** DB2's rules for result data types: the type that results of types a and b
** (CASE results, VALUE arguments) take.  Throws Outside for pairs it does
** not know and returns false for incompatible ones.
*/
bool _unify(const T &a, const T &b, T *pt)
{
  if (a.k == K::NUL || a.k == K::PARAM) {
    *pt = b;
    return true;
  }
  if (b.k == K::NUL || b.k == K::PARAM) {
    *pt = a;
    return true;
  }
  T t;
  t.boNull = a.boNull || b.boNull;
  if (_isNum(a.k) && _isNum(b.k)) {
    if (a.k == K::DOUBLE || b.k == K::DOUBLE) t.k = K::DOUBLE;
    else if (a.k == K::REAL && b.k == K::REAL) t.k = K::REAL;
    else if (a.k == K::REAL || b.k == K::REAL) t.k = K::DOUBLE;
    else if (a.k == K::SMALLINT && b.k == K::SMALLINT) t.k = K::SMALLINT;
    else if (_isInt(a.k) && _isInt(b.k)) t.k = a.k == K::BIGINT || b.k == K::BIGINT ? K::BIGINT : K::INTEGER;
    else {
      int p1, s1, p2, s2;
      _precision(a, &p1, &s1);
      _precision(b, &p2, &s2);
      t.k = K::DECIMAL;
      t.iScale = std::max(s1, s2);
      t.iLen = std::min(31, std::max(p1 - s1, p2 - s2) + t.iScale);
    }
  } else if (_isChar(a.k) && _isChar(b.k)) {
    t.k = a.k == K::CLOB || b.k == K::CLOB ? K::CLOB : a.k == K::LONGVARCHAR || b.k == K::LONGVARCHAR ? K::LONGVARCHAR
        : a.k == K::VARCHAR || b.k == K::VARCHAR ? K::VARCHAR : K::CHAR;
    t.iLen = std::max(a.iLen, b.iLen);
    t.boBit = a.boBit || b.boBit;
  } else if (_isGraphic(a.k) && _isGraphic(b.k)) {
    t.k = a.k == K::GRAPHIC && b.k == K::GRAPHIC ? K::GRAPHIC : K::VARGRAPHIC;
    t.iLen = std::max(a.iLen, b.iLen);
  } else if (_isDt(a.k) && (a.k == b.k || _isChar(b.k))) {
    t.k = a.k;
  } else if (_isDt(b.k) && _isChar(a.k)) {
    t.k = b.k;
  } else {
    return false;
  }
  *pt = t;
  return true;
}

/* ================================================================ lexer */

enum Tok { T_END, T_ID, T_QID, T_STR, T_NUM, T_OP, T_PARAM };

struct Token {
  Tok e = T_END;
  std::string s;      /* identifier upper-cased, delimited name as written, string value, number or operator */
  size_t ulAt = 0;    /* offset in the text */
};

std::vector<Token> _lex(const std::string &str)
{
  std::vector<Token> v;
  size_t i = 0;
  while (true) {
    while (i < str.size() && std::isspace(static_cast<unsigned char>(str[i]))) i++;
    Token t;
    t.ulAt = i;
    if (i >= str.size()) {
      v.push_back(t);
      return v;
    }
    char c = str[i];
    if (c == '-' && i + 1 < str.size() && str[i + 1] == '-') {   /* a comment to the end of the line */
      while (i < str.size() && str[i] != '\n') i++;
      continue;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' || c == '@') {
      size_t j = i;
      while (j < str.size() && (std::isalnum(static_cast<unsigned char>(str[j])) || str[j] == '_' || str[j] == '$' ||
                                str[j] == '#' || str[j] == '@'))
        j++;
      if ((c == 'X' || c == 'x' || c == 'G' || c == 'g' || c == 'N' || c == 'n') && j == i + 1 && j < str.size() &&
          str[j] == '\'')
        throw Outside{};   /* hexadecimal and graphic string constants */
      t.e = T_ID;
      t.s = db2standUpper(str.substr(i, j - i));
      i = j;
    } else if (c == '"' || c == '\'') {
      std::string strValue;
      size_t j = i + 1;
      bool boClosed = false;
      while (j < str.size()) {
        if (str[j] == c) {
          if (j + 1 < str.size() && str[j + 1] == c) {
            strValue += c;
            j += 2;
            continue;
          }
          boClosed = true;
          break;
        }
        strValue += str[j++];
      }
      if (!boClosed) throw Outside{};
      t.e = c == '"' ? T_QID : T_STR;
      t.s = strValue;
      i = j + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < str.size() && std::isdigit(static_cast<unsigned char>(str[i + 1])))) {
      size_t j = i;
      while (j < str.size() && std::isdigit(static_cast<unsigned char>(str[j]))) j++;
      if (j < str.size() && str[j] == '.') {
        j++;
        while (j < str.size() && std::isdigit(static_cast<unsigned char>(str[j]))) j++;
      }
      if (j < str.size() && (str[j] == 'E' || str[j] == 'e')) {
        size_t k = j + 1;
        if (k < str.size() && (str[k] == '+' || str[k] == '-')) k++;
        if (k < str.size() && std::isdigit(static_cast<unsigned char>(str[k]))) {
          j = k;
          while (j < str.size() && std::isdigit(static_cast<unsigned char>(str[j]))) j++;
        }
      }
      t.e = T_NUM;
      t.s = db2standUpper(str.substr(i, j - i));
      i = j;
    } else if (c == '?') {
      t.e = T_PARAM;
      t.s = "?";
      i++;
    } else {
      static const char *const apcOps[] = {"<>", "<=", ">=", "!=", "||", "\xC2\xAC=", "=", "<", ">", "+", "-",
                                           "*",  "/",  "(",  ")",  ",",  ".",          ";"};
      bool boFound = false;
      for (const char *pc : apcOps) {
        size_t n = std::strlen(pc);
        if (str.compare(i, n, pc) == 0) {
          t.e = T_OP;
          t.s = pc;
          i += n;
          boFound = true;
          break;
        }
      }
      if (!boFound) throw Outside{};
      if (t.s == "!=" || t.s == "\xC2\xAC=") t.s = "<>";
    }
    v.push_back(t);
  }
}

/* ================================================================ tree */

struct Node {
  enum Kind { COL, NUM, STR, NUL, PARAM, NEG, ARITH, CONCAT, DUR, FUNC, CASE, CURRENT, CMP, BETWEEN, IN, LIKE, ISNULL,
              NOT, AND, OR, KEYWORD };
  Kind k;
  std::string a;         /* COL qualifier; NUM, STR, KEYWORD text; operator; unit; function name; CURRENT's type */
  std::string b;         /* COL name; CASE: "SIMPLE" for the simple form */
  bool boNot = false;    /* NOT BETWEEN, NOT IN, NOT LIKE, IS NOT NULL */
  int iParam = 0;
  std::vector<std::unique_ptr<Node>> v;
  /* typing */
  T t;
  std::string strSql;    /* the value in the forms of db2standsql.h */
  std::string strRaw;    /* bare column, literal, parameter: the text as written; else empty */
  explicit Node(Kind e) : k(e) {}
};
using PNode = std::unique_ptr<Node>;

PNode _node(Node::Kind k, std::string a = std::string())
{
  PNode p = std::make_unique<Node>(k);
  p->a = std::move(a);
  return p;
}

/* ================================================================ parser */

struct Item {
  PNode e;
  std::string strAlias;
  bool boStar = false;
  std::string strStarQualifier;
};

struct Column {
  std::string strName;
  std::string strDecl;
  T t;
};

struct TableRef {
  std::string strSchema, strName, strCorr;
  std::vector<Column> vCols;
};

struct Order {
  PNode e;
  bool boDesc = false;
};

struct Statement {
  bool boDistinct = false;
  std::vector<Item> vItems;
  std::vector<TableRef> vTables;
  PNode where;
  std::vector<Order> vOrder;
  std::string strLimit;
};

const std::set<std::string> &_reserved()
{
  static const std::set<std::string> set = {
      "FROM",  "WHERE", "ORDER", "GROUP",     "HAVING", "FETCH", "FOR",   "WITH", "OPTIMIZE", "UNION", "EXCEPT",
      "INTERSECT", "AS", "AND", "OR",        "NOT",    "BETWEEN", "IN",  "LIKE", "IS",       "ESCAPE", "THEN",
      "ELSE",  "WHEN",  "END",   "ASC",       "DESC",   "JOIN",  "INNER", "LEFT", "RIGHT",    "FULL",  "ON",
      "CROSS", "SELECT", "DISTINCT", "ALL",   "CASE",   "NULL",  "BY"};
  return set;
}

bool _unit(const std::string &s, std::string *pstrUnit)
{
  static const char *const apc[][2] = {{"YEAR", "YEARS"},   {"YEARS", "YEARS"},     {"MONTH", "MONTHS"},
                                       {"MONTHS", "MONTHS"}, {"DAY", "DAYS"},        {"DAYS", "DAYS"},
                                       {"HOUR", "HOURS"},   {"HOURS", "HOURS"},     {"MINUTE", "MINUTES"},
                                       {"MINUTES", "MINUTES"}, {"SECOND", "SECONDS"}, {"SECONDS", "SECONDS"},
                                       {"MICROSECOND", "MICROSECONDS"}, {"MICROSECONDS", "MICROSECONDS"}};
  for (auto &p : apc)
    if (s == p[0]) {
      *pstrUnit = p[1];
      return true;
    }
  return false;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> v) : mv(std::move(v)) {}

  Statement statement()
  {
    Statement st;
    expect("SELECT");
    if (accept("DISTINCT")) st.boDistinct = true;
    else accept("ALL");
    if (isOp("*")) {
      next();
      Item it;
      it.boStar = true;
      st.vItems.push_back(std::move(it));
    } else {
      do {
        st.vItems.push_back(item());
      } while (acceptOp(","));
    }
    expect("FROM");
    do {
      st.vTables.push_back(table());
    } while (acceptOp(","));
    if (accept("WHERE")) st.where = orExpr();
    if (accept("ORDER")) {
      expect("BY");
      do {
        Order o;
        o.e = orExpr();
        if (accept("DESC")) o.boDesc = true;
        else accept("ASC");
        st.vOrder.push_back(std::move(o));
      } while (acceptOp(","));
    }
    while (cur().e != T_END && !isOp(";")) {
      if (accept("FETCH")) {
        expect("FIRST");
        std::string strCount = "1";
        if (cur().e == T_NUM) {
          strCount = cur().s;
          next();
        }
        if (!accept("ROW")) expect("ROWS");
        expect("ONLY");
        if (strCount.find_first_not_of("0123456789") != std::string::npos) throw Outside{};
        st.strLimit = strCount;
      } else if (accept("FOR")) {
        if (!accept("READ")) expect("FETCH");
        expect("ONLY");
      } else if (accept("OPTIMIZE")) {
        expect("FOR");
        if (cur().e != T_NUM) throw Outside{};
        next();
        if (!accept("ROW")) expect("ROWS");
      } else if (accept("WITH")) {
        if (!accept("UR") && !accept("CS") && !accept("RS")) expect("RR");
      } else {
        throw Outside{};
      }
    }
    acceptOp(";");
    if (cur().e != T_END) throw Outside{};
    return st;
  }

 private:
  std::vector<Token> mv;
  size_t mi = 0;
  int miParams = 0;

  const Token &cur() const { return mv[mi]; }
  const Token &peek(size_t n = 1) const { return mv[std::min(mi + n, mv.size() - 1)]; }
  void next()
  {
    if (mi + 1 < mv.size()) mi++;
  }
  bool isWord(const std::string &s) const { return cur().e == T_ID && cur().s == s; }
  bool isOp(const std::string &s) const { return cur().e == T_OP && cur().s == s; }
  bool accept(const std::string &s)
  {
    if (!isWord(s)) return false;
    next();
    return true;
  }
  bool acceptOp(const std::string &s)
  {
    if (!isOp(s)) return false;
    next();
    return true;
  }
  void expect(const std::string &s)
  {
    if (!accept(s)) throw Outside{};
  }
  void expectOp(const std::string &s)
  {
    if (!acceptOp(s)) throw Outside{};
  }
  bool isName() const { return (cur().e == T_ID && _reserved().count(cur().s) == 0) || cur().e == T_QID; }
  std::string name()
  {
    if (!isName()) throw Outside{};
    std::string s = cur().s;
    next();
    return s;
  }

  Item item()
  {
    Item it;
    if (isName() && peek().e == T_OP && peek().s == "." && peek(2).e == T_OP && peek(2).s == "*") {
      it.boStar = true;
      it.strStarQualifier = name();
      next();
      next();
      return it;
    }
    it.e = orExpr();
    if (accept("AS")) it.strAlias = name();
    else if (isName()) it.strAlias = name();
    return it;
  }

  TableRef table()
  {
    if (isOp("(")) throw Outside{};
    TableRef t;
    t.strName = name();
    if (acceptOp(".")) {
      t.strSchema = t.strName;
      t.strName = name();
    }
    if (accept("AS")) t.strCorr = name();
    else if (isName()) t.strCorr = name();
    return t;
  }

  PNode orExpr()
  {
    PNode l = andExpr();
    while (accept("OR")) {
      PNode n = _node(Node::OR);
      n->v.push_back(std::move(l));
      n->v.push_back(andExpr());
      l = std::move(n);
    }
    return l;
  }

  PNode andExpr()
  {
    PNode l = notExpr();
    while (accept("AND")) {
      PNode n = _node(Node::AND);
      n->v.push_back(std::move(l));
      n->v.push_back(notExpr());
      l = std::move(n);
    }
    return l;
  }

  PNode notExpr()
  {
    if (accept("NOT")) {
      PNode n = _node(Node::NOT);
      n->v.push_back(notExpr());
      return n;
    }
    return predicate();
  }

  PNode predicate()
  {
    PNode l = addExpr();
    if (cur().e == T_OP && (cur().s == "=" || cur().s == "<>" || cur().s == "<" || cur().s == ">" || cur().s == "<=" ||
                            cur().s == ">=")) {
      PNode n = _node(Node::CMP, cur().s);
      next();
      if (isWord("ANY") || isWord("ALL") || isWord("SOME")) throw Outside{};
      n->v.push_back(std::move(l));
      n->v.push_back(addExpr());
      return n;
    }
    bool boNot = false;
    if (isWord("NOT") && peek().e == T_ID && (peek().s == "BETWEEN" || peek().s == "IN" || peek().s == "LIKE")) {
      boNot = true;
      next();
    }
    if (accept("BETWEEN")) {
      PNode n = _node(Node::BETWEEN);
      n->boNot = boNot;
      n->v.push_back(std::move(l));
      n->v.push_back(addExpr());
      expect("AND");
      n->v.push_back(addExpr());
      return n;
    }
    if (accept("IN")) {
      PNode n = _node(Node::IN);
      n->boNot = boNot;
      n->v.push_back(std::move(l));
      expectOp("(");
      if (isWord("SELECT")) throw Outside{};
      do {
        n->v.push_back(addExpr());
      } while (acceptOp(","));
      expectOp(")");
      return n;
    }
    if (accept("LIKE")) {
      PNode n = _node(Node::LIKE);
      n->boNot = boNot;
      n->v.push_back(std::move(l));
      n->v.push_back(addExpr());
      if (accept("ESCAPE")) n->v.push_back(addExpr());
      return n;
    }
    if (accept("IS")) {
      PNode n = _node(Node::ISNULL);
      n->boNot = accept("NOT");
      expect("NULL");
      n->v.push_back(std::move(l));
      return n;
    }
    return l;
  }

  /* An operand followed by a duration unit becomes a labelled duration. */
  PNode duration(PNode p)
  {
    std::string strUnit;
    if (cur().e == T_ID && _unit(cur().s, &strUnit) && !(peek().e == T_OP && peek().s == "(")) {
      next();
      PNode n = _node(Node::DUR, strUnit);
      n->v.push_back(std::move(p));
      return n;
    }
    return p;
  }

  PNode addExpr()
  {
    PNode l = duration(mulExpr());
    while (true) {
      Node::Kind k;
      std::string strOp;
      if (isOp("+") || isOp("-")) {
        k = Node::ARITH;
        strOp = cur().s;
      } else if (isOp("||") || isWord("CONCAT")) {
        k = Node::CONCAT;
        strOp = "||";
      } else {
        return l;
      }
      next();
      PNode n = _node(k, strOp);
      n->v.push_back(std::move(l));
      n->v.push_back(duration(mulExpr()));
      l = std::move(n);
    }
  }

  PNode mulExpr()
  {
    PNode l = unary();
    while (isOp("*") || isOp("/")) {
      PNode n = _node(Node::ARITH, cur().s);
      next();
      n->v.push_back(std::move(l));
      n->v.push_back(unary());
      l = std::move(n);
    }
    return l;
  }

  PNode unary()
  {
    if (acceptOp("-")) {
      PNode n = _node(Node::NEG);
      n->v.push_back(unary());
      return n;
    }
    if (acceptOp("+")) return unary();
    return primary();
  }

  PNode primary()
  {
    const Token t = cur();
    switch (t.e) {
      case T_NUM: next(); return _node(Node::NUM, t.s);
      case T_STR: next(); return _node(Node::STR, t.s);
      case T_PARAM: {
        next();
        PNode n = _node(Node::PARAM);
        n->iParam = ++miParams;
        return n;
      }
      case T_OP:
        if (t.s == "(") {
          next();
          if (isWord("SELECT")) throw Outside{};
          PNode n = orExpr();
          expectOp(")");
          return n;
        }
        throw Outside{};
      case T_QID: return column();
      case T_ID: break;
      default: throw Outside{};
    }
    if (accept("NULL")) return _node(Node::NUL);
    if (isWord("CASE")) return caseExpr();
    if (isWord("CURRENT") && peek().e == T_ID &&
        (peek().s == "DATE" || peek().s == "TIME" || peek().s == "TIMESTAMP")) {
      next();
      PNode n = _node(Node::CURRENT, cur().s);
      next();
      return n;
    }
    if (peek().e == T_OP && peek().s == "(") return function();
    if (_reserved().count(t.s) != 0 || t.s == "CURRENT" || t.s == "USER") throw Outside{};
    return column();
  }

  PNode column()
  {
    std::string a = name();
    PNode n = _node(Node::COL);
    if (acceptOp(".")) {
      std::string b = name();
      if (acceptOp(".")) {   /* schema.table.column */
        a = a + "." + b;
        b = name();
      }
      n->a = a;
      n->b = b;
    } else {
      n->b = a;
    }
    return n;
  }

  PNode function()
  {
    PNode n = _node(Node::FUNC, cur().s);
    next();
    expectOp("(");
    if (isWord("DISTINCT") || isOp("*")) throw Outside{};
    if (!isOp(")")) {
      do {
        size_t iArg = n->v.size();
        static const std::set<std::string> setWords = {"ISO", "USA", "EUR", "JIS", "LOCAL", "B", "L", "T",
                                                       "BOTH", "LEADING", "TRAILING"};
        if (iArg == 1 && cur().e == T_ID && setWords.count(cur().s) != 0 && peek().e == T_OP &&
            (peek().s == ")" || peek().s == ",")) {
          n->v.push_back(_node(Node::KEYWORD, cur().s));
          next();
        } else {
          n->v.push_back(orExpr());
        }
      } while (acceptOp(","));
    }
    expectOp(")");
    return n;
  }

  PNode caseExpr()
  {
    expect("CASE");
    PNode n = _node(Node::CASE);
    if (!isWord("WHEN")) {
      n->b = "SIMPLE";
      n->v.push_back(addExpr());
    } else {
      n->v.push_back(_node(Node::NUL));   /* no subject */
    }
    if (!isWord("WHEN")) throw Outside{};
    while (accept("WHEN")) {
      n->v.push_back(n->b == "SIMPLE" ? addExpr() : orExpr());
      expect("THEN");
      n->v.push_back(orExpr());
    }
    if (accept("ELSE")) n->v.push_back(orExpr());
    expect("END");
    /* odd count after the subject: an ELSE result; even: none */
    return n;
  }
};

/* ================================================================ typing and SQL */

std::string _quote(const std::string &s)
{
  std::string o = "\"";
  for (char c : s) {
    if (c == '"') o += '"';
    o += c;
  }
  return o + "\"";
}

std::string _literal(const std::string &s)
{
  std::string o = "'";
  for (char c : s) {
    if (c == '\'') o += '\'';
    o += c;
  }
  return o + "'";
}

std::string _kind(const T &t) { return _literal(_kindName(t.k)); }

class Typer {
 public:
  Typer(sqlite3 *pdb, std::string strUser) : mpdb(pdb), mstrUser(std::move(strUser)) {}

  /* Columns of every table of the FROM clause, each named in the user's schema when unqualified. */
  void tables(std::vector<TableRef> &v)
  {
    for (TableRef &t : v) {
      if (t.strSchema.empty()) t.strSchema = mstrUser;
      sqlite3_stmt *pst = nullptr;
      std::string strSql = "PRAGMA " + _quote(t.strSchema) + ".table_info(" + _quote(t.strName) + ")";
      if (sqlite3_prepare_v2(mpdb, strSql.c_str(), -1, &pst, nullptr) == SQLITE_OK) {
        while (sqlite3_step(pst) == SQLITE_ROW) {
          Column c;
          const char *pcName = reinterpret_cast<const char *>(sqlite3_column_text(pst, 1));
          const char *pcDecl = reinterpret_cast<const char *>(sqlite3_column_text(pst, 2));
          c.strName = pcName != nullptr ? pcName : "";
          c.strDecl = pcDecl != nullptr ? pcDecl : "";
          c.t = _declType(c.strDecl, sqlite3_column_int(pst, 3) == 0);
          t.vCols.push_back(c);
        }
      }
      sqlite3_finalize(pst);
      if (t.vCols.empty())
        _fail(-204, "42704", "SQL0204N  \"" + t.strSchema + "." + t.strName + "\" is an undefined name.");
      mvTables.push_back(&t);
    }
  }

  const std::vector<TableRef *> &tableList() const { return mvTables; }

  /* Types a node and its operands and makes their SQL. */
  void type(Node &n)
  {
    switch (n.k) {
      case Node::COL: typeColumn(n); return;
      case Node::NUM: typeNumber(n); return;
      case Node::STR:
        n.t = _t(K::CHAR, static_cast<int>(n.a.size()));
        n.strSql = n.strRaw = _literal(n.a);
        if (n.a.size() > 254) n.t.k = K::VARCHAR;
        return;
      case Node::NUL:
        n.t = _t(K::NUL, 0, 0, true);
        n.strSql = n.strRaw = "NULL";
        return;
      case Node::PARAM:
        n.t = _t(K::PARAM, 0, 0, true);
        n.strSql = n.strRaw = "?" + std::to_string(n.iParam);
        return;
      case Node::KEYWORD: _fail(-104, "42601", "SQL0104N  An unexpected token \"" + n.a + "\" was found.");
      case Node::NEG: typeNeg(n); return;
      case Node::ARITH: typeArith(n); return;
      case Node::CONCAT: typeConcat(n); return;
      case Node::DUR:
        _fail(-182, "42816", "SQL0182N  An expression with a datetime value or a labeled duration is not valid.");
      case Node::FUNC: typeFunction(n); return;
      case Node::CASE: typeCase(n); return;
      case Node::CURRENT:
        n.t = _t(n.a == "DATE" ? K::DATE : n.a == "TIME" ? K::TIME : K::TIMESTAMP);
        n.strSql = "db2_current(" + _literal(n.a) + ")";
        return;
      case Node::CMP:
        type(*n.v[0]);
        type(*n.v[1]);
        n.t = _t(K::BOOL);
        n.strSql = compare(*n.v[0], *n.v[1], n.a);
        return;
      case Node::BETWEEN:
        for (auto &p : n.v) type(*p);
        n.t = _t(K::BOOL);
        n.strSql = "(" + compare(*n.v[0], *n.v[1], ">=") + " AND " + compare(*n.v[0], *n.v[2], "<=") + ")";
        if (n.boNot) n.strSql = "(NOT " + n.strSql + ")";
        return;
      case Node::IN: typeIn(n); return;
      case Node::LIKE: typeLike(n); return;
      case Node::ISNULL:
        type(*n.v[0]);
        n.t = _t(K::BOOL);
        n.strSql = "(" + n.v[0]->strSql + (n.boNot ? " IS NOT NULL)" : " IS NULL)");
        return;
      case Node::NOT:
        type(*n.v[0]);
        boolean(*n.v[0]);
        n.t = _t(K::BOOL);
        n.strSql = "(NOT " + n.v[0]->strSql + ")";
        return;
      case Node::AND:
      case Node::OR:
        type(*n.v[0]);
        type(*n.v[1]);
        boolean(*n.v[0]);
        boolean(*n.v[1]);
        n.t = _t(K::BOOL);
        n.strSql = "(" + n.v[0]->strSql + (n.k == Node::AND ? " AND " : " OR ") + n.v[1]->strSql + ")";
        return;
    }
  }

  /* The SQL of a node's value converted to type to (CASE and VALUE results, casts). */
  std::string convert(const Node &n, const T &to)
  {
    const T &f = n.t;
    if (f.k == K::NUL) return "NULL";
    bool boSame = f.k == to.k && (f.k != K::DECIMAL || f.iScale == to.iScale) &&
                  ((f.k != K::CHAR && f.k != K::GRAPHIC) || f.iLen == to.iLen);
    if (boSame && (f.k != K::DECIMAL || f.iLen <= to.iLen)) return n.strSql;
    if (f.k == K::PARAM) return n.strSql;
    return "db2_conv(" + n.strSql + ", " + _kind(f) + ", " + _kind(to) + ", " + std::to_string(to.iLen) + ", " +
           std::to_string(to.iScale) + ")";
  }

  void boolean(const Node &n)
  {
    if (n.t.k != K::BOOL) _fail(-104, "42601", "SQL0104N  An unexpected token was found after a value where a "
                                                "condition was expected.");
  }

 private:
  sqlite3 *mpdb;
  std::string mstrUser;
  std::vector<TableRef *> mvTables;

  void typeColumn(Node &n)
  {
    const Column *pfound = nullptr;
    const TableRef *ptable = nullptr;
    for (const TableRef *pt : mvTables) {
      if (!n.a.empty() && n.a != pt->strCorr && n.a != pt->strName && n.a != pt->strSchema + "." + pt->strName)
        continue;
      if (!n.a.empty() && pt->strCorr.empty() == false && n.a == pt->strName && n.a != pt->strCorr) continue;
      for (const Column &c : pt->vCols) {
        if (c.strName != n.b) continue;
        if (pfound != nullptr)
          _fail(-203, "42702", "SQL0203N  A reference to column \"" + n.b + "\" is ambiguous.");
        pfound = &c;
        ptable = pt;
      }
    }
    if (pfound == nullptr)
      _fail(-206, "42703", "SQL0206N  \"" + (n.a.empty() ? n.b : n.a + "." + n.b) +
                               "\" is not valid in the context where it is used.");
    n.t = pfound->t;
    std::string strTable = !ptable->strCorr.empty() ? _quote(ptable->strCorr) : _quote(ptable->strName);
    n.strRaw = strTable + "." + _quote(pfound->strName);
    if (n.t.k == K::DECIMAL)
      n.strSql = "db2_dec(" + n.strRaw + ", " + std::to_string(n.t.iLen) + ", " + std::to_string(n.t.iScale) + ")";
    else if (n.t.k == K::CHAR || n.t.k == K::GRAPHIC)
      n.strSql = "db2_pad(" + n.strRaw + ", " + std::to_string(n.t.iLen) + ")";
    else
      n.strSql = n.strRaw;
  }

  void typeNumber(Node &n)
  {
    const std::string &s = n.a;
    n.strRaw = s;
    if (s.find('E') != std::string::npos) {
      n.t = _t(K::DOUBLE);
      n.strSql = s;
      return;
    }
    size_t ulDot = s.find('.');
    if (ulDot == std::string::npos) {
      std::string strDigits = s.substr(std::min(s.find_first_not_of('0'), s.size()));
      if (strDigits.size() < 10 || (strDigits.size() == 10 && strDigits <= "2147483647")) {
        n.t = _t(K::INTEGER);
      } else if (strDigits.size() < 19 || (strDigits.size() == 19 && strDigits <= "9223372036854775807")) {
        n.t = _t(K::BIGINT);
      } else {
        if (s.size() > 31) _fail(-103, "42604", "SQL0103N  The numeric literal \"" + s + "\" is not valid.");
        n.t = _t(K::DECIMAL, static_cast<int>(s.size()), 0);
        n.strSql = _literal(s);
        return;
      }
      n.strSql = s;
      return;
    }
    /* a decimal constant: every digit counts in its precision */
    int iScale = static_cast<int>(s.size() - ulDot - 1);
    int iPrec = static_cast<int>(s.size() - 1);
    if (iPrec > 31) _fail(-103, "42604", "SQL0103N  The numeric literal \"" + s + "\" is not valid.");
    n.t = _t(K::DECIMAL, std::max(iPrec, 1), iScale);
    n.strSql = _literal(s.front() == '.' ? "0" + s : s);
  }

  void typeNeg(Node &n)
  {
    Node &x = *n.v[0];
    type(x);
    if (!_isNum(x.t.k)) _incompatible("-");
    n.t = x.t;
    if (n.t.k == K::SMALLINT) n.t.k = K::INTEGER;   /* DB2: -SMALLINT is an INTEGER */
    n.strSql = "db2_neg(" + x.strSql + ", " + _kind(n.t) + ", " + std::to_string(n.t.iLen) + ", " +
               std::to_string(n.t.iScale) + ")";
  }

  /* The arithmetic result type of two numbers. */
  T arithType(const std::string &strOp, const T &a, const T &b)
  {
    T t;
    t.boNull = a.boNull || b.boNull;
    if (a.k == K::DOUBLE || b.k == K::DOUBLE || a.k == K::REAL || b.k == K::REAL) {
      t.k = K::DOUBLE;
    } else if ((a.k == K::SMALLINT || a.k == K::INTEGER) && (b.k == K::SMALLINT || b.k == K::INTEGER)) {
      t.k = K::INTEGER;
    } else if (_isInt(a.k) && _isInt(b.k)) {
      t.k = K::BIGINT;
    } else {
      int p1, s1, p2, s2;
      _precision(a, &p1, &s1);
      _precision(b, &p2, &s2);
      t.k = K::DECIMAL;
      if (strOp == "*") {
        t.iLen = std::min(31, p1 + p2);
        t.iScale = s1 + s2;
        if (t.iScale > 31)
          _fail(-419, "42911", "SQL0419N  A decimal divide operation is not valid because the result would have a "
                               "negative scale.");
      } else if (strOp == "/") {
        t.iLen = 31;
        t.iScale = 31 - p1 + s1 - s2;
        if (t.iScale < 0)
          _fail(-419, "42911", "SQL0419N  A decimal divide operation is not valid because the result would have a "
                               "negative scale.");
      } else {
        t.iScale = std::max(s1, s2);
        t.iLen = std::min(31, std::max(p1 - s1, p2 - s2) + t.iScale + 1);
      }
    }
    return t;
  }

  /* A string operand where a date, time or timestamp faces it is read as one. */
  std::string asDt(const Node &n, K k)
  {
    if (n.t.k == k) return n.strSql;
    if (_isChar(n.t.k) || n.t.k == K::PARAM) return convert(n, _t(k));
    _incompatible("+");
  }

  void typeArith(Node &n)
  {
    Node &l = *n.v[0], &r = *n.v[1];
    const std::string &op = n.a;
    bool boDurL = l.k == Node::DUR, boDurR = r.k == Node::DUR;
    if (boDurL) type(*l.v[0]);
    else type(l);
    if (boDurR) type(*r.v[0]);
    else type(r);
    if (boDurL || boDurR) {
      /* a date/time plus or minus a labelled duration */
      Node &d = boDurL ? r : l;
      Node &u = boDurL ? l : r;
      if (boDurL && op != "+") _incompatible(op);
      if (u.k != Node::DUR || !_isNum(u.v[0]->t.k)) _incompatible(op);
      K k = _isDt(d.t.k) ? d.t.k : K::NUL;
      if (k == K::NUL && _isChar(d.t.k)) k = u.a == "HOURS" || u.a == "MINUTES" || u.a == "SECONDS" ? K::TIMESTAMP : K::DATE;
      if (k == K::NUL) _incompatible(op);
      if ((k == K::DATE && (u.a == "HOURS" || u.a == "MINUTES" || u.a == "SECONDS" || u.a == "MICROSECONDS")) ||
          (k == K::TIME && (u.a == "YEARS" || u.a == "MONTHS" || u.a == "DAYS" || u.a == "MICROSECONDS")))
        _fail(-182, "42816", "SQL0182N  An expression with a datetime value or a labeled duration is not valid.");
      n.t = _t(k, 0, 0, d.t.boNull || u.v[0]->t.boNull);
      n.strSql = "db2_adddur(" + asDt(d, k) + ", " + _literal(_kindName(k)) + ", " + u.v[0]->strSql + ", " +
                 _literal(u.a) + ", " + (op == "-" ? "-1" : "1") + ")";
      return;
    }
    if (_isNum(l.t.k) && _isNum(r.t.k)) {
      n.t = arithType(op, l.t, r.t);
      n.strSql = "db2_arith(" + _literal(op) + ", " + l.strSql + ", " + r.strSql + ", " + _kind(n.t) + ", " +
                 std::to_string(n.t.iLen) + ", " + std::to_string(n.t.iScale) + ")";
      return;
    }
    if (l.t.k == K::PARAM || r.t.k == K::PARAM) throw Outside{};
    /* dates, times and timestamps */
    K kl = l.t.k, kr = r.t.k;
    bool boNull = l.t.boNull || r.t.boNull;
    if (op == "-" && _isDt(kl) && (kl == kr || _isChar(kr))) {
      n.t = _t(K::DECIMAL, kl == K::DATE ? 8 : kl == K::TIME ? 6 : 20, kl == K::TIMESTAMP ? 6 : 0, boNull);
      n.strSql = "db2_dtdiff(" + l.strSql + ", " + asDt(r, kl) + ", " + _literal(_kindName(kl)) + ")";
      return;
    }
    if (op == "-" && _isDt(kr) && _isChar(kl)) {
      n.t = _t(K::DECIMAL, kr == K::DATE ? 8 : kr == K::TIME ? 6 : 20, kr == K::TIMESTAMP ? 6 : 0, boNull);
      n.strSql = "db2_dtdiff(" + asDt(l, kr) + ", " + r.strSql + ", " + _literal(_kindName(kr)) + ")";
      return;
    }
    /* a DECIMAL duration: DECIMAL(8,0) with a date, (6,0) with a time, (20,6) with a timestamp */
    Node *pd = _isDt(kl) ? &l : (_isDt(kr) && op == "+" ? &r : nullptr);
    Node *pn = pd == &l ? &r : &l;
    if (pd != nullptr && pn->t.k == K::DECIMAL) {
      K k = pd->t.k;
      int iWant = k == K::DATE ? 8 : k == K::TIME ? 6 : 20, iScale = k == K::TIMESTAMP ? 6 : 0;
      if (pn->t.iLen != iWant || pn->t.iScale != iScale) _incompatible(op);
      n.t = _t(k, 0, 0, boNull);
      n.strSql = "db2_adddec(" + pd->strSql + ", " + _literal(_kindName(k)) + ", " + pn->strSql + ", " +
                 (op == "-" ? "-1" : "1") + ")";
      return;
    }
    _incompatible(op);
  }

  void typeConcat(Node &n)
  {
    Node &l = *n.v[0], &r = *n.v[1];
    type(l);
    type(r);
    bool boChar = (_isChar(l.t.k) || l.t.k == K::PARAM) && (_isChar(r.t.k) || r.t.k == K::PARAM);
    bool boGraphic = _isGraphic(l.t.k) && _isGraphic(r.t.k);
    if (!boChar && !boGraphic) _incompatible("||");
    int iLen = l.t.iLen + r.t.iLen;
    bool boFixed = (l.t.k == K::CHAR && r.t.k == K::CHAR) || (l.t.k == K::GRAPHIC && r.t.k == K::GRAPHIC);
    if (boGraphic) n.t = _t(boFixed && iLen <= 127 ? K::GRAPHIC : K::VARGRAPHIC, iLen);
    else n.t = _t(boFixed && iLen <= 254 ? K::CHAR : iLen <= 32672 ? K::VARCHAR : K::LONGVARCHAR, iLen);
    n.t.boNull = l.t.boNull || r.t.boNull;
    n.t.boBit = l.t.boBit || r.t.boBit;
    n.strSql = "(" + l.strSql + " || " + r.strSql + ")";
  }

  /* A comparison: as written for bare operands, else of the values by DB2's rules.
     Operands DB2 does not compare (a number with a string or a date, a date with
     a time) fail as DB2 fails them, bare ones too: SQLite would compare anything. */
  std::string compare(const Node &l, const Node &r, const std::string &op)
  {
    K kl = l.t.k, kr = r.t.k;
    if (_incomparable(kl, kr)) _incompatible(op);
    bool boDt = (_isDt(kl) && _isChar(kr)) || (_isDt(kr) && _isChar(kl));
    if (!l.strRaw.empty() && !r.strRaw.empty() && !boDt) return "(" + l.strRaw + " " + op + " " + r.strRaw + ")";
    if (kl == K::PARAM || kr == K::PARAM || kl == K::NUL || kr == K::NUL)
      return "(" + l.strSql + " " + op + " " + r.strSql + ")";
    if (_isNum(kl) && _isNum(kr)) {
      if (kl != K::DECIMAL && kr != K::DECIMAL) return "(" + l.strSql + " " + op + " " + r.strSql + ")";
      return "(db2_cmp(" + l.strSql + ", " + r.strSql + ") " + op + " 0)";
    }
    if ((_isChar(kl) && _isChar(kr)) || (_isGraphic(kl) && _isGraphic(kr)))
      return "(rtrim(" + l.strSql + ", ' ') " + op + " rtrim(" + r.strSql + ", ' '))";
    if (_isDt(kl) || _isDt(kr)) {
      K k = _isDt(kl) ? kl : kr;
      if ((_isDt(kl) && kl != k) || (_isDt(kr) && kr != k)) _incompatible(op);
      return "(" + asDt(l, k) + " " + op + " " + asDt(r, k) + ")";
    }
    _incompatible(op);
  }

  void typeIn(Node &n)
  {
    for (auto &p : n.v) type(*p);
    n.t = _t(K::BOOL);
    for (size_t i = 1; i < n.v.size(); i++)
      if (_incomparable(n.v[0]->t.k, n.v[i]->t.k)) _incompatible("IN");
    bool boRaw = true;
    for (auto &p : n.v) boRaw = boRaw && !p->strRaw.empty() && !_isDt(p->t.k);
    std::string s;
    if (boRaw) {
      s = "(" + n.v[0]->strRaw + " IN (";
      for (size_t i = 1; i < n.v.size(); i++) s += (i > 1 ? ", " : "") + n.v[i]->strRaw;
      s += "))";
    } else {
      s = "(";
      for (size_t i = 1; i < n.v.size(); i++) s += (i > 1 ? " OR " : "") + compare(*n.v[0], *n.v[i], "=");
      s += ")";
    }
    n.strSql = n.boNot ? "(NOT " + s + ")" : s;
  }

  void typeLike(Node &n)
  {
    for (auto &p : n.v) type(*p);
    for (auto &p : n.v)
      if (!_isString(p->t.k) && p->t.k != K::PARAM) _noFunction("LIKE");
    n.t = _t(K::BOOL);
    n.strSql = "db2_like(" + n.v[0]->strSql + ", " + n.v[1]->strSql + ", " +
               (n.v.size() > 2 ? n.v[2]->strSql : std::string("NULL")) + ")";
    if (n.boNot) n.strSql = "(NOT " + n.strSql + ")";
  }

  void typeCase(Node &n)
  {
    bool boSimple = n.b == "SIMPLE";
    Node &subject = *n.v[0];
    if (boSimple) type(subject);
    size_t iPairs = (n.v.size() - 1) / 2;
    bool boElse = (n.v.size() - 1) % 2 == 1;
    std::vector<std::string> vWhen;
    T t = _t(K::NUL, 0, 0, false);
    bool boAllNull = true;
    for (size_t i = 0; i < iPairs; i++) {
      Node &w = *n.v[1 + 2 * i], &r = *n.v[2 + 2 * i];
      type(w);
      if (boSimple) {
        vWhen.push_back(compare(subject, w, "="));
      } else {
        boolean(w);
        vWhen.push_back(w.strSql);
      }
      type(r);
    }
    if (boElse) type(*n.v.back());
    for (size_t i = 0; i < iPairs + (boElse ? 1 : 0); i++) {
      Node &r = i < iPairs ? *n.v[2 + 2 * i] : *n.v.back();
      if (r.t.k != K::NUL) boAllNull = false;
      T u;
      if (!_unify(t, r.t, &u))
        _fail(-581, "42804", "SQL0581N  The data types of the result-expressions of a CASE expression are not "
                             "compatible.");
      bool boNull = t.boNull || r.t.boNull;
      t = u;
      t.boNull = boNull;
    }
    if (boAllNull)
      _fail(-580, "42625", "SQL0580N  The result-expressions of a CASE expression cannot all be NULL.");
    if (!boElse) t.boNull = true;
    std::string s = "CASE";
    for (size_t i = 0; i < iPairs; i++) s += " WHEN " + vWhen[i] + " THEN " + convert(*n.v[2 + 2 * i], t);
    s += " ELSE " + (boElse ? convert(*n.v.back(), t) : std::string("NULL")) + " END";
    n.t = t;
    n.strSql = "(" + s + ")";
  }

  /* The integer value of a constant argument; false for anything else. */
  static bool constant(const Node &n, long *pl)
  {
    if (n.k == Node::NUM && n.a.find_first_not_of("0123456789") == std::string::npos) {
      *pl = std::atol(n.a.c_str());
      return true;
    }
    if (n.k == Node::NEG && n.v[0]->k == Node::NUM && n.v[0]->a.find_first_not_of("0123456789") == std::string::npos) {
      *pl = -std::atol(n.v[0]->a.c_str());
      return true;
    }
    return false;
  }

  /* Bytes of the stored form of a value (HEX, LENGTH of a number). */
  static int stored(const T &t)
  {
    switch (t.k) {
      case K::SMALLINT: return 2;
      case K::INTEGER: case K::REAL: case K::DATE: return 4;
      case K::BIGINT: case K::DOUBLE: return 8;
      case K::DECIMAL: return t.iLen / 2 + 1;
      case K::TIME: return 3;
      case K::TIMESTAMP: return 10;
      default: return t.iLen;
    }
  }

  std::string args(const Node &x, const T &t)
  {
    return x.strSql + ", " + _kind(t) + ", " + std::to_string(t.iLen) + ", " + std::to_string(t.iScale);
  }

  void typeFunction(Node &n)
  {
    std::string f = n.a;
    for (auto &p : n.v)
      if (p->k != Node::KEYWORD) type(*p);
    size_t iArgs = n.v.size();
    auto need = [&](size_t iMin, size_t iMax) {
      if (iArgs < iMin || iArgs > iMax) _noFunction(f);
    };
    auto arg = [&](size_t i) -> Node & { return *n.v[i]; };
    auto k0 = [&]() { return arg(0).t.k; };
    bool boNull0 = iArgs > 0 && arg(0).t.boNull;

    if (f == "ABS" || f == "SIGN" || f == "CEIL" || f == "CEILING" || f == "FLOOR") {
      need(1, 1);
      if (!_isNum(k0())) _noFunction(f);
      n.t = arg(0).t;
      const char *pcFn = f == "ABS" ? "db2_abs" : f == "SIGN" ? "db2_sign" : f == "FLOOR" ? "db2_floor" : "db2_ceil";
      n.strSql = std::string(pcFn) + "(" + args(arg(0), arg(0).t) + ")";
      if ((f == "CEIL" || f == "CEILING" || f == "FLOOR") && n.t.k == K::DECIMAL) n.t.iScale = 0;
      return;
    }
    if (f == "CHAR") {
      need(1, 2);
      const T &a = arg(0).t;
      std::string strFormat;
      int iLen;
      std::string strPoint;
      if (_isDt(a.k)) {
        if (iArgs == 2) {
          if (arg(1).k != Node::KEYWORD || a.k == K::TIMESTAMP) _noFunction(f);
          strFormat = arg(1).a == "LOCAL" ? "ISO" : arg(1).a;
        }
        iLen = a.k == K::DATE ? 10 : a.k == K::TIME ? 8 : 26;
      } else if (_isChar(a.k)) {
        long l = a.iLen;
        if (iArgs == 2 && (!constant(arg(1), &l) || l < 1 || l > 254)) _noFunction(f);
        if (a.k == K::CLOB || (iArgs == 1 && l > 254)) _noFunction(f);
        iLen = static_cast<int>(l);
      } else if (_isInt(a.k) || a.k == K::REAL || a.k == K::DOUBLE) {
        if (iArgs == 2) _noFunction(f);
        iLen = a.k == K::SMALLINT ? 6 : a.k == K::INTEGER ? 11 : a.k == K::BIGINT ? 20 : 24;
      } else if (a.k == K::DECIMAL) {
        if (iArgs == 2) {
          if (arg(1).k != Node::STR || arg(1).a.size() != 1) _noFunction(f);
          strPoint = arg(1).a;
        }
        iLen = a.iLen + 2;
      } else {
        _noFunction(f);
      }
      n.t = _t(K::CHAR, iLen, 0, boNull0);
      n.strSql = "db2_char(" + args(arg(0), a) + ", " + _literal(strFormat) + ", " + std::to_string(iLen) + ")";
      if (!strPoint.empty() && strPoint != ".") n.strSql = "replace(" + n.strSql + ", '.', " + _literal(strPoint) + ")";
      return;
    }
    if (f == "COALESCE" || f == "VALUE" || f == "IFNULL") {
      if (f == "IFNULL") need(2, 2);
      else need(2, 255);
      T t = _t(K::NUL);
      bool boAllNull = true;
      for (auto &p : n.v) {
        T u;
        if (!_unify(t, p->t, &u)) _noFunction(f);
        t = u;
        boAllNull = boAllNull && p->t.boNull;
      }
      t.boNull = boAllNull;
      if (t.k == K::NUL || t.k == K::PARAM) _noFunction(f);
      n.t = t;
      n.strSql = "coalesce(";
      for (size_t i = 0; i < iArgs; i++) n.strSql += (i ? ", " : "") + convert(arg(i), t);
      n.strSql += ")";
      return;
    }
    if (f == "NULLIF") {
      need(2, 2);
      n.t = arg(0).t;
      n.t.boNull = true;
      n.strSql = "(CASE WHEN " + compare(arg(0), arg(1), "=") + " THEN NULL ELSE " + arg(0).strSql + " END)";
      return;
    }
    if (f == "CONCAT") {
      need(2, 2);
      typeConcat(n);
      return;
    }
    if (f == "DATE" || f == "TIME" || f == "TIMESTAMP") {
      K kTo = f == "DATE" ? K::DATE : f == "TIME" ? K::TIME : K::TIMESTAMP;
      if (kTo == K::TIMESTAMP && iArgs == 2) {
        if ((arg(0).t.k != K::DATE && !_isChar(arg(0).t.k)) || (arg(1).t.k != K::TIME && !_isChar(arg(1).t.k)))
          _noFunction(f);
        n.t = _t(K::TIMESTAMP, 0, 0, boNull0 || arg(1).t.boNull);
        n.strSql = "db2_ts2(" + asDt(arg(0), K::DATE) + ", " + asDt(arg(1), K::TIME) + ")";
        return;
      }
      need(1, 1);
      K k = k0();
      bool boOk = _isChar(k) || k == kTo || (k == K::TIMESTAMP && kTo != K::TIMESTAMP) ||
                  (kTo == K::DATE && (_isInt(k) || k == K::DECIMAL));
      if (!boOk) _noFunction(f);
      n.t = _t(kTo, 0, 0, boNull0);
      n.strSql = k == kTo ? arg(0).strSql
                          : "db2_dt(" + arg(0).strSql + ", " + _kind(arg(0).t) + ", " + _literal(_kindName(kTo)) + ")";
      return;
    }
    static const std::set<std::string> setParts = {"YEAR", "MONTH", "DAY", "DAYOFMONTH", "HOUR", "MINUTE", "SECOND",
                                                   "MICROSECOND", "DAYS", "DAYOFWEEK", "DAYOFYEAR", "QUARTER",
                                                   "MIDNIGHT_SECONDS"};
    if (setParts.count(f) != 0) {
      need(1, 1);
      K k = k0();
      std::string strPart = f == "DAYOFMONTH" ? "DAY" : f;
      bool boDate = strPart == "YEAR" || strPart == "MONTH" || strPart == "DAY" || strPart == "DAYS" ||
                    strPart == "DAYOFWEEK" || strPart == "DAYOFYEAR" || strPart == "QUARTER";
      bool boTime = strPart == "HOUR" || strPart == "MINUTE" || strPart == "SECOND" || strPart == "MIDNIGHT_SECONDS";
      bool boOk = _isChar(k) || k == K::TIMESTAMP || (k == K::DATE && boDate) || (k == K::TIME && boTime) ||
                  (strPart == "MICROSECOND" && k == K::TIMESTAMP);
      /* a duration gives its parts too (YEAR of DECIMAL(8,0) ...) */
      if (k == K::DECIMAL && f != "DAYS" && f != "DAYOFWEEK" && f != "DAYOFYEAR" && f != "QUARTER" &&
          f != "MIDNIGHT_SECONDS" && f != "DAYOFMONTH")
        boOk = true;
      if (!boOk) _noFunction(f);
      n.t = _t(K::INTEGER, 0, 0, boNull0);
      n.strSql = "db2_part(" + arg(0).strSql + ", " + _kind(arg(0).t) + ", " + _literal(strPart) + ")";
      return;
    }
    if (f == "DEC" || f == "DECIMAL") {
      need(1, 3);
      const T &a = arg(0).t;
      if (!_isNum(a.k) && !_isChar(a.k)) _noFunction(f);
      long p = a.k == K::SMALLINT ? 5 : a.k == K::INTEGER ? 11 : a.k == K::BIGINT ? 19 : 15, s = 0;
      if (iArgs >= 2 && (!constant(arg(1), &p) || p < 1 || p > 31)) _noFunction(f);
      if (iArgs == 3 && (!constant(arg(2), &s) || s < 0 || s > p)) _noFunction(f);
      n.t = _t(K::DECIMAL, static_cast<int>(p), static_cast<int>(s), boNull0);
      n.strSql = convert(arg(0), n.t);
      if (a.k == K::DECIMAL && n.strSql == arg(0).strSql) n.strSql = "db2_conv(" + arg(0).strSql + ", 'DECIMAL', 'DECIMAL', " +
                                                                     std::to_string(p) + ", " + std::to_string(s) + ")";
      return;
    }
    if (f == "DIGITS") {
      need(1, 1);
      const T &a = arg(0).t;
      if (!_isInt(a.k) && a.k != K::DECIMAL) _noFunction(f);
      int iLen = a.k == K::SMALLINT ? 5 : a.k == K::INTEGER ? 10 : a.k == K::BIGINT ? 19 : a.iLen;
      n.t = _t(K::CHAR, iLen, 0, boNull0);
      n.strSql = "db2_digits(" + arg(0).strSql + ", " + _kind(a) + ", " + std::to_string(iLen) + ", " +
                 std::to_string(a.iScale) + ")";
      return;
    }
    if (f == "DOUBLE" || f == "DOUBLE_PRECISION" || f == "FLOAT" || f == "REAL" || f == "INT" || f == "INTEGER" ||
        f == "SMALLINT" || f == "BIGINT") {
      need(1, 1);
      K kTo = f == "REAL" ? K::REAL : f == "INT" || f == "INTEGER" ? K::INTEGER : f == "SMALLINT" ? K::SMALLINT
            : f == "BIGINT" ? K::BIGINT : K::DOUBLE;
      if (!_isNum(k0()) && !(_isChar(k0()) && kTo != K::REAL)) _noFunction(f);
      n.t = _t(kTo, 0, 0, boNull0);
      n.strSql = k0() == kTo ? arg(0).strSql
                             : "db2_conv(" + arg(0).strSql + ", " + _kind(arg(0).t) + ", " + _kind(n.t) + ", 0, 0)";
      return;
    }
    if (f == "HEX") {
      need(1, 1);
      const T &a = arg(0).t;
      if (a.k == K::BLOB || a.k == K::CLOB || a.k == K::DBCLOB || a.k == K::LONGVARCHAR || a.k == K::LONGVARGRAPHIC)
        _noFunction(f);
      int iBytes = _isGraphic(a.k) ? 2 * a.iLen : stored(a);
      bool boVarying = a.k == K::VARCHAR || a.k == K::VARGRAPHIC || 2 * iBytes > 254;
      n.t = _t(boVarying ? K::VARCHAR : K::CHAR, 2 * iBytes, 0, boNull0);
      n.strSql = "db2_hex(" + args(arg(0), a) + ", 0)";
      return;
    }
    if (f == "LENGTH") {
      need(1, 1);
      n.t = _t(K::INTEGER, 0, 0, boNull0);
      n.strSql = "db2_length(" + arg(0).strSql + ", " + _kind(arg(0).t) + ", " + std::to_string(arg(0).t.iLen) + ")";
      return;
    }
    if (f == "MOD") {
      need(2, 2);
      const T &a = arg(0).t, &b = arg(1).t;
      if (!_isNum(a.k) || !_isNum(b.k)) _noFunction(f);
      T t;
      if (a.k == K::DOUBLE || b.k == K::DOUBLE || a.k == K::REAL || b.k == K::REAL) {
        t = _t(K::DOUBLE);
      } else if (_isInt(a.k) && _isInt(b.k)) {
        t = _t(a.k == K::BIGINT || b.k == K::BIGINT ? K::BIGINT : K::INTEGER);
      } else {
        int p1, s1, p2, s2;
        _precision(a, &p1, &s1);
        _precision(b, &p2, &s2);
        int s = std::max(s1, s2);
        t = _t(K::DECIMAL, std::min(31, std::min(p1 - s1, p2 - s2) + s), s);
      }
      t.boNull = a.boNull || b.boNull;
      n.t = t;
      n.strSql = "db2_mod(" + arg(0).strSql + ", " + arg(1).strSql + ", " + _kind(t) + ", " + std::to_string(t.iLen) +
                 ", " + std::to_string(t.iScale) + ")";
      return;
    }
    if (f == "SUBSTR") {
      need(2, 3);
      const T &s = arg(0).t;
      if (!_isString(s.k) || !_isNum(arg(1).t.k) || (iArgs == 3 && !_isNum(arg(2).t.k))) _noFunction(f);
      long lStart = 0, lLength = 0;
      bool boStart = constant(arg(1), &lStart), boLength = iArgs == 3 && constant(arg(2), &lLength);
      bool boFixed = (s.k == K::CHAR || s.k == K::GRAPHIC) && (iArgs == 3 ? boLength : boStart);
      int iLen = iArgs == 3 && boLength ? static_cast<int>(lLength)
                 : iArgs == 2 && boStart ? static_cast<int>(s.iLen - lStart + 1) : s.iLen;
      if (iLen < 0) iLen = 0;
      K k = _isGraphic(s.k) ? (boFixed ? K::GRAPHIC : K::VARGRAPHIC) : (boFixed ? K::CHAR : K::VARCHAR);
      n.t = _t(k, iLen, 0, boNull0 || arg(1).t.boNull || (iArgs == 3 && arg(2).t.boNull));
      n.t.boBit = s.boBit;
      n.strSql = "db2_substr(" + arg(0).strSql + ", " + arg(1).strSql + ", " +
                 (iArgs == 3 ? arg(2).strSql : std::string("NULL")) + ")";
      return;
    }
    if (f == "TRUNCATE" || f == "TRUNC") {
      need(2, 2);
      if (!_isNum(k0()) || !_isInt(arg(1).t.k)) _noFunction(f);
      n.t = arg(0).t;
      n.t.boNull = boNull0 || arg(1).t.boNull;
      n.strSql = "db2_trunc(" + arg(0).strSql + ", " + arg(1).strSql + ", " + _kind(n.t) + ", " +
                 std::to_string(n.t.iLen) + ", " + std::to_string(n.t.iScale) + ")";
      return;
    }
    if (f == "VARGRAPHIC") {
      need(1, 1);
      if (!_isString(k0())) _noFunction(f);
      n.t = _t(K::VARGRAPHIC, arg(0).t.iLen, 0, boNull0);
      n.strSql = arg(0).strSql;
      return;
    }
    if (f == "STRIP" || f == "LTRIM" || f == "RTRIM") {
      need(1, f == "STRIP" ? 3 : 1);
      if (!_isChar(k0())) _noFunction(f);
      std::string strWhere = f == "LTRIM" ? "L" : f == "RTRIM" ? "T" : "B", strChar = " ";
      if (iArgs >= 2) {
        if (arg(1).k != Node::KEYWORD) _noFunction(f);
        strWhere = arg(1).a.substr(0, 1);
      }
      if (iArgs == 3) {
        if (arg(2).k != Node::STR || arg(2).a.size() != 1) _noFunction(f);
        strChar = arg(2).a;
      }
      n.t = _t(K::VARCHAR, arg(0).t.iLen, 0, boNull0);
      n.strSql = "db2_strip(" + arg(0).strSql + ", " + _literal(strWhere) + ", " + _literal(strChar) + ")";
      return;
    }
    throw Outside{};
  }
};

/* The SQL of the translated statement and the description of its columns. */
std::string _translate(sqlite3 *pdb, const std::string &strDb2, const std::string &strUser,
                       std::vector<db2standColType> *pvCols)
{
  Parser parser(_lex(strDb2));
  Statement st = parser.statement();
  Typer typer(pdb, strUser);
  typer.tables(st.vTables);
  std::string strSql = "SELECT ";
  if (st.boDistinct) strSql += "DISTINCT ";
  std::vector<std::string> vAliases;
  std::unordered_map<std::string, const Column *> mapDeclared;   /* made at the first column item */
  for (size_t i = 0; i < st.vItems.size(); i++) {
    Item &it = st.vItems[i];
    if (i) strSql += ", ";
    if (it.boStar) {
      bool boAny = false;
      for (const TableRef *pt : typer.tableList()) {
        if (!it.strStarQualifier.empty() && it.strStarQualifier != pt->strCorr && it.strStarQualifier != pt->strName)
          continue;
        boAny = true;
        for (const Column &c : pt->vCols) {
          db2standColType ct = db2standParseType(c.strDecl.empty() ? "VARCHAR(254)" : c.strDecl);
          ct.strName = c.strName;
          ct.boNullable = c.t.boNull;
          pvCols->push_back(ct);
        }
      }
      if (!boAny)
        _fail(-206, "42703", "SQL0206N  \"" + it.strStarQualifier + ".*\" is not valid in the context where it is used.");
      strSql += it.strStarQualifier.empty() ? "*" : _quote(it.strStarQualifier) + ".*";
      continue;
    }
    Node &e = *it.e;
    typer.type(e);
    if (e.t.k == K::BOOL) throw Outside{};
    if (e.t.k == K::NUL || e.t.k == K::PARAM)
      _fail(-206, "42703", "SQL0206N  \"NULL\" is not valid in the context where it is used.");
    db2standColType ct;
    if (e.k == Node::COL) {
      ct = _describe(e.t);
      if (mapDeclared.empty()) {
        /* every column of the FROM list by its quoted name; a later table's
           column of the same name stands */
        for (const TableRef *pt : typer.tableList()) {
          std::string strPrefix = (pt->strCorr.empty() ? _quote(pt->strName) : _quote(pt->strCorr)) + ".";
          for (const Column &c : pt->vCols) mapDeclared[strPrefix + _quote(c.strName)] = &c;
        }
      }
      auto itDeclared = mapDeclared.find(e.strRaw);
      if (itDeclared != mapDeclared.end()) {
        const Column &c = *itDeclared->second;
        ct = db2standParseType(c.strDecl.empty() ? "VARCHAR(254)" : c.strDecl);
        ct.boNullable = c.t.boNull;
      }
      ct.strName = it.strAlias.empty() ? e.b : it.strAlias;
      strSql += e.strRaw;
    } else {
      ct = _describe(e.t);
      ct.strName = it.strAlias.empty() ? std::to_string(i + 1) : it.strAlias;
      ct.boUnnamed = it.strAlias.empty();
      strSql += e.strSql;
    }
    if (!it.strAlias.empty()) {
      strSql += " AS " + _quote(it.strAlias);
      vAliases.push_back(it.strAlias);
    }
    pvCols->push_back(ct);
  }
  strSql += " FROM ";
  for (size_t i = 0; i < st.vTables.size(); i++) {
    const TableRef &t = st.vTables[i];
    strSql += (i ? ", " : "") + _quote(t.strSchema) + "." + _quote(t.strName);
    if (!t.strCorr.empty()) strSql += " AS " + _quote(t.strCorr);
  }
  if (st.where) {
    typer.type(*st.where);
    typer.boolean(*st.where);
    strSql += " WHERE " + st.where->strSql;
  }
  for (size_t i = 0; i < st.vOrder.size(); i++) {
    Node &e = *st.vOrder[i].e;
    std::string strKey;
    if (e.k == Node::NUM && e.a.find_first_not_of("0123456789") == std::string::npos) {
      strKey = e.a;
    } else if (e.k == Node::COL && e.a.empty() && std::find(vAliases.begin(), vAliases.end(), e.b) != vAliases.end()) {
      strKey = _quote(e.b);
    } else {
      typer.type(e);
      strKey = !e.strRaw.empty() ? e.strRaw : e.t.k == K::DECIMAL ? "db2_num(" + e.strSql + ")" : e.strSql;
    }
    strSql += (i ? ", " : " ORDER BY ") + strKey + (st.vOrder[i].boDesc ? " DESC" : "");
  }
  if (!st.strLimit.empty()) strSql += " LIMIT " + st.strLimit;
  return strSql;
}

}  // namespace

std::string db2standQualify(const std::string &strDb2, const std::string &strSchema)
{
  std::vector<Token> v;
  try {
    v = _lex(strDb2);
  } catch (const Outside &) {
    return strDb2;
  }
  std::string strOut = strDb2;
  std::vector<size_t> vInsert;
  static const std::set<std::string> setEnd = {"WHERE", "GROUP", "ORDER", "HAVING", "FETCH", "FOR", "WITH", "UNION",
                                               "EXCEPT", "INTERSECT", "ON", "JOIN", "INNER", "LEFT", "RIGHT", "FULL",
                                               "CROSS", "OPTIMIZE"};
  bool boTable = false, boInFrom = false;
  int iDepth = 0, iFromDepth = 0;
  for (size_t i = 0; i < v.size(); i++) {
    const Token &t = v[i];
    if (t.e == T_OP && t.s == "(") iDepth++;
    if (t.e == T_OP && t.s == ")") {
      if (boInFrom && iDepth == iFromDepth) boInFrom = false;
      iDepth--;
    }
    if (t.e == T_ID && (t.s == "FROM" || t.s == "JOIN")) {
      boTable = true;
      boInFrom = true;
      iFromDepth = iDepth;
      continue;
    }
    if (boTable) {
      boTable = false;
      if ((t.e == T_ID || t.e == T_QID) && !(v[i + 1].e == T_OP && (v[i + 1].s == "." || v[i + 1].s == "(")) &&
          !(t.e == T_ID && setEnd.count(t.s) != 0))
        vInsert.push_back(t.ulAt);
      continue;
    }
    if (!boInFrom || iDepth != iFromDepth) continue;
    if (t.e == T_OP && t.s == ",") boTable = true;
    else if (t.e == T_ID && setEnd.count(t.s) != 0 && t.s != "JOIN") boInFrom = false;
  }
  for (auto it = vInsert.rbegin(); it != vInsert.rend(); ++it) strOut.insert(*it, _quote(strSchema) + ".");
  return strOut;
}

bool db2standPrepareSelect(sqlite3 *pdb, const std::string &strDb2, const std::string &strUser, sqlite3_stmt **ppst,
                           std::vector<db2standColType> *pvCols, db2standSqlError *perr)
{
  *ppst = nullptr;
  pvCols->clear();
  *perr = db2standSqlError();
  std::string strSql;
  bool boTranslated = false;
  try {
    strSql = _translate(pdb, strDb2, strUser, pvCols);
    boTranslated = true;
  } catch (const SqlFail &f) {
    *perr = f.err;
    return false;
  } catch (const Outside &) {
    pvCols->clear();
    strSql = db2standTranslate(db2standQualify(strDb2, strUser));
  }
  if (sqlite3_prepare_v2(pdb, strSql.c_str(), -1, ppst, nullptr) != SQLITE_OK) {
    if (*ppst != nullptr) sqlite3_finalize(*ppst);
    *ppst = nullptr;
    pvCols->clear();
    return false;
  }
  if (!boTranslated) db2standDescribe(pdb, *ppst, pvCols);
  return true;
}
