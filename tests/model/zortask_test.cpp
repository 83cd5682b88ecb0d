/*
** zortask_test.cpp
**   The request tree: lookup through the owners, removal and NULL entries,
**   duplicates with their messages, atom lists with task chains, sub-task
**   chains, cloning and destruction, and the task dump.
*/
#include "model/zortask.h"

#include <gtest/gtest.h>

#include "tests/zavtest.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/osysibm.h"
#include "common/ochar.h"
#include "common/odict.h"
#include "common/olist.h"
#include "common/omsgs.h"
#include "common/ostack.h"
#include "model/token.h"

namespace {

const char *_tok(int iSlot)
{
  return gapnameTotalToken[iSlot];
}

ochar *_text(const char *pcText)
{
  ochar *pchar = ocharCreate(32, 850);
  ocharAppendFixed(pchar, pcText, (int32_t)std::strlen(pcText));
  return pchar;
}

zoratom *_int(int iSlot, int32_t iValue, int16_t sLine = 0)
{
  zoratom *patom = zoratomCreate(_tok(iSlot), ZORATOM_INTEGER, ZORATOM_BORROWED, (uintptr_t)(intptr_t)iValue,
                                 nullptr, nullptr);
  patom->sStartLine = sLine;
  patom->sStartColumn = 2;
  patom->sEndLine = sLine;
  patom->sEndColumn = 9;
  return patom;
}

zoratom *_string(int iSlot, const char *pcText)
{
  return zoratomCreate(_tok(iSlot), ZORATOM_OCHAR, 0, (uintptr_t)_text(pcText), nullptr, nullptr);
}

std::string _ptr(const void *p)
{
  char ac[32];
  std::snprintf(ac, sizeof ac, "%p", p);
  return ac;
}

class ZortaskTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(tokenInitKeyword(), 0);
    /* PARMLIB owns GLOBAL directly, as the control object makes it; GLOBAL > UNLOAD > SELECT */
    ptaskParmlib = zortaskCreateNamed(_tok(TOKEN_PARMLIB));
    ptaskGlobal = zortaskCreateNamed(_tok(TOKEN_GLOBAL));
    ptaskGlobal->ptaskOwner = ptaskParmlib;
    ptaskUnload = zortaskCreateNamed(nullptr);
    ptaskSelect = zortaskCreate("SELECT");
    ASSERT_EQ(zortaskAddSubTask(ptaskGlobal, ptaskUnload), 0);
    ASSERT_EQ(zortaskAddSubTask(ptaskUnload, ptaskSelect), 0);
  }
  void TearDown() override
  {
    zortaskDestroy(ptaskGlobal);
    zortaskDestroy(ptaskParmlib);
  }
  zortask *ptaskParmlib = nullptr;
  zortask *ptaskGlobal = nullptr;
  zortask *ptaskUnload = nullptr;
  zortask *ptaskSelect = nullptr;
};

TEST_F(ZortaskTest, LookupClimbsOwnersAndRemovalUncoversOuterValue)
{
  zoratom *plockParm = _int(TOKEN_LOCK, 1);
  zoratom *plockUnload = _int(TOKEN_LOCK, 2);
  zoratom *plockSelect = _int(TOKEN_LOCK, 3);
  ASSERT_EQ(zortaskAddAtom(ptaskParmlib, plockParm), 0);
  ASSERT_EQ(zortaskAddAtom(ptaskUnload, plockUnload), 0);
  ASSERT_EQ(zortaskAddAtom(ptaskSelect, plockSelect), 0);
  ASSERT_EQ(zortaskAddAtom(ptaskParmlib, _string(TOKEN_DBNAME, "SAMPLE")), 0);

  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_LOCK)), plockSelect);
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_DBNAME))->iKind, ZORATOM_OCHAR);
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_QUIESCE)), nullptr);
  EXPECT_EQ(zortaskDetermineAtom(nullptr, _tok(TOKEN_LOCK)), nullptr);
  EXPECT_EQ(zortaskAddAtom(ptaskSelect, nullptr), 0);

  /* removal leaves a NULL entry that neither hides the outer atom nor counts as a duplicate */
  EXPECT_EQ(zortaskRemoveAtom(ptaskSelect, _tok(TOKEN_LOCK)), plockSelect);
  EXPECT_EQ(odictGetCount(ptaskSelect->pdictAtoms), 1u);
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_LOCK)), plockUnload);
  EXPECT_EQ(zortaskRemoveAtom(ptaskSelect, _tok(TOKEN_LOCK)), nullptr);
  EXPECT_EQ(zortaskRemoveAtom(ptaskSelect, _tok(TOKEN_DBNAME)), nullptr);   /* no owner lookup */
  zoratomDestroy(zortaskRemoveAtom(ptaskUnload, _tok(TOKEN_LOCK)));
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_LOCK)), plockParm);

  std::vector<std::string> texts =
      zavtestMessages([&] { EXPECT_EQ(zortaskAddAtom(ptaskSelect, plockSelect), 0); });
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_LOCK)), plockSelect);
}

