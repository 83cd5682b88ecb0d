/*
** fakecattest.h
**   Test helpers for the stored catalogue: record images built from a row
**   type's member list and a few named values (every other column blank,
**   zero or empty), and the storing of a row under a name.  Header only.
*/
#ifndef ZAV_TESTS_CATALOG_FAKECATTEST_H
#define ZAV_TESTS_CATALOG_FAKECATTEST_H

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "catalog/odb2x2.h"
#include "catalog/ofakecat.h"
#include "common/ores.h"

/* A column value: text for C, B and V members, a number for the others. */
struct fakecatVal {
  std::string s;
  double d = 0;
  fakecatVal(const char *pc) : s(pc) {}
  fakecatVal(std::string str) : s(std::move(str)) {}
  fakecatVal(int i) : d(i) {}
  fakecatVal(double dv) : d(dv) {}
};

/*
** A record image of table sObid from the member list: the child chains go
** to the table's child slots in order (NULL entries allowed), named values
** to their columns.  C and B values are padded (blanks, zeros) or cut to
** the member's width; V values are taken whole.
*/
inline void *fakecatImage(const oresTData *plist, int16_t sObid, const std::map<std::string, fakecatVal> &values,
                          const std::vector<ochaine *> &children = {})
{
  std::vector<unsigned char> cols;
  for (int i = 1; plist[i].iType != 0; i++) {
    int32_t t = plist[i].iType;
    if (t == OFAKECAT_M_COUNT) {
      i++;
      continue;
    }
    auto it = values.find(plist[i].pcName);
    auto put = [&](const void *pv, size_t n) {
      const unsigned char *p = static_cast<const unsigned char *>(pv);
      cols.insert(cols.end(), p, p + n);
    };
    double d = it != values.end() ? it->second.d : 0;
    std::string s = it != values.end() ? it->second.s : "";
    if (t == OFAKECAT_M_I8) {
      int8_t c = static_cast<int8_t>(d);
      put(&c, 1);
    } else if (t == OFAKECAT_M_I16) {
      int16_t v = static_cast<int16_t>(d);
      put(&v, 2);
    } else if (t == OFAKECAT_M_I32) {
      int32_t v = static_cast<int32_t>(d);
      put(&v, 4);
    } else if (t == OFAKECAT_M_F8) {
      put(&d, 8);
    } else if (t == OFAKECAT_M_V) {
      int16_t l = static_cast<int16_t>(s.size());
      put(&l, 2);
      put(s.data(), s.size());
    } else {
      size_t n = (t >> 16) & 0xFF;
      std::string f = s.substr(0, n);
      f.resize(n, (t & 0xFFFF) == 0xFFFF ? '\0' : ' ');
      put(f.data(), n);
    }
  }
  int iSlots = odb2x2SlotCount(sObid);
  size_t ulSlots = static_cast<size_t>(iSlots) * sizeof(void *);
  unsigned char *precord = static_cast<unsigned char *>(
      odb2x2ImageCreate(static_cast<int32_t>(ulSlots + cols.size())));
  if (precord == nullptr) return nullptr;
  std::memcpy(odb2x2ImageHeader(precord) + 3, &sObid, 2);
  const odb2x2CatRow *prow = odb2x2TableRows(sObid);
  size_t n = 0;
  for (int i = 0; i < iSlots && n < children.size(); i++) {
    if (prow[i].sLength == 0) continue;
    std::memcpy(precord + i * sizeof(void *), &children[n], sizeof(void *));
    n++;
  }
  std::memcpy(precord + ulSlots, cols.data(), cols.size());
  return precord;
}

/* A chain of child images of table sObid. */
inline ochaine *fakecatChain(int16_t sObid, const std::vector<void *> &records)
{
  ochaine *pchaine = odb2x2ChaineCreate(sObid);
  for (void *p : records) ochaineAppend(pchaine, p);
  return pchaine;
}

/* Puts a record image into a new resource of type iType; NULL and *prc when the put fails. */
inline ores *fakecatResource(int32_t iType, void *precord, int *prc)
{
  ores *pres = oresCreate(iType, 0, 0);
  *prc = pres != nullptr ? oresPut(pres, iType, precord) : ORES_RC_NOMEM;
  if (*prc != 0) {
    oresDestroy(pres);
    return nullptr;
  }
  return pres;
}

/* Stores a record image as entry pcName of pdict; returns the put's or the store's code. */
inline int fakecatStore(oresdict *pdict, const char *pcName, int32_t iType, void *precord)
{
  int rc = 0;
  ores *pres = fakecatResource(iType, precord, &rc);
  if (pres == nullptr) return rc;
  rc = oresStoreNamed(pdict, pcName, pres);
  oresDestroy(pres);
  return rc;
}

#endif
