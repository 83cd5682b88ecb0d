/*
** zorcontrol_test.cpp
**   The control object: the PARMLIB task becomes the owner of the GLOBAL
**   task, so values of the options, the configuration and the parameter
**   library are found from every task of the request.
*/
#include <gtest/gtest.h>

#include "common/ostack.h"
#include "control/zorcontrol.h"
#include "driver/token.h"
#include "driver/zoratom.h"
#include "driver/zortask.h"
#include "tests/control/zor3test.h"

namespace {

class Zorcontrol : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(tokenInitKeyword(), 0); }
};

TEST_F(Zorcontrol, ParmlibValuesReachEveryTaskOfTheRequest)
{
  zor3test::Parse parse("GLOBAL MAXRC 8 ; UNLOAD TABLESPACE TS SELECT * FROM T; ASIS;");
  ASSERT_TRUE(parse.Runnable());
  zortask *pglobal = parse.ptask;
  zortask *punload = static_cast<zortask *>(pglobal->pchaineSubTasks->pitemTop);
  zortask *pselect = static_cast<zortask *>(punload->pchaineSubTasks->pitemTop);

  zortask *pparmlib = zortaskCreateNamed(gapnameTotalToken[TOKEN_PARMLIB]);
  ASSERT_NE(pparmlib, nullptr);
  zoratom *plock = zoratomCreate(gapnameTotalToken[TOKEN_LOCK], ZORATOM_INTEGER, ZORATOM_BORROWED,
                                 ZOR3YACC_YES, nullptr, nullptr);
  zoratom *pmaxrc = zoratomCreate(gapnameTotalToken[TOKEN_MAXRC], ZORATOM_INTEGER,
                                  ZORATOM_BORROWED, 4, nullptr, nullptr);
  ASSERT_EQ(zortaskAddAtom(pparmlib, plock), 0);
  ASSERT_EQ(zortaskAddAtom(pparmlib, pmaxrc), 0);
  EXPECT_EQ(zortaskDetermineAtom(pselect, gapnameTotalToken[TOKEN_LOCK]), nullptr);

  zorcontrol *pcontrol = zorcontrolCreate(pglobal, pparmlib);
  ASSERT_NE(pcontrol, nullptr);
  EXPECT_EQ(pcontrol->ptaskGlobal, pglobal);
  EXPECT_EQ(pcontrol->ptaskParmlib, pparmlib);
  EXPECT_EQ(pglobal->ptaskOwner, pparmlib);
  for (zortask *ptask : {pglobal, punload, pselect})
    EXPECT_EQ(zortaskDetermineAtom(ptask, gapnameTotalToken[TOKEN_LOCK]), plock);
  /* A value of the request still hides the default. */
  EXPECT_EQ(zortaskDetermineMaxRc(pselect), 8);

  /* The MAXRC stack is empty with its five slots; the other words are zero. */
  ASSERT_NE(pcontrol->pstackMaxRc, nullptr);
  EXPECT_EQ(ostackGetCount(pcontrol->pstackMaxRc), 0);
  EXPECT_EQ(pcontrol->pstackMaxRc->iCapacity, ZORCONTROL_MAXRC_SLOTS);
  for (uintptr_t ulWord : pcontrol->aulWork) EXPECT_EQ(ulWord, 0u);

  pglobal->ptaskOwner = nullptr;
  ostackDestroy(pcontrol->pstackMaxRc);
  std::free(pcontrol);
  zortaskDestroy(pparmlib);
}

} // namespace