TEST_F(ZortaskTest, DuplicateKeepsFirstAndReportsPositionAndName)
{
  zoratom *pfirst = _int(TOKEN_MAXROWS, 10, 4);
  zoratom *psecond = _int(TOKEN_MAXROWS, 20, 7);
  ASSERT_EQ(zortaskAddAtom(ptaskSelect, pfirst), 0);
  int iRc = 0;
  std::vector<std::string> texts = zavtestMessages([&] { iRc = zortaskAddAtom(ptaskSelect, psecond); });
  EXPECT_EQ(iRc, 0x103a002);
  EXPECT_EQ(ZORTASK_RC_REFUSED, 0x103a002);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "ZORU010I ITEM STARTING AT (7,2) ENDING AT(7,9)\n");
  EXPECT_EQ(texts[1], "ZORU031E DUPLICATE KEYWORD OR STATEMENT MAXROWS\n");
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_MAXROWS)), pfirst);
  zoratomDestroy(psecond);   /* the caller kept the refused atom */
}

TEST_F(ZortaskTest, AtomListMovesAtomsInstallsChainAndGoesOnAfterRefusals)
{
  ASSERT_EQ(zortaskAddAtomListRef(ptaskSelect, nullptr), 0);

  /* a list with two atoms, a NULL item, a duplicate and a task chain */
  ochaine *pchaine = ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy);
  zortask *pcolA = zortaskCreateNamed(nullptr);
  zortask *pcolB = zortaskCreateNamed(nullptr);
  ochaineAppend(pchaine, pcolA);
  ochaineAppend(pchaine, pcolB);
  olist *plist = olistCreateRef(zoratomClone, zoratomDestroy);
  olistAppendRef(plist, _int(TOKEN_SKIP, 1), 0);
  olistAppendRef(plist, nullptr, 0);
  olistAppendRef(plist, _int(TOKEN_SKIP, 2, 3), 0);
  olistAppendRef(plist, zoratomCreate(_tok(TOKEN_ECSTASK), ZORATOM_TASKCHAINE, 0, (uintptr_t)pchaine,
                                      nullptr, nullptr), 0);
  olistAppendRef(plist, _int(TOKEN_INTERVAL, 5), 0);
  int iRc = 0;
  std::vector<std::string> texts = zavtestMessages([&] { iRc = zortaskAddAtomListRef(ptaskSelect, plist); });
  EXPECT_EQ(iRc, 0x103a002);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], "ZORU031E DUPLICATE KEYWORD OR STATEMENT SKIP\n");
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_SKIP))->value.iValue, 1);
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_INTERVAL))->value.iValue, 5);
  EXPECT_EQ(zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_ECSTASK)), nullptr);
  ASSERT_EQ(ptaskSelect->pchaineSubTasks, pchaine);
  EXPECT_EQ(pcolA->ptaskOwner, ptaskSelect);
  EXPECT_EQ(pcolB->ptaskOwner, ptaskSelect);

  /* a second chain is refused and the sub-tasks stay as they were */
  ochaine *pother = ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy);
  ochaineAppend(pother, zortaskCreateNamed(nullptr));
  plist = olistCreateRef(zoratomClone, zoratomDestroy);
  olistAppendRef(plist, zoratomCreate(_tok(TOKEN_ECSTASK), ZORATOM_TASKCHAINE, 0, (uintptr_t)pother,
                                      nullptr, nullptr), 0);
  EXPECT_EQ(zortaskAddAtomListRef(ptaskSelect, plist), 0x103a002);
  EXPECT_EQ(ptaskSelect->pchaineSubTasks, pchaine);
  EXPECT_EQ(ptaskSelect->pchaineSubTasks->iItemCount, 2);
}

