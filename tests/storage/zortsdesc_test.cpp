/*
** zortsdesc_test.cpp
**   A table's first page read through a table-space object whose
**   read-absolute slot serves pages built with tools/db2pages.h: the page
**   count, the table directory, the table descriptor directly, through one
**   pointer record, and the cases that give no description.
*/
#include "storage/zortsdesc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "storage/ficdata.h"
#include "storage/zorts.h"
#include "tools/db2pages.h"

namespace {

using db2pages::Bytes;
using db2pages::Column;

std::map<uint32_t, Bytes> gpages;   /* pages the fake source serves */
std::vector<uint32_t> greads;       /* pages asked for */
int giFlags = -1;

unsigned char *fakeReadAbs(zorts *pzorts, uint32_t ulPage, unsigned char *pcBuffer, int32_t ilCount,
                           int32_t ilFlags, int *piCode)
{
  greads.push_back(ulPage);
  giFlags = ilFlags;
  auto it = gpages.find(ulPage);
  if (it == gpages.end() || ilCount != 1) {
    *piCode = ZORTS_RC_READ;
    return nullptr;
  }
  if (pcBuffer == nullptr) pcBuffer = static_cast<unsigned char *>(malloc(pzorts->ilPageSize));
  std::memcpy(pcBuffer, it->second.data(), pzorts->ilPageSize);
  *piCode = 0;
  return pcBuffer;
}

const std::vector<Column> gcols = {{1, 4, false}, {257, 30, true}, {265, 64, true}};

struct Object {
  zorts ts = {};
  Object(int32_t ilPageSize)
  {
    ts.ilPageSize = ilPageSize;
    ts.pfnReadAbs = fakeReadAbs;
    gpages.clear();
    greads.clear();
  }
  ~Object() { free(ts.tbdesc.pcolumns); }
};

TEST(ZortsFirstPage, HeaderDirectoryAndDescriptor)
{
  for (int32_t ilSize : {4096, 16384}) {
    Object o(ilSize);
    Bytes page = db2pages::firstPage(ilSize, 321, gcols, {});
    EXPECT_EQ(zortsGetDataFileHeader(&o.ts, page.data()), 0);
    EXPECT_EQ(o.ts.ilPageCount, 321);
    EXPECT_EQ(zortsGetTDirRec(&o.ts, page.data()), 0);
    ASSERT_EQ(zortsGetTBDesc(&o.ts, page.data()), 0);
    EXPECT_EQ(o.ts.tbdesc.sColumnCount, 3);
    EXPECT_EQ(o.ts.tbdesc.pcolumns[1].sType, 257);
    EXPECT_EQ(o.ts.ilFixedLength, 4 + 5 + 5);
    EXPECT_EQ(o.ts.ilMaxRecord, 32677 + 32700);
    EXPECT_TRUE(greads.empty());
  }
}

TEST(ZortsFirstPage, PointerRecordIsFollowedOnce)
{
  Object o(8192);
  Bytes page0 = db2pages::page(8192, 0, {db2pages::fileHeader(9), {}, db2pages::other(0), db2pages::pointer(6, 2)});
  gpages[6] = db2pages::page(8192, 6, {db2pages::other(1), {}, db2pages::descriptor(gcols, 4)});
  ASSERT_EQ(zortsGetTBDesc(&o.ts, page0.data()), 0);
  EXPECT_EQ(greads, std::vector<uint32_t>{6});
  EXPECT_EQ(giFlags, ZORTS_READ_RESTORE);
  EXPECT_EQ(o.ts.tbdesc.sColumnCount, 3);
}

TEST(ZortsFirstPage, NoDescription)
{
  struct Case {
    const char *pcWhat;
    Bytes slot3;
    Bytes target;   /* page 6, or empty for none */
  } acases[] = {
      {"pointer to a pointer", db2pages::pointer(6, 0), db2pages::page(4096, 6, {db2pages::pointer(7, 0)})},
      {"pointer to an unreadable page", db2pages::pointer(6, 0), {}},
      {"pointer to an empty slot", db2pages::pointer(6, 1), db2pages::page(4096, 6, {db2pages::descriptor(gcols), {}})},
      {"pointer to a slot that is not there", db2pages::pointer(6, 200), db2pages::page(4096, 6, {db2pages::descriptor(gcols)})},
      {"record of another kind", db2pages::other(1), {}},
  };
  for (const Case &c : acases) {
    Object o(4096);
    if (!c.target.empty()) gpages[6] = c.target;
    Bytes page0 = db2pages::page(4096, 0, {db2pages::fileHeader(9), {}, db2pages::other(0), c.slot3});
    EXPECT_EQ(zortsGetTBDesc(&o.ts, page0.data()), -1) << c.pcWhat;
    EXPECT_EQ(o.ts.tbdesc.pcolumns, nullptr) << c.pcWhat;
  }
  /* a page without slots 0, 2 and 3 */
  Object o(4096);
  Bytes bare = db2pages::page(4096, 0, {});
  EXPECT_EQ(zortsGetDataFileHeader(&o.ts, bare.data()), -1);
  EXPECT_EQ(zortsGetTDirRec(&o.ts, bare.data()), -1);
  EXPECT_EQ(zortsGetTBDesc(&o.ts, bare.data()), -1);
}

}  // namespace