TEST_F(ZortaskTest, SubTaskChainOperations)
{
  zortask *pfirst = zortaskCreateNamed(nullptr);
  zortask *psecond = zortaskCreateNamed(nullptr);
  zortask *pthird = zortaskCreateNamed(nullptr);
  pfirst->ulFlags = ZORTASK_FLAG_DB2;
  psecond->ulFlags = 0x2;
  pthird->ulFlags = ZORTASK_FLAG_DB2 | 0x1;
  /* the UNLOAD task already holds SELECT; put these on a fresh one */
  zortask *ptask = zortaskCreateNamed(nullptr);
  EXPECT_EQ(zortaskGetFirstNonDB2Select(ptask), nullptr);
  EXPECT_EQ(zortaskSortSubTask(ptask, nullptr), 0);
  EXPECT_EQ(zortaskAddSubTask(ptask, psecond), 0);
  EXPECT_EQ(zortaskAddSubTask(ptask, pthird), 0);
  EXPECT_EQ(zortaskPrependSubTask(ptask, pfirst), 0);
  EXPECT_EQ(ptask->pchaineSubTasks->pitemTop, pfirst);
  EXPECT_EQ(pfirst->ptaskNext, psecond);
  EXPECT_EQ(pfirst->ptaskOwner, ptask);
  EXPECT_EQ(zortaskGetFirstNonDB2Select(ptask), psecond);

  /* sort by flags, descending */
  auto compare = [](const void *pa, const void *pb) {
    const zortask *a = *static_cast<zortask *const *>(pa);
    const zortask *b = *static_cast<zortask *const *>(pb);
    return (int)b->ulFlags - (int)a->ulFlags;
  };
  EXPECT_EQ(zortaskSortSubTask(ptask, compare), 0);
  EXPECT_EQ(ptask->pchaineSubTasks->pitemTop, pthird);
  EXPECT_EQ(ptask->pchaineSubTasks->pitemBottom, psecond);

  ochaine *pchaine = ochaineCreate(0, zortaskChaineClone, zortaskChaineDestroy);
  EXPECT_EQ(zortaskSetSubTaskChaine(ptask, pchaine), 0x103a002);
  ochaineDestroy(pchaine);
  zortask *pempty = zortaskCreateNamed(nullptr);
  EXPECT_EQ(zortaskSetSubTaskChaine(pempty, nullptr), 0);
  EXPECT_EQ(pempty->pchaineSubTasks, nullptr);
  zortaskDestroy(pempty);
  zortaskDestroy(ptask);
}

TEST_F(ZortaskTest, MaxRcComesFromNearestOwnerElseFour)
{
  EXPECT_EQ(zortaskDetermineMaxRc(ptaskSelect), 4);
  ASSERT_EQ(zortaskAddAtom(ptaskGlobal, _int(TOKEN_MAXRC, 8)), 0);
  EXPECT_EQ(zortaskDetermineMaxRc(ptaskSelect), 8);
  ASSERT_EQ(zortaskAddAtom(ptaskUnload, _int(TOKEN_MAXRC, 0)), 0);
  EXPECT_EQ(zortaskDetermineMaxRc(ptaskSelect), 0);
  EXPECT_EQ(zortaskDetermineMaxRc(ptaskParmlib), 4);
}

TEST_F(ZortaskTest, CloneCopiesAtomsAndFlagsButNotOwnerOrMessages)
{
  osysibmSystablespace *pts = static_cast<osysibmSystablespace *>(std::calloc(1, sizeof(osysibmSystablespace)));
  pts->hdr.sTableId = 17;
  pts->hdr.usChaineCount = 2;
  pts->pcharNAME = _text("USERSPACE1");
  ASSERT_EQ(zortaskAddAtom(ptaskUnload, zoratomCreate(_tok(TOKEN_SYSTABLESPACE), ZORATOM_SYSIBM, 0,
                                                      (uintptr_t)pts, nullptr, nullptr)), 0);
  ASSERT_EQ(zortaskAddAtom(ptaskUnload, _string(TOKEN_TSNAME, "USERSPACE1")), 0);
  ASSERT_EQ(zortaskAddAtom(ptaskUnload, _int(TOKEN_LOCK, 1)), 0);
  zoratomDestroy(zortaskRemoveAtom(ptaskUnload, _tok(TOKEN_LOCK)));
  ptaskUnload->ulFlags = 0x22;
  ptaskUnload->pstackDefered = reinterpret_cast<ostack *>(0x1);   /* never followed */

  for (int iWith : {0, 1, 2}) {
    SCOPED_TRACE(iWith);
    zortask *pclone = zortaskClone(ptaskUnload, iWith);
    ASSERT_NE(pclone, nullptr);
    EXPECT_EQ(pclone->pcName, ptaskUnload->pcName);
    EXPECT_EQ(pclone->ulFlags, 0x22u);
    EXPECT_EQ(pclone->ptaskOwner, nullptr);
    EXPECT_EQ(pclone->pstackDefered, nullptr);
    EXPECT_EQ(odictGetCount(pclone->pdictAtoms), 2u);   /* the NULL entry is not copied */
    zoratom *pts2 = zortaskDetermineAtom(pclone, _tok(TOKEN_SYSTABLESPACE));
    EXPECT_EQ(pts2->value.psysibm, &pts->hdr);
    EXPECT_TRUE(pts2->iFlags & ZORATOM_BORROWED);
    EXPECT_NE(zortaskDetermineAtom(pclone, _tok(TOKEN_TSNAME))->value.pchar,
              zortaskDetermineAtom(ptaskUnload, _tok(TOKEN_TSNAME))->value.pchar);
    if (iWith == 1) {
      ASSERT_NE(pclone->pchaineSubTasks, nullptr);
      zortask *psub = static_cast<zortask *>(pclone->pchaineSubTasks->pitemTop);
      EXPECT_NE(psub, ptaskSelect);
      EXPECT_EQ(psub->pcName, _tok(TOKEN_SELECT));
      EXPECT_EQ(psub->ptaskOwner, nullptr);
    } else {
      EXPECT_EQ(pclone->pchaineSubTasks, nullptr);
    }
    zortaskDestroy(pclone);
  }
  ptaskUnload->pstackDefered = nullptr;
  /* the source's values survived the clones' destruction */
  EXPECT_EQ(std::string(_charText(pts->pcharNAME), 10), "USERSPACE1");
  zoratom *pname = zortaskDetermineAtom(ptaskSelect, _tok(TOKEN_TSNAME));
  EXPECT_EQ(std::string(_charText(pname->value.pchar), 10), "USERSPACE1");

  /* blank item of task chains */
  zortask *pblank = static_cast<zortask *>(zortaskChaineClone(nullptr, nullptr));
  ASSERT_NE(pblank, nullptr);
  EXPECT_EQ(pblank->pcName, nullptr);
  EXPECT_EQ(odictGetCount(pblank->pdictAtoms), 0u);
  zortaskDestroy(pblank);
}

TEST_F(ZortaskTest, DumpOfATree)
{
  zortask *ptask = zortaskCreateNamed(_tok(TOKEN_SELECT));
  zortask *psub = zortaskCreateNamed(nullptr);
  ASSERT_EQ(zortaskAddAtom(ptask, _int(TOKEN_SKIP, 3)), 0);
  ASSERT_EQ(zortaskAddAtom(ptask, _int(TOKEN_LOCK, 1)), 0);
  zoratomDestroy(zortaskRemoveAtom(ptask, _tok(TOKEN_LOCK)));
  ASSERT_EQ(zortaskAddSubTask(ptask, psub), 0);

  /* entries come in dictionary order: find which of the two comes first */
  odictcursor cursor;
  odictCursorInit(&cursor, ptask->pdictAtoms);
  bool boSkipFirst = reinterpret_cast<const char *>(odictCursorGetKey(&cursor)) == _tok(TOKEN_SKIP);
  odictCursorDestroy(&cursor);
  std::string strSkip = "Entry %i   NAME : SKIP\nATOM SKIP (0:2-0:9) TYPE INTEGER \n    !3!\n";
  std::string strLock = "Entry %i   NAME : LOCK Value: NULL\n";
  std::string strFirst = boSkipFirst ? strSkip : strLock;
  std::string strSecond = boSkipFirst ? strLock : strSkip;
  strFirst.replace(strFirst.find("%i"), 2, "1");
  strSecond.replace(strSecond.find("%i"), 2, "2");

  std::string strExpected = "TASK :SELECT\nPointer: " + _ptr(ptask) + " \nOwner: " + _ptr(nullptr) +
                            " \nDICTIONNAIRE : \n" + strFirst + strSecond + "SUBTASK " + _ptr(ptask) +
                            "|1\n" + "TASK :no_name\nPointer: " + _ptr(psub) + " \nOwner: " + _ptr(ptask) +
                            " \nDICTIONNAIRE : \n\nNO SUBTASKS \nEND SUBTASK " + _ptr(psub) + "\n" +
                            "END SUBTASK " + _ptr(ptask) + "\n";
  EXPECT_EQ(zavtestCapture([&](FILE *pf) { zortaskPrint(ptask, pf); }), strExpected);

  /* a chain that has become empty writes neither sub-task lines nor NO SUBTASKS */
  zortaskDestroy(static_cast<zortask *>(ochaineRemoveItem(ptask->pchaineSubTasks, psub)));
  std::string strEmpty = zavtestCapture([&](FILE *pf) { zortaskPrint(ptask, pf); });
  EXPECT_EQ(strEmpty.find("SUBTASK " + _ptr(ptask) + "|"), std::string::npos);
  EXPECT_EQ(strEmpty.find("NO SUBTASKS"), std::string::npos);
  EXPECT_NE(strEmpty.find(strSecond + "END SUBTASK " + _ptr(ptask) + "\n"), std::string::npos);

  EXPECT_EQ(zavtestCapture([](FILE *pf) { zortaskPrint(nullptr, pf); }), "TASK : NULL");
  zortaskTraceMsgsService(ptask, nullptr);   /* no keyword: nothing */
  zortaskDestroy(ptask);
}

}  // namespace

namespace {

/*
** The same dump through the message centre's trace file: a forked child
** starts the message system with the keyword enabled, dumps a small task
** and stops the centre; the test reads the trace file it left.
*/
TEST(ZortaskTraceTest, TraceDumpReachesTheKeywordFile)
{
  char acDir[] = "/tmp/zortask_trace_XXXXXX";
  ASSERT_NE(mkdtemp(acDir), nullptr);
  std::string strDir = acDir;
  std::string strTask;
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    alarm(60);
    if (chdir(acDir) != 0) _exit(2);
    ochar *plist = _text("$TASKT ");
    int iCentre = -1;
    int iRc = omsgsInitModule("/", (int)getpid(), "sysprint", 0, 0, plist, 1, &iCentre, nullptr, nullptr);
    ocharDestroy(plist);
    if (iRc != 0) _exit(3);
    tokenInitKeyword();
    zortask *ptask = zortaskCreateNamed(gapnameTotalToken[TOKEN_SELECT]);
    zortaskAddAtom(ptask, zoratomCreate(gapnameTotalToken[TOKEN_SKIP], ZORATOM_INTEGER, ZORATOM_BORROWED, 3,
                                        nullptr, nullptr));
    zortaskTraceMsgsService(ptask, "$TASKT");
    zortaskDestroy(ptask);
    omsgsDestroyModule(iCentre);
    _exit(0);
  }
  int iStatus = -1;
  waitpid(pid, &iStatus, 0);
  ASSERT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << iStatus;

  char acName[64];
  std::snprintf(acName, sizeof acName, "$TASKT_%5.5i", (int)pid);
  std::ifstream in(strDir + "/" + acName);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string strTrace = ss.str();
  std::filesystem::remove_all(strDir);
  for (const char *pcLine : {"TASK :", "SELECT\n", "DICTIONNAIRE : \n", "Entry 1   NAME : SKIP\n",
                             "ATOM SKIP (0:0-0:0)", " TYPE INTEGER \n    !3!\n", "\nNO SUBTASKS \n",
                             "END SUBTASK "})
    EXPECT_NE(strTrace.find(pcLine), std::string::npos) << pcLine << " in:\n" << strTrace;
}

}  // namespace
