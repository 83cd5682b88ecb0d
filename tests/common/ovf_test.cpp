/*
** ovf_test.cpp
**   Record channels between forked producers and consumers: order across
**   half switches, end records, stop requests, groups, producers that die,
**   and the removal of every segment and semaphore set.  Every test runs
**   under an alarm, and every forked child under its own, so a wait that
**   never ends fails the test instead of hanging the run.  No message
**   centre runs: the tests remove what they create themselves.
*/
#include "common/ovf.h"

#include <gtest/gtest.h>

#include "common/osignal.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

/* One row of /proc/sysvipc/shm or /proc/sysvipc/sem: id, octal perms, size (or nsems). */
struct IpcRow {
  int iId;
  int iPerms;
  long lSize;
};

/* Rows of a /proc/sysvipc table. */
std::vector<IpcRow> ipcRows(const char *pcPath)
{
  std::vector<IpcRow> rows;
  std::ifstream in(pcPath);
  std::string line;
  std::getline(in, line);   // column titles
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    long lKey = 0;
    IpcRow row{};
    std::string perms;
    fields >> lKey >> row.iId >> perms >> row.lSize;
    row.iPerms = static_cast<int>(std::stol(perms, nullptr, 8));
    rows.push_back(row);
  }
  return rows;
}

std::optional<IpcRow> findRow(const char *pcPath, int iId)
{
  for (const IpcRow &row : ipcRows(pcPath))
    if (row.iId == iId) return row;
  return std::nullopt;
}

bool shmExists(int iId) { return findRow("/proc/sysvipc/shm", iId).has_value(); }
bool semExists(int iId) { return findRow("/proc/sysvipc/sem", iId).has_value(); }

/* Header word of a channel, from the documented layout. */
int32_t headerWord(ovf *povf, int iWord)
{
  int32_t i;
  std::memcpy(&i, reinterpret_cast<unsigned char *>(povf) + 4 * iWord, 4);
  return i;
}

/* The SysV ids a channel lives in. */
struct ChannelIds {
  int iShm;
  int iSem;
};

/* Every id a test made, so that a failed test can remove what it left. */
std::vector<ChannelIds> gvecMade;

ChannelIds idsOf(ovf *povf)
{
  ChannelIds ids{headerWord(povf, OVF_W_SHMID), headerWord(povf, OVF_W_SEMID)};
  gvecMade.push_back(ids);
  return ids;
}

/* The group's semaphore set, remembered like a channel's. */
int groupSem(ovfgroup *pgroup)
{
  gvecMade.push_back({-1, pgroup->iSemId});
  return pgroup->iSemId;
}

/*
** A group of N fresh channels, channel i of fnLength(i) bytes, added in
** order; the group's semaphore set (*piGroupSem) and the channels' ids are
** remembered for the leak check.  NULL, the test failed, when one cannot
** be made.
*/
template <size_t N>
ovfgroup *makeGroup(ovf *(&apovf)[N], ChannelIds (&aids)[N], int *piGroupSem, const std::function<int(int)> &fnLength)
{
  int iErr = 0;
  ovfgroup *pgroup = ovfGroupCreate(static_cast<int>(N), &iErr);
  EXPECT_NE(pgroup, nullptr) << iErr;
  if (pgroup == nullptr) return nullptr;
  *piGroupSem = groupSem(pgroup);
  for (size_t i = 0; i < N; i++) {
    apovf[i] = ovfCreate(fnLength(static_cast<int>(i)), 0, &iErr);
    EXPECT_NE(apovf[i], nullptr) << iErr;
    if (apovf[i] == nullptr) return nullptr;
    aids[i] = idsOf(apovf[i]);
    ovfGroupAdd(pgroup, apovf[i]);
  }
  return pgroup;
}

void expectGone(const ChannelIds &ids)
{
  EXPECT_FALSE(shmExists(ids.iShm)) << "segment " << ids.iShm << " left behind";
  EXPECT_FALSE(semExists(ids.iSem)) << "semaphore set " << ids.iSem << " left behind";
}

/* Record: channel number, sequence number, then bytes derived from both. */
std::vector<unsigned char> makeRecord(int iChannel, int iSeq, int iLen)
{
  std::vector<unsigned char> rec(static_cast<size_t>(iLen));
  for (int i = 0; i < iLen; i++) rec[i] = static_cast<unsigned char>(iChannel * 31 + iSeq * 7 + i);
  if (iLen >= 8) {
    std::memcpy(rec.data(), &iChannel, 4);
    std::memcpy(rec.data() + 4, &iSeq, 4);
  }
  return rec;
}

/* Length of record iSeq in the streams below: 8 to 8 + iSpread - 1 bytes. */
int recordLength(int iSeq, int iSpread) { return 8 + (iSeq * 13) % iSpread; }

/* Forks a child that runs fn under an alarm and exits with its result. */
pid_t forkChild(const std::function<int()> &fn, unsigned uAlarm = 20)
{
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGALRM, SIG_DFL);
    alarm(uAlarm);
    _exit(fn());
  }
  return pid;
}

/* Waits for a child; returns its exit status, or 1000 + signal when killed. */
int waitChild(pid_t pid)
{
  int iStatus = 0;
  if (waitpid(pid, &iStatus, 0) != pid) return -1;
  if (WIFSIGNALED(iStatus)) return 1000 + WTERMSIG(iStatus);
  return WEXITSTATUS(iStatus);
}

/* Producer body: iCount records of channel iChannel, then the end record.
   Exit 0 when all went well, 1 when stopped, 2 on any other result. */
int produce(ovf *povf, int iChannel, int iCount, int iSpread, int iWriteFd = -1)
{
  int iWritten = 0;
  int iRc = 0;
  for (int i = 0; i < iCount && iRc == 0; i++) {
    std::vector<unsigned char> rec = makeRecord(iChannel, i, recordLength(i, iSpread));
    iRc = ovfWrite(povf, rec.data(), static_cast<int>(rec.size()));
    if (iRc == 0) iWritten++;
  }
  if (iRc == 0) iRc = ovfWrite(povf, nullptr, 0);
  if (iWriteFd >= 0) {
    ssize_t n = write(iWriteFd, &iWritten, sizeof iWritten);
    (void)n;
  }
  return iRc == 0 ? 0 : iRc == OVF_RC_STOPPED ? 1 : 2;
}

class OvfTest : public ::testing::Test {
 protected:
  /* A test that hangs: remove what it made, then fail the run. */
  static void onAlarm(int)
  {
    for (const ChannelIds &ids : gvecMade) {
      if (ids.iShm >= 0) shmctl(ids.iShm, IPC_RMID, nullptr);
      semctl(ids.iSem, 0, IPC_RMID);
    }
    static const char acText[] = "ovf_test: test timed out\n";
    ssize_t n = write(2, acText, sizeof acText - 1);
    (void)n;
    _exit(1);
  }
  void SetUp() override
  {
    gvecMade.clear();
    gvecMade.reserve(64);   // no reallocation while the alarm handler may read it
    signal(SIGALRM, onAlarm);
    alarm(60);
  }
  void TearDown() override
  {
    alarm(0);
    signal(SIGALRM, SIG_DFL);
    if (HasFailure()) {
      for (const ChannelIds &ids : gvecMade) {
        if (ids.iShm >= 0 && shmExists(ids.iShm)) shmctl(ids.iShm, IPC_RMID, nullptr);
        if (semExists(ids.iSem)) semctl(ids.iSem, 0, IPC_RMID);
      }
    }
  }
};

/* ---- layout and refusals (one process, nothing blocks) ------------------- */

TEST_F(OvfTest, CreateMakesPrivateSegmentOfTheAskedSizeAndDestroyRemovesIt)
{
  struct Case {
    int iLen;
    long lSegment;
    int iHalf;
  } cases[] = {{40, 124, 24}, {37, 124, 24}, {0, 84, 4}, {4000, 4084, 2004}};
  for (const Case &c : cases) {
    int iErr = 0;
    ovf *povf = ovfCreate(c.iLen, 10, &iErr);
    ASSERT_NE(povf, nullptr) << "len " << c.iLen << " errno " << iErr;
    ChannelIds ids = idsOf(povf);
    std::optional<IpcRow> shm = findRow("/proc/sysvipc/shm", ids.iShm);
    ASSERT_TRUE(shm.has_value());
    EXPECT_EQ(shm->lSize, c.lSegment) << "len " << c.iLen;
    EXPECT_EQ(shm->iPerms & 0777, 0660);
    std::optional<IpcRow> sem = findRow("/proc/sysvipc/sem", ids.iSem);
    ASSERT_TRUE(sem.has_value());
    EXPECT_EQ(sem->lSize, 3);
    EXPECT_EQ(sem->iPerms & 0777, 0660);
    EXPECT_EQ(semctl(ids.iSem, OVF_SEM_FULL, GETVAL), 0);
    EXPECT_EQ(semctl(ids.iSem, OVF_SEM_FREE, GETVAL), 2);
    EXPECT_EQ(headerWord(povf, OVF_W_STATE), OVF_STATE_CREATED);
    EXPECT_EQ(headerWord(povf, OVF_W_HALF_SIZE), c.iHalf);
    EXPECT_EQ(ovfDestroy(povf), 0);   // never written: nothing to wait for
    expectGone(ids);
  }

  int iErr = 0;
  EXPECT_EQ(ovfCreate(-1, 0, &iErr), nullptr);
  EXPECT_EQ(iErr, EINVAL);
}

TEST_F(OvfTest, RecordsFillAHalfAndMoveToTheOtherWhenTheyDoNotFit)
{
  int iErr = 0;
  ovf *povf = ovfCreate(40, 20, &iErr);   // halves of 24 bytes
  ASSERT_NE(povf, nullptr);
  ChannelIds ids = idsOf(povf);
  unsigned char ab[32];
  for (int i = 0; i < 32; i++) ab[i] = static_cast<unsigned char>(i);

  /* 8 + 4 and 7 + 4 (padded to 8) fill 24 bytes of half 1; the next goes to half 2. */
  ASSERT_EQ(ovfWrite(povf, ab, 8), 0);
  ASSERT_EQ(ovfWrite(povf, ab + 1, 7), 0);
  EXPECT_EQ(headerWord(povf, OVF_W_PRODUCER_HALF), 1);
  ASSERT_EQ(ovfWrite(povf, ab + 2, 1), 0);
  EXPECT_EQ(headerWord(povf, OVF_W_PRODUCER_HALF), 2);
  EXPECT_EQ(headerWord(povf, OVF_W_HALF1_COUNT), 2);

  /* Longer than a half: refused, and nothing of it reaches the channel. */
  EXPECT_EQ(ovfWrite(povf, ab, 21), ORC_INVALID);
  EXPECT_EQ(ovfWrite(povf, ab, -1), ORC_INVALID);
  ASSERT_EQ(ovfWrite(povf, nullptr, 0), 0);
  EXPECT_EQ(headerWord(povf, OVF_W_STATE), OVF_STATE_EOF);

  unsigned char buf[32];
  int iLen = -1;
  struct Expect {
    int iLen;
    int iFirst;
  } expected[] = {{8, 0}, {7, 1}, {1, 2}};
  for (const Expect &e : expected) {
    ASSERT_EQ(ovfRead(povf, buf, sizeof buf, &iLen), 0);
    ASSERT_EQ(iLen, e.iLen);
    for (int i = 0; i < iLen; i++) EXPECT_EQ(buf[i], e.iFirst + i);
  }
  for (int i = 0; i < 3; i++) {
    iLen = -1;
    EXPECT_EQ(ovfRead(povf, buf, sizeof buf, &iLen), 0);
    EXPECT_EQ(iLen, 0) << "read " << i << " after the end";
  }
  EXPECT_EQ(ovfDestroy(povf), 0);
  expectGone(ids);
}

TEST_F(OvfTest, ShortBufferGetsTheFirstBytesAndTheFullLength)
{
  int iErr = 0;
  ovf *povf = ovfCreate(40, 20, &iErr);
  ASSERT_NE(povf, nullptr);
  ChannelIds ids = idsOf(povf);
  const char *pc = "0123456789";
  ASSERT_EQ(ovfWrite(povf, pc, 10), 0);
  ASSERT_EQ(ovfWrite(povf, "ab", 2), 0);
  ASSERT_EQ(ovfWrite(povf, nullptr, 0), 0);

  char buf[8];
  std::memset(buf, '#', sizeof buf);
  int iLen = 0;
  ASSERT_EQ(ovfRead(povf, buf, 4, &iLen), 0);
  EXPECT_EQ(iLen, 10);
  EXPECT_EQ(std::string(buf, 5), "0123#");
  ASSERT_EQ(ovfRead(povf, buf, sizeof buf, &iLen), 0);   // the next record is intact
  EXPECT_EQ(iLen, 2);
  EXPECT_EQ(std::string(buf, 2), "ab");
  ASSERT_EQ(ovfRead(povf, buf, sizeof buf, &iLen), 0);
  EXPECT_EQ(iLen, 0);
  EXPECT_EQ(ovfDestroy(povf), 0);
  expectGone(ids);
}

TEST_F(OvfTest, EndRecordOnAFreshChannelEndsEveryRead)
{
  int iErr = 0;
  ovf *povf = ovfCreate(40, 0, &iErr);
  ASSERT_NE(povf, nullptr);
  ChannelIds ids = idsOf(povf);
  ASSERT_EQ(ovfWrite(povf, nullptr, 0), 0);
  char buf[4];
  for (int i = 0; i < 3; i++) {
    int iLen = -1;
    EXPECT_EQ(ovfRead(povf, buf, sizeof buf, &iLen), 0);
    EXPECT_EQ(iLen, 0);
  }
  /* A stop after the end changes nothing, and destruction does not wait. */
  ovfStop(povf);
  EXPECT_EQ(headerWord(povf, OVF_W_STATE), OVF_STATE_EOF);
  EXPECT_EQ(ovfDestroy(povf), 0);
  expectGone(ids);
}

/* ---- one producer, one consumer ------------------------------------------ */

TEST_F(OvfTest, ForkedProducerKeepsOrderAcrossManyHalfSwitches)
{
  struct Case {
    int iChannelLen;
    int iRecords;
    int iSpread;   // record lengths 8 .. 8 + spread - 1
  } cases[] = {
      {40, 3000, 13},     // one or two records per half
      {4096, 20000, 200}, // many records per half
  };
  for (const Case &c : cases) {
    int iErr = 0;
    ovf *povf = ovfCreate(c.iChannelLen, 0, &iErr);
    ASSERT_NE(povf, nullptr);
    ChannelIds ids = idsOf(povf);
    pid_t pid = forkChild([&] { return produce(povf, 5, c.iRecords, c.iSpread); });
    ASSERT_GT(pid, 0);

    std::vector<unsigned char> buf(512);
    int iBad = 0;
    int iSeq = 0;
    for (;; iSeq++) {
      int iLen = -1;
      ASSERT_EQ(ovfRead(povf, buf.data(), static_cast<int>(buf.size()), &iLen), 0);
      if (iLen == 0) break;
      std::vector<unsigned char> want = makeRecord(5, iSeq, recordLength(iSeq, c.iSpread));
      if (iLen != static_cast<int>(want.size()) || std::memcmp(buf.data(), want.data(), want.size()) != 0)
        iBad++;
    }
    EXPECT_EQ(iSeq, c.iRecords);
    EXPECT_EQ(iBad, 0);
    EXPECT_EQ(waitChild(pid), 0);
    EXPECT_EQ(ovfDestroy(povf), 0);
    expectGone(ids);
  }
}

TEST_F(OvfTest, StopRequestedByTheConsumerReachesTheProducer)
{
  /* Stops asked while the producer runs, and before it has written at all. */
  for (int iReadBeforeStop : {50, 0}) {
    int iErr = 0;
    ovf *povf = ovfCreate(256, 0, &iErr);
    ASSERT_NE(povf, nullptr);
    ChannelIds ids = idsOf(povf);
    if (iReadBeforeStop == 0) ovfStop(povf);
    int afd[2];
    ASSERT_EQ(pipe(afd), 0);
    pid_t pid = forkChild([&] { return produce(povf, 1, 1000000, 40, afd[1]); });
    ASSERT_GT(pid, 0);
    close(afd[1]);

    std::vector<unsigned char> buf(64);
    int iSeq = 0, iBad = 0, iLen = -1;
    for (; iSeq < iReadBeforeStop; iSeq++) {
      ASSERT_EQ(ovfRead(povf, buf.data(), 64, &iLen), 0);
      ASSERT_GT(iLen, 0);
    }
    ovfStop(povf);
    for (;; iSeq++) {   // drain: every record written before the stop, then the end
      ASSERT_EQ(ovfRead(povf, buf.data(), 64, &iLen), 0);
      if (iLen == 0) break;
      std::vector<unsigned char> want = makeRecord(1, iSeq, recordLength(iSeq, 40));
      if (iLen != static_cast<int>(want.size()) || std::memcmp(buf.data(), want.data(), want.size()) != 0)
        iBad++;
    }
    EXPECT_EQ(waitChild(pid), 1) << "the producer's write must return the stop code";
    int iWritten = -1;
    ASSERT_EQ(read(afd[0], &iWritten, sizeof iWritten), static_cast<ssize_t>(sizeof iWritten));
    close(afd[0]);
    EXPECT_EQ(iSeq, iWritten) << "every record written before the stop is read";
    EXPECT_EQ(iBad, 0);
    if (iReadBeforeStop == 0) {
      EXPECT_EQ(iWritten, 0);
    }
    EXPECT_EQ(ovfDestroy(povf), 0);
    expectGone(ids);
  }
}

TEST_F(OvfTest, DestroyAfterStopDoesNotWaitForAProducerWithoutFreeHalf)
{
  /* The producer fills both halves and waits; the consumer stops and destroys
     without draining. */
  int iErr = 0;
  ovf *povf = ovfCreate(64, 0, &iErr);
  ASSERT_NE(povf, nullptr);
  ChannelIds ids = idsOf(povf);
  pid_t pid = forkChild([&] { return produce(povf, 2, 1000000, 20); });
  ASSERT_GT(pid, 0);
  while (semctl(ids.iSem, OVF_SEM_FULL, GETVAL) < 2) usleep(1000);
  ovfStop(povf);
  EXPECT_EQ(ovfDestroy(povf), 0);
  EXPECT_EQ(waitChild(pid), 1);
  expectGone(ids);
}

TEST_F(OvfTest, KilledProducerDoesNotHangTheConsumer)
{
  int iErr = 0;
  ovf *povf = ovfCreate(64, 0, &iErr);   // halves of 36 bytes: one 28-byte record each
  ASSERT_NE(povf, nullptr);
  ChannelIds ids = idsOf(povf);
  pid_t pid = forkChild([&] {
    for (int i = 0; i < 3; i++) {
      std::vector<unsigned char> rec = makeRecord(3, i, 28);
      if (ovfWrite(povf, rec.data(), 28) != 0) return 2;
    }
    raise(SIGKILL);   // dies holding half 1 with record 2, never writes the end
    return 0;
  });
  ASSERT_GT(pid, 0);

  std::vector<unsigned char> buf(64);
  int iLen = -1;
  for (int i = 0; i < 2; i++) {   // records of the halves handed over before it died
    ASSERT_EQ(ovfRead(povf, buf.data(), 64, &iLen), 0);
    ASSERT_EQ(iLen, 28);
    EXPECT_EQ(std::memcmp(buf.data(), makeRecord(3, i, 28).data(), 28), 0);
  }
  EXPECT_EQ(ovfRead(povf, buf.data(), 64, &iLen), OVF_RC_LOST);
  EXPECT_EQ(iLen, 0);
  EXPECT_EQ(ovfRead(povf, buf.data(), 64, &iLen), OVF_RC_LOST);   // and again, without blocking
  EXPECT_EQ(waitChild(pid), 1000 + SIGKILL);
  EXPECT_EQ(ovfDestroy(povf), OVF_RC_LOST);
  expectGone(ids);
}

/* ---- groups -------------------------------------------------------------- */

TEST_F(OvfTest, GroupYieldsEveryRecordWhateverOrderMembersEndIn)
{
  struct Case {
    int aiRecords[3];
    int aiDelayUs[3];   // pause before the end record
  } cases[] = {
      {{10, 500, 3000}, {0, 0, 0}},
      {{3000, 500, 10}, {0, 0, 0}},
      {{200, 200, 200}, {200000, 0, 100000}},
      {{0, 1000, 0}, {0, 0, 0}},
  };
  for (const Case &c : cases) {
    ovf *apovf[3];
    ChannelIds aids[3];
    int iGroupSem = -1;
    ovfgroup *pgroup = makeGroup(apovf, aids, &iGroupSem, [](int i) { return 100 + 50 * i; });
    ASSERT_NE(pgroup, nullptr);
    ASSERT_EQ(pgroup->iCount, 3);
    pid_t apid[3];
    for (int i = 0; i < 3; i++) {
      apid[i] = forkChild([&, i] {
        int iRc = 0;
        for (int k = 0; k < c.aiRecords[i] && iRc == 0; k++) {
          std::vector<unsigned char> rec = makeRecord(i, k, recordLength(k, 30));
          iRc = ovfWrite(apovf[i], rec.data(), static_cast<int>(rec.size()));
        }
        usleep(static_cast<useconds_t>(c.aiDelayUs[i]));
        return iRc == 0 && ovfWrite(apovf[i], nullptr, 0) == 0 ? 0 : 2;
      });
      ASSERT_GT(apid[i], 0);
    }

    int aiNext[3] = {0, 0, 0};
    int iBad = 0;
    std::vector<unsigned char> buf(64);
    for (;;) {
      int iLen = -1;
      int iRc = ovfGroupRead(pgroup, buf.data(), 64, &iLen);
      ASSERT_EQ(iRc, 0);
      if (iLen == 0) break;
      int iChannel = -1, iSeq = -1;
      std::memcpy(&iChannel, buf.data(), 4);
      std::memcpy(&iSeq, buf.data() + 4, 4);
      ASSERT_TRUE(iChannel >= 0 && iChannel < 3);
      std::vector<unsigned char> want = makeRecord(iChannel, aiNext[iChannel], recordLength(aiNext[iChannel], 30));
      if (iLen != static_cast<int>(want.size()) || std::memcmp(buf.data(), want.data(), want.size()) != 0)
        iBad++;
      aiNext[iChannel]++;
    }
    EXPECT_EQ(iBad, 0);
    for (int i = 0; i < 3; i++) {
      EXPECT_EQ(aiNext[i], c.aiRecords[i]) << "channel " << i;
      EXPECT_EQ(waitChild(apid[i]), 0);
    }
    /* Members are destroyed as they end (each child mapped every segment). */
    for (const ChannelIds &ids : aids) expectGone(ids);
    EXPECT_EQ(pgroup->iCount, 0);
    int iLen = 7;
    EXPECT_EQ(ovfGroupRead(pgroup, buf.data(), 64, &iLen), OVF_RC_NOMEMBER);
    EXPECT_EQ(iLen, 7);
    EXPECT_EQ(ovfGroupDestroy(pgroup), 0);
    EXPECT_FALSE(semExists(iGroupSem));
  }
}

TEST_F(OvfTest, GroupMembershipErrors)
{
  int iErr = 0;
  ovfgroup *pgroup = ovfGroupCreate(1, &iErr);
  ASSERT_NE(pgroup, nullptr);
  int iGroupSem = groupSem(pgroup);
  char buf[8];
  int iLen = 5;
  EXPECT_EQ(ovfGroupRead(pgroup, buf, sizeof buf, &iLen), OVF_RC_NOMEMBER);
  EXPECT_EQ(iLen, 5);

  ovf *povfIn = ovfCreate(40, 0, &iErr);
  ovf *povfOut = ovfCreate(40, 0, &iErr);
  ASSERT_NE(povfIn, nullptr);
  ASSERT_NE(povfOut, nullptr);
  ChannelIds idsIn = idsOf(povfIn), idsOut = idsOf(povfOut);
  ovfGroupAdd(pgroup, povfIn);
  ovfGroupAdd(pgroup, povfOut);   // beyond the capacity: not added
  ovfGroupAdd(pgroup, povfIn);    // already a member: not added twice
  EXPECT_EQ(pgroup->iCount, 1);
  EXPECT_EQ(headerWord(povfOut, OVF_W_GROUP), 0);

  EXPECT_EQ(ovfGroupRemove(pgroup, povfOut), OVF_RC_NOTMEMBER);
  EXPECT_EQ(pgroup->iCount, 1);
  EXPECT_TRUE(shmExists(idsOut.iShm));
  EXPECT_EQ(ovfDestroy(povfOut), 0);

  EXPECT_EQ(ovfGroupDestroy(pgroup), 0);
  expectGone(idsIn);
  expectGone(idsOut);
  EXPECT_FALSE(semExists(iGroupSem));
}

TEST_F(OvfTest, GroupStopDrainsEveryProducer)
{
  ovf *apovf[2];
  ChannelIds aids[2];
  int iGroupSem = -1;
  ovfgroup *pgroup = makeGroup(apovf, aids, &iGroupSem, [](int) { return 128; });
  ASSERT_NE(pgroup, nullptr);
  int afd[2][2];
  pid_t apid[2];
  for (int i = 0; i < 2; i++) {
    ASSERT_EQ(pipe(afd[i]), 0);
    apid[i] = forkChild([&, i] { return produce(apovf[i], i, 1000000, 30, afd[i][1]); });
    ASSERT_GT(apid[i], 0);
    close(afd[i][1]);
  }
  std::vector<unsigned char> buf(64);
  int aiRead[2] = {0, 0};
  int iLen = -1;
  for (int k = 0; k < 100; k++) {
    ASSERT_EQ(ovfGroupRead(pgroup, buf.data(), 64, &iLen), 0);
    ASSERT_GT(iLen, 0);
    aiRead[buf[0]]++;
  }
  ovfGroupStop(pgroup);
  for (;;) {
    ASSERT_EQ(ovfGroupRead(pgroup, buf.data(), 64, &iLen), 0);
    if (iLen == 0) break;
    aiRead[buf[0]]++;
  }
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(waitChild(apid[i]), 1);
    int iWritten = -1;
    ASSERT_EQ(read(afd[i][0], &iWritten, sizeof iWritten), static_cast<ssize_t>(sizeof iWritten));
    close(afd[i][0]);
    EXPECT_EQ(aiRead[i], iWritten) << "channel " << i;
  }
  EXPECT_EQ(ovfGroupDestroy(pgroup), 0);
  for (const ChannelIds &ids : aids) expectGone(ids);
  EXPECT_FALSE(semExists(iGroupSem));
}

TEST_F(OvfTest, GroupGoesOnWithTheOthersWhenAProducerIsKilled)
{
  ovf *apovf[3];
  ChannelIds aids[3];
  int iGroupSem = -1;
  ovfgroup *pgroup = makeGroup(apovf, aids, &iGroupSem, [](int) { return 64; });
  ASSERT_NE(pgroup, nullptr);
  pid_t apid[3];
  apid[0] = forkChild([&] { return produce(apovf[0], 0, 300, 20); });
  apid[1] = forkChild([&] {
    std::vector<unsigned char> rec = makeRecord(1, 0, 20);
    ovfWrite(apovf[1], rec.data(), 20);
    raise(SIGKILL);   // its only record never reaches the consumer
    return 0;
  });
  apid[2] = forkChild([&] { return produce(apovf[2], 2, 300, 20); });

  std::vector<unsigned char> buf(64);
  int aiRead[3] = {0, 0, 0};
  int iLost = 0;
  for (;;) {
    int iLen = -1;
    int iRc = ovfGroupRead(pgroup, buf.data(), 64, &iLen);
    if (iRc == OVF_RC_LOST) {
      iLost++;
      EXPECT_EQ(iLen, 0);
      continue;
    }
    /* The lost member may be the last one left: the group is then empty. */
    if (iRc == OVF_RC_NOMEMBER && iLost > 0) break;
    ASSERT_EQ(iRc, 0);
    if (iLen == 0) break;
    aiRead[buf[0]]++;
  }
  EXPECT_EQ(iLost, 1);
  EXPECT_EQ(aiRead[0], 300);
  EXPECT_EQ(aiRead[1], 0);
  EXPECT_EQ(aiRead[2], 300);
  EXPECT_EQ(waitChild(apid[0]), 0);
  EXPECT_EQ(waitChild(apid[1]), 1000 + SIGKILL);
  EXPECT_EQ(waitChild(apid[2]), 0);
  EXPECT_EQ(ovfGroupDestroy(pgroup), 0);
  for (const ChannelIds &ids : aids) expectGone(ids);
  EXPECT_FALSE(semExists(iGroupSem));
}

/* ---- records taken in bulk ------------------------------------------------ */

/* A record as the consumer got it: its full length and the bytes it was given. */
struct Got {
  int iLen;
  std::vector<unsigned char> bytes;
  bool operator==(const Got &) const = default;
};

/* What a consumer read of a channel or group: its records, the code it ended with, and whether it saw the end. */
struct Stream {
  std::vector<Got> recs;
  int iRc = 0;
  bool boEnd = false;
};

/* Reads the channel one record at a time, each into iSize bytes, to its end or first failure. */
Stream readSingly(ovf *povf, int iSize)
{
  Stream s;
  std::vector<unsigned char> buf(static_cast<size_t>(iSize));
  for (;;) {
    int iLen = -1;
    s.iRc = ovfRead(povf, buf.data(), iSize, &iLen);
    if (s.iRc != 0) break;
    if (iLen == 0) {
      s.boEnd = true;
      break;
    }
    s.recs.push_back({iLen, std::vector<unsigned char>(buf.begin(), buf.begin() + std::min(iLen, iSize))});
  }
  return s;
}

/*
** A consumer that takes records in bulk into a buffer of ilSize bytes and a
** table of ilCapacity entries, and begins a fresh buffer whenever the next
** record does not fit, as the conversion pool does.  Every record taken is
** checked to lie in the buffer after the ones before it.
*/
struct BulkReader {
  std::vector<unsigned char> buf;
  std::vector<ovfrecord> recs;
  ovfrecords take{};
  int iCalls = 0;
  int iFresh = 0;   /* buffers begun because a record did not fit */
  BulkReader(int32_t ilSize, int32_t ilRecordMax, int32_t ilCapacity)
      : buf(static_cast<size_t>(ilSize)), recs(static_cast<size_t>(ilCapacity))
  {
    take = {buf.data(), ilSize, ilRecordMax, recs.data(), ilCapacity, 0, 0, 0};
  }
  /* One call through fnRead; appends what it took to s.  False at the end or on a failure. */
  bool step(const std::function<int(ovfrecords *)> &fnRead, Stream &s)
  {
    int32_t ilCount = take.ilCount, ilUsed = take.ilUsed;
    iCalls++;
    int iRc = fnRead(&take);
    if (iRc != 0) {
      EXPECT_EQ(take.ilCount, ilCount) << "a failing call takes nothing";
      s.iRc = iRc;
      return false;
    }
    for (int32_t i = ilCount; i < take.ilCount; i++) {
      const ovfrecord &rec = take.precs[i];
      int32_t ilCopy = std::min(rec.ilLen, take.ilRecordMax);
      EXPECT_GE(rec.ilOffset, ilUsed + 4) << "record " << s.recs.size();
      EXPECT_LE(rec.ilOffset + ilCopy, take.ilUsed) << "record " << s.recs.size();
      s.recs.push_back({rec.ilLen, std::vector<unsigned char>(buf.begin() + rec.ilOffset,
                                                              buf.begin() + rec.ilOffset + ilCopy)});
      ilUsed = rec.ilOffset + ilCopy;
    }
    if (take.iEnd != 0) {
      EXPECT_EQ(take.ilCount, ilCount) << "the call that reads the end takes no record";
      s.boEnd = true;
      return false;
    }
    if (take.ilCount == ilCount) {
      EXPECT_GT(ilCount, 0) << "a fresh buffer must take a record";
      if (ilCount == 0) {
        s.iRc = -1;
        return false;
      }
      iFresh++;
      take.ilCount = 0;
      take.ilUsed = 0;
    }
    return true;
  }
  Stream readAll(const std::function<int(ovfrecords *)> &fnRead)
  {
    Stream s;
    while (step(fnRead, s)) {
    }
    return s;
  }
};

/*
** The same records written twice, on two channels by two producers, read
** one record at a time from the first and in bulk from the second: the
** consumer gets the same records, cut alike, and ends alike.  Records of
** every size up to the largest a half takes, records longer than the
** reading buffer (cut), an end record in the middle of a half, buffers and
** tables that fill mid-half, and a producer killed in the middle of a half
** (the records of the halves it handed over, then OVF_RC_LOST).
*/
TEST_F(OvfTest, RecordsTakenInBulkAreTheRecordsReadOneByOne)
{
  struct Case {
    const char *pcName;
    int iChannelLen;
    std::vector<int> viLens;
    bool boKilled;        /* the producer dies after its last record instead of ending */
    int32_t ilSize;       /* bulk buffer */
    int32_t ilRecordMax;  /* cut size, and the one-by-one buffer */
    int32_t ilCapacity;   /* bulk table */
  };
  std::vector<int> viAssorted, viSmall, viLong;
  for (int i = 0; i < 400; i++) viAssorted.push_back(i % 50 == 7 ? 2048 : 1 + (i * 37) % 300);
  for (int i = 0; i < 60; i++) viSmall.push_back(8 + i % 13);
  for (int i = 0; i < 300; i++) viLong.push_back(i % 9 == 4 ? 400 + i : 8 + (i * 11) % 90);
  const Case aCases[] = {
      {"sizes 1 to 300 and the largest of a half (2048)", 4096, viAssorted, false, 8192, 4096, 1024},
      {"largest records only, one per half", 4096, std::vector<int>(20, 2048), false, 2052, 2048, 4},
      {"an end record in the middle of the only half", 65536, viSmall, false, 65536, 1024, 1024},
      {"small buffer and table: many calls per half, records cut", 4096, viLong, false, 300, 200, 3},
      {"a producer killed in the middle of a half", 256, viSmall, true, 4096, 256, 64},
      {"a producer killed before its first hand-over", 65536, viSmall, true, 4096, 256, 64},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    ovf *apovf[2];
    ChannelIds aids[2];
    pid_t apid[2];
    for (int k = 0; k < 2; k++) {
      int iErr = 0;
      apovf[k] = ovfCreate(c.iChannelLen, 0, &iErr);
      ASSERT_NE(apovf[k], nullptr);
      aids[k] = idsOf(apovf[k]);
      apid[k] = forkChild([&, k] {
        for (size_t i = 0; i < c.viLens.size(); i++) {
          std::vector<unsigned char> rec = makeRecord(4, static_cast<int>(i), c.viLens[i]);
          if (ovfWrite(apovf[k], rec.data(), static_cast<int>(rec.size())) != 0) return 2;
        }
        if (c.boKilled) raise(SIGKILL);
        return ovfWrite(apovf[k], nullptr, 0) == 0 ? 0 : 3;
      });
      ASSERT_GT(apid[k], 0);
      ovfWatchProducer(apovf[k], apid[k]);
    }
    Stream single = readSingly(apovf[0], c.ilRecordMax);
    BulkReader reader(c.ilSize, c.ilRecordMax, c.ilCapacity);
    Stream bulk = reader.readAll([&](ovfrecords *prec) { return ovfReadRecords(apovf[1], prec); });

    EXPECT_EQ(bulk.iRc, single.iRc);
    EXPECT_EQ(bulk.boEnd, single.boEnd);
    EXPECT_TRUE(bulk.recs == single.recs) << bulk.recs.size() << " records in bulk, " << single.recs.size()
                                          << " one by one";
    /* and they are the records written (all of them unless the producer was killed), cut alike */
    ASSERT_LE(single.recs.size(), c.viLens.size());
    for (size_t i = 0; i < single.recs.size(); i++) {
      std::vector<unsigned char> want = makeRecord(4, static_cast<int>(i), c.viLens[i]);
      want.resize(std::min<size_t>(want.size(), static_cast<size_t>(c.ilRecordMax)));
      EXPECT_EQ(single.recs[i].iLen, c.viLens[i]) << "record " << i;
      EXPECT_TRUE(single.recs[i].bytes == want) << "record " << i;
    }
    if (c.boKilled) {
      EXPECT_EQ(single.iRc, OVF_RC_LOST);
      EXPECT_LT(single.recs.size(), c.viLens.size());
      /* a later call fails again, without blocking */
      ovfrecords again = reader.take;
      EXPECT_EQ(ovfReadRecords(apovf[1], &again), OVF_RC_LOST);
    } else {
      EXPECT_EQ(single.iRc, 0);
      EXPECT_EQ(single.recs.size(), c.viLens.size());
      /* after the end every call sets the end again and takes nothing */
      ovfrecords again = reader.take;
      again.iEnd = 0;
      EXPECT_EQ(ovfReadRecords(apovf[1], &again), 0);
      EXPECT_EQ(again.iEnd, 1);
      EXPECT_EQ(again.ilCount, reader.take.ilCount);
    }
    for (int k = 0; k < 2; k++) EXPECT_EQ(waitChild(apid[k]), c.boKilled ? 1000 + SIGKILL : 0);
    for (int k = 0; k < 2; k++) {   // the second producer mapped both segments
      EXPECT_EQ(ovfDestroy(apovf[k]), c.boKilled ? OVF_RC_LOST : 0);
      expectGone(aids[k]);
    }
  }
}

/* Arguments a bulk read refuses, taking nothing and touching no half. */
TEST_F(OvfTest, BulkReadRefusesBadArguments)
{
  int iErr = 0;
  ovf *povf = ovfCreate(64, 0, &iErr);
  ASSERT_NE(povf, nullptr);
  ChannelIds ids = idsOf(povf);
  unsigned char buf[64];
  ovfrecord arec[4];
  const ovfrecords good{buf, 64, 32, arec, 4, 0, 0, 0};
  std::vector<std::pair<const char *, std::function<void(ovfrecords &)>>> vBad = {
      {"no buffer", [](ovfrecords &r) { r.pBuffer = nullptr; }},
      {"no table", [](ovfrecords &r) { r.precs = nullptr; }},
      {"no record size", [](ovfrecords &r) { r.ilRecordMax = 0; }},
      {"used past the size", [](ovfrecords &r) { r.ilUsed = 65; }},
      {"count past the table", [](ovfrecords &r) { r.ilCount = 5; }},
      {"negative size", [](ovfrecords &r) { r.ilSize = -1; }},
  };
  for (auto &[pcName, fnSpoil] : vBad) {
    ovfrecords take = good;
    fnSpoil(take);
    EXPECT_EQ(ovfReadRecords(povf, &take), ORC_INVALID) << pcName;
  }
  ovfrecords take = good;
  EXPECT_EQ(ovfReadRecords(nullptr, &take), ORC_INVALID);
  EXPECT_EQ(ovfReadRecords(povf, nullptr), ORC_INVALID);
  EXPECT_EQ(ovfGroupReadRecords(nullptr, &take), ORC_INVALID);
  EXPECT_EQ(headerWord(povf, OVF_W_CONSUMER_HALF), 0);
  EXPECT_EQ(ovfDestroy(povf), 0);
  expectGone(ids);
}

/*
** A stop asked while records are taken in bulk reaches the producer, and
** every record it wrote before it is taken; a stop asked before its first
** write ends the channel with no record.
*/
TEST_F(OvfTest, StopWhileTakingInBulkKeepsEveryRecordWritten)
{
  for (bool boEarly : {false, true}) {
    SCOPED_TRACE(boEarly ? "stop before the first write" : "stop while the producer writes");
    int iErr = 0;
    ovf *povf = ovfCreate(512, 0, &iErr);
    ASSERT_NE(povf, nullptr);
    ChannelIds ids = idsOf(povf);
    if (boEarly) ovfStop(povf);
    int afd[2];
    ASSERT_EQ(pipe(afd), 0);
    pid_t pid = forkChild([&] { return produce(povf, 1, 1000000, 40, afd[1]); });
    ASSERT_GT(pid, 0);
    close(afd[1]);

    BulkReader reader(300, 64, 16);
    Stream s;
    auto fnRead = [&](ovfrecords *prec) { return ovfReadRecords(povf, prec); };
    if (!boEarly) {
      while (s.recs.size() < 50 && reader.step(fnRead, s)) {
      }
      ovfStop(povf);
    }
    while (reader.step(fnRead, s)) {
    }
    EXPECT_EQ(s.iRc, 0);
    EXPECT_TRUE(s.boEnd);
    EXPECT_EQ(waitChild(pid), 1) << "the producer's write must return the stop code";
    int iWritten = -1;
    ASSERT_EQ(read(afd[0], &iWritten, sizeof iWritten), static_cast<ssize_t>(sizeof iWritten));
    close(afd[0]);
    EXPECT_EQ(static_cast<int>(s.recs.size()), iWritten) << "every record written before the stop is taken";
    int iBad = 0;
    for (size_t i = 0; i < s.recs.size(); i++) {
      std::vector<unsigned char> want = makeRecord(1, static_cast<int>(i), recordLength(static_cast<int>(i), 40));
      if (s.recs[i].iLen != static_cast<int>(want.size()) || s.recs[i].bytes != want) iBad++;
    }
    EXPECT_EQ(iBad, 0);
    if (boEarly) {
      EXPECT_EQ(iWritten, 0);
    }
    EXPECT_EQ(ovfDestroy(povf), 0);
    expectGone(ids);
  }
}

/*
** A group read in bulk gives every member's records in that member's
** order, drops members as they end or are lost (OVF_RC_LOST once, the
** others read on), and sets the end once every member has ended.
*/
TEST_F(OvfTest, GroupInBulkGivesEveryMembersRecordsInOrder)
{
  ovf *apovf[3];
  ChannelIds aids[3];
  int iGroupSem = -1;
  ovfgroup *pgroup = makeGroup(apovf, aids, &iGroupSem, [](int i) { return 200 + 300 * i; });
  ASSERT_NE(pgroup, nullptr);
  const int aiRecords[3] = {3000, 200, 20};
  pid_t apid[3];
  for (int i = 0; i < 3; i++) {
    apid[i] = forkChild([&, i] {
      for (int k = 0; k < aiRecords[i]; k++) {
        std::vector<unsigned char> rec = makeRecord(i, k, recordLength(k, 30));
        if (ovfWrite(apovf[i], rec.data(), static_cast<int>(rec.size())) != 0) return 2;
      }
      if (i == 1) raise(SIGKILL);   // never writes the end record
      return ovfWrite(apovf[i], nullptr, 0) == 0 ? 0 : 3;
    });
    ASSERT_GT(apid[i], 0);
  }

  BulkReader reader(256, 64, 8);
  Stream s;
  int iLost = 0;
  for (;;) {
    if (reader.step([&](ovfrecords *prec) { return ovfGroupReadRecords(pgroup, prec); }, s)) continue;
    if (s.iRc != OVF_RC_LOST) break;
    iLost++;
    s.iRc = 0;
  }
  /* the lost member may be the last one left: the group is then empty */
  EXPECT_TRUE(s.iRc == 0 || (s.iRc == OVF_RC_NOMEMBER && !s.boEnd)) << s.iRc;
  EXPECT_EQ(iLost, 1);
  int aiNext[3] = {0, 0, 0};
  int iBad = 0;
  for (const Got &got : s.recs) {
    int iChannel = -1;
    std::memcpy(&iChannel, got.bytes.data(), 4);
    ASSERT_TRUE(iChannel >= 0 && iChannel < 3);
    int k = aiNext[iChannel]++;
    std::vector<unsigned char> want = makeRecord(iChannel, k, recordLength(k, 30));
    if (got.iLen != static_cast<int>(want.size()) || got.bytes != want) iBad++;
  }
  EXPECT_EQ(iBad, 0);
  EXPECT_EQ(aiNext[0], aiRecords[0]);
  EXPECT_LT(aiNext[1], aiRecords[1]);   // the records of its last half are lost
  EXPECT_EQ(aiNext[2], aiRecords[2]);
  EXPECT_GT(reader.iFresh, 0);
  EXPECT_EQ(pgroup->iCount, 0);
  ovfrecords again = reader.take;
  EXPECT_EQ(ovfGroupReadRecords(pgroup, &again), OVF_RC_NOMEMBER);
  EXPECT_EQ(waitChild(apid[0]), 0);
  EXPECT_EQ(waitChild(apid[1]), 1000 + SIGKILL);
  EXPECT_EQ(waitChild(apid[2]), 0);
  EXPECT_EQ(ovfGroupDestroy(pgroup), 0);
  for (const ChannelIds &ids : aids) expectGone(ids);
  EXPECT_FALSE(semExists(iGroupSem));
}

/* ---- records written in runs ------------------------------------------------ */

/* Records laid out as the channel holds them: length word, bytes, zeros to a multiple of 4. */
std::vector<unsigned char> channelLayout(const std::vector<std::vector<unsigned char>> &vrecs)
{
  std::vector<unsigned char> out;
  for (const std::vector<unsigned char> &rec : vrecs) {
    uint32_t ulLen = static_cast<uint32_t>(rec.size());
    unsigned char auc[4] = {static_cast<unsigned char>(ulLen), static_cast<unsigned char>(ulLen >> 8),
                            static_cast<unsigned char>(ulLen >> 16), static_cast<unsigned char>(ulLen >> 24)};
    out.insert(out.end(), auc, auc + 4);
    out.insert(out.end(), rec.begin(), rec.end());
    out.resize(out.size() + (4 - rec.size() % 4) % 4, 0);
  }
  return out;
}

/* The records of each half in turn (a bulk read takes one half's records a call, and the
   buffer here holds every record of the tests below), to the end or the first failure. */
struct Halves {
  std::vector<int32_t> vilCounts;
  Stream s;
};
Halves readByHalves(ovf *povf)
{
  Halves h;
  BulkReader reader(4 << 20, 4 << 20, 1 << 14);
  for (;;) {
    size_t ulBefore = h.s.recs.size();
    bool boMore = reader.step([&](ovfrecords *prec) { return ovfReadRecords(povf, prec); }, h.s);
    if (h.s.recs.size() > ulBefore) h.vilCounts.push_back(static_cast<int32_t>(h.s.recs.size() - ulBefore));
    if (!boMore) {
      EXPECT_EQ(reader.iFresh, 0) << "a half's records split over two calls";
      return h;
    }
  }
}

/*
** The same records written by two producers, one record a call with
** ovfWrite, and in runs of a chunk of records with ovfWriteRecords: the
** consumer gets the same records in the same halves (the first halves of a
** large channel handed over early, at the same records), whatever the
** chunks, record lengths, and where a half ends (also past a record whose
** padding does not fit).
*/
TEST_F(OvfTest, RecordsWrittenInRunsFillTheHalvesAsOneByOne)
{
  struct Case {
    const char *pcName;
    int iChannelLen;
    std::vector<int> viLens;
    std::vector<int> viChunks;   /* records a call, used in turn */
  };
  std::vector<int> viAssorted, viRamp;
  for (int i = 0; i < 500; i++) viAssorted.push_back(i % 61 == 5 ? 2000 : 1 + (i * 37) % 300);
  for (int i = 0; i < 6000; i++) viRamp.push_back(40 + (i * 53) % 260);
  const Case aCases[] = {
      {"lengths 1 to 300 and near a half, one call each", 4096, viAssorted, {1}},
      {"the same in chunks of 7, 1 and 100", 4096, viAssorted, {7, 1, 100}},
      {"all at once", 4096, viAssorted, {1000}},
      /* halves of 26 bytes: the second starts off a word, and 4 + 9 then 4 + 6 leave no room for the padding */
      {"a half that ends off a word", 44, {9, 6, 9, 6, 3, 1, 22, 9, 6}, {4, 2, 3}},
      {"first halves of a large channel, smaller", 1 << 20, viRamp, {50, 3000, 1}},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    std::vector<std::vector<unsigned char>> vrecs;
    for (size_t i = 0; i < c.viLens.size(); i++) vrecs.push_back(makeRecord(5, static_cast<int>(i), c.viLens[i]));
    ovf *apovf[2];
    ChannelIds aids[2];
    pid_t apid[2];
    for (int k = 0; k < 2; k++) {
      int iErr = 0;
      apovf[k] = ovfCreate(c.iChannelLen, 0, &iErr);
      ASSERT_NE(apovf[k], nullptr);
      aids[k] = idsOf(apovf[k]);
    }
    apid[0] = forkChild([&] {
      for (const std::vector<unsigned char> &rec : vrecs)
        if (ovfWrite(apovf[0], rec.data(), static_cast<int>(rec.size())) != 0) return 2;
      return ovfWrite(apovf[0], nullptr, 0) == 0 ? 0 : 3;
    });
    apid[1] = forkChild([&] {
      size_t ulAt = 0;
      for (size_t iCall = 0; ulAt < vrecs.size(); iCall++) {
        size_t ulCount = std::min<size_t>(static_cast<size_t>(c.viChunks[iCall % c.viChunks.size()]), vrecs.size() - ulAt);
        std::vector<unsigned char> run = channelLayout({vrecs.begin() + static_cast<long>(ulAt),
                                                        vrecs.begin() + static_cast<long>(ulAt + ulCount)});
        int32_t ilWritten = -1;
        if (ovfWriteRecords(apovf[1], run.data(), static_cast<int64_t>(run.size()), static_cast<int32_t>(ulCount),
                            &ilWritten) != 0 ||
            ilWritten != static_cast<int32_t>(ulCount))
          return 2;
        ulAt += ulCount;
      }
      return ovfWrite(apovf[1], nullptr, 0) == 0 ? 0 : 3;
    });
    for (int k = 0; k < 2; k++) {
      ASSERT_GT(apid[k], 0);
      ovfWatchProducer(apovf[k], apid[k]);
    }
    Halves one = readByHalves(apovf[0]);
    Halves runs = readByHalves(apovf[1]);
    EXPECT_EQ(waitChild(apid[0]), 0);
    EXPECT_EQ(waitChild(apid[1]), 0);
    EXPECT_EQ(one.s.iRc, 0);
    EXPECT_EQ(runs.s.iRc, 0);
    EXPECT_TRUE(one.s.boEnd && runs.s.boEnd);
    ASSERT_EQ(one.s.recs.size(), vrecs.size());
    for (size_t i = 0; i < vrecs.size(); i++) EXPECT_TRUE(one.s.recs[i].bytes == vrecs[i]) << "record " << i;
    EXPECT_TRUE(runs.s.recs == one.s.recs);
    EXPECT_EQ(runs.vilCounts, one.vilCounts) << "the halves hold the same records";
    if (c.iChannelLen == (1 << 20)) {
      /* handed over at 64 KB, then at twice what the half before held, up to the whole half */
      ASSERT_GE(one.vilCounts.size(), 4u);
      EXPECT_LT(one.vilCounts[0], one.vilCounts[1]);
      EXPECT_LT(one.vilCounts[1], one.vilCounts[2]);
      EXPECT_LT(one.vilCounts[2], one.vilCounts[3]);
      size_t ulFirst = 0;
      for (int32_t i = 0; i < one.vilCounts[0]; i++) ulFirst += 4 + (vrecs[static_cast<size_t>(i)].size() + 3) / 4 * 4;
      EXPECT_LE(ulFirst, 64u * 1024);
      EXPECT_GT(ulFirst + 4 + 300, 64u * 1024) << "the first half holds what fits in 64 KB";
    }
    for (int k = 0; k < 2; k++) {
      EXPECT_EQ(ovfDestroy(apovf[k]), 0);
      expectGone(aids[k]);
    }
  }
}

/*
** A run stops before a record ovfWrite would not simply append, with the
** count of the records before it; nothing of that record is written, so
** that ovfWrite can take it from there (refuse it, or end the channel for
** a stop).
*/
TEST_F(OvfTest, RecordsWrittenInRunsStopBeforeARecordNotSimplyAppended)
{
  std::vector<std::vector<unsigned char>> vgood = {makeRecord(6, 0, 10), makeRecord(6, 1, 12)};
  std::vector<unsigned char> good = channelLayout(vgood);
  auto withLength = [&](uint32_t ulLen, size_t ulData) {
    std::vector<unsigned char> v = good;
    for (int i = 0; i < 4; i++) v.push_back(static_cast<unsigned char>(ulLen >> (8 * i)));
    v.resize(v.size() + ulData, 0x5A);
    return v;
  };
  struct Case {
    const char *pcName;
    std::vector<unsigned char> bytes;
    int32_t ilCount;
    bool boStopped;
    int iRc;
    int32_t ilWritten;
  };
  const Case aCases[] = {
      {"all written", good, 2, false, 0, 2},
      {"a record of length 0 after two", withLength(0, 0), 3, false, ORC_INVALID, 2},
      {"a record longer than a half", withLength(200, 200), 3, false, ORC_INVALID, 2},
      {"a record running past the bytes", withLength(8, 4), 3, false, ORC_INVALID, 2},
      {"padding missing at the end", withLength(7, 7), 3, false, ORC_INVALID, 2},
      {"more records counted than given", good, 3, false, ORC_INVALID, 2},
      {"a consumer that asked to stop", good, 2, true, OVF_RC_STOPPED, 0},
  };
  for (const Case &c : aCases) {
    SCOPED_TRACE(c.pcName);
    int iErr = 0;
    ovf *povf = ovfCreate(256, 0, &iErr);   // halves of 132 bytes: nothing here waits
    ASSERT_NE(povf, nullptr);
    ChannelIds ids = idsOf(povf);
    if (c.boStopped) ovfStop(povf);
    int32_t ilWritten = -1;
    EXPECT_EQ(ovfWriteRecords(povf, c.bytes.data(), static_cast<int64_t>(c.bytes.size()), c.ilCount, &ilWritten), c.iRc);
    EXPECT_EQ(ilWritten, c.ilWritten);
    /* the producer goes on record by record */
    EXPECT_EQ(ovfWrite(povf, nullptr, 0), c.boStopped ? OVF_RC_STOPPED : 0);
    Stream s = readSingly(povf, 256);
    EXPECT_EQ(s.iRc, 0);
    EXPECT_TRUE(s.boEnd);
    ASSERT_EQ(s.recs.size(), static_cast<size_t>(c.ilWritten));
    for (size_t i = 0; i < s.recs.size(); i++) EXPECT_TRUE(s.recs[i].bytes == vgood[i]) << "record " << i;
    EXPECT_EQ(ovfDestroy(povf), 0);
    expectGone(ids);
  }
  {
    /* the last record of a half that ends off a word: its padding is not written past the half */
    int iErr = 0;
    ovf *povf = ovfCreate(44, 0, &iErr);   // halves of 26 bytes
    ASSERT_NE(povf, nullptr);
    ChannelIds ids = idsOf(povf);
    unsigned char *pucHalf2 = reinterpret_cast<unsigned char *>(povf) + headerWord(povf, OVF_W_HALF2_START);
    std::memset(pucHalf2, 0xEE, 4);
    std::vector<std::vector<unsigned char>> vfill = {makeRecord(6, 0, 9), makeRecord(6, 1, 6)};
    std::vector<unsigned char> fill = channelLayout(vfill);
    int32_t ilWritten = -1;
    EXPECT_EQ(ovfWriteRecords(povf, fill.data(), static_cast<int64_t>(fill.size()), 2, &ilWritten), 0);
    EXPECT_EQ(ilWritten, 2);
    EXPECT_EQ(headerWord(povf, OVF_W_PRODUCER_HALF), 1) << "both in the first half";
    for (int i = 0; i < 4; i++) EXPECT_EQ(pucHalf2[i], 0xEE) << "byte " << i << " of the second half";
    EXPECT_EQ(ovfWrite(povf, nullptr, 0), 0);
    Stream s = readSingly(povf, 64);
    ASSERT_EQ(s.recs.size(), 2u);
    EXPECT_TRUE(s.recs[0].bytes == vfill[0] && s.recs[1].bytes == vfill[1]);
    EXPECT_EQ(ovfDestroy(povf), 0);
    expectGone(ids);
  }
  /* bad arguments: nothing taken, nothing written */
  int iErr = 0;
  ovf *povf = ovfCreate(256, 0, &iErr);
  ASSERT_NE(povf, nullptr);
  ChannelIds ids = idsOf(povf);
  int32_t ilWritten = -1;
  EXPECT_EQ(ovfWriteRecords(nullptr, good.data(), 8, 1, &ilWritten), ORC_INVALID);
  EXPECT_EQ(ilWritten, 0);
  EXPECT_EQ(ovfWriteRecords(povf, good.data(), 8, 1, nullptr), ORC_INVALID);
  EXPECT_EQ(ovfWriteRecords(povf, nullptr, 8, 1, &ilWritten), ORC_INVALID);
  EXPECT_EQ(ovfWriteRecords(povf, good.data(), -1, 1, &ilWritten), ORC_INVALID);
  EXPECT_EQ(ovfWriteRecords(povf, good.data(), 8, -1, &ilWritten), ORC_INVALID);
  EXPECT_EQ(headerWord(povf, OVF_W_PRODUCER_HALF), 0) << "no half taken";
  EXPECT_EQ(ovfWriteRecords(povf, nullptr, 0, 0, &ilWritten), 0) << "nothing to write";
  EXPECT_EQ(ilWritten, 0);
  EXPECT_EQ(ovfDestroy(povf), 0);
  expectGone(ids);
}

/* ---- what is left when the processes end ---------------------------------- */

/*
** The segment is marked for removal once its creator has attached it: a
** creator that ends without ovfDestroy (killed) leaves no segment.  Only
** the semaphore set is left, for the message centre that it is registered
** with.
*/
TEST_F(OvfTest, TheSegmentGoesWithItsLastUserHoweverItEnds)
{
  int aiIds[2], aiGo[2];
  ASSERT_EQ(pipe(aiIds), 0);
  ASSERT_EQ(pipe(aiGo), 0);
  pid_t pid = forkChild([&] {
    int iErr = 0;
    ovf *povf = ovfCreate(40, 10, &iErr);
    int ai[2] = {povf != nullptr ? headerWord(povf, OVF_W_SHMID) : -1,
                 povf != nullptr ? headerWord(povf, OVF_W_SEMID) : -1};
    if (write(aiIds[1], ai, sizeof ai) != static_cast<ssize_t>(sizeof ai)) return 2;
    char c;
    return read(aiGo[0], &c, 1) == 1 ? 0 : 3;   /* then ends without ovfDestroy */
  });
  int ai[2] = {-1, -1};
  ASSERT_EQ(read(aiIds[0], ai, sizeof ai), static_cast<ssize_t>(sizeof ai));
  ChannelIds ids{ai[0], ai[1]};
  gvecMade.push_back(ids);
  ASSERT_GE(ids.iShm, 0);
  std::optional<IpcRow> shm = findRow("/proc/sysvipc/shm", ids.iShm);
  ASSERT_TRUE(shm.has_value());
  EXPECT_NE(shm->iPerms & 01000, 0) << "the segment is not marked for removal while in use";
  ASSERT_EQ(write(aiGo[1], "x", 1), 1);
  EXPECT_EQ(waitChild(pid), 0);
  EXPECT_FALSE(shmExists(ids.iShm)) << "segment " << ids.iShm << " outlived its last user";
  EXPECT_TRUE(semExists(ids.iSem));
  semctl(ids.iSem, 0, IPC_RMID);
  for (int fd : {aiIds[0], aiIds[1], aiGo[0], aiGo[1]}) close(fd);
}

/*
** In a process that caught a signal asking it to stop, no wait of a
** channel goes on: a read of a channel nobody writes, a write into a full
** one and the destruction of a channel whose producer still writes all
** return at once.
*/
TEST_F(OvfTest, ACaughtStopSignalEndsEveryWait)
{
  pid_t pid = forkChild([] {
    if (osignalInstall() != 0) return 10;
    int iErr = 0;
    ovf *povfIdle = ovfCreate(40, 10, &iErr);
    ovf *povfFull = ovfCreate(40, 10, &iErr);
    if (povfIdle == nullptr || povfFull == nullptr) return 11;
    pid_t pidSelf = getpid();
    pid_t pidKiller = fork();
    if (pidKiller == 0) {
      usleep(200000);
      kill(pidSelf, SIGTERM);
      _exit(0);
    }
    unsigned char ab[64] = {0};
    int iLen = -1;
    int iRc = 0;
    if (ovfRead(povfIdle, ab, sizeof ab, &iLen) != OVF_RC_INTERRUPTED || iLen != 0) iRc = 12;
    waitpid(pidKiller, nullptr, 0);
    /* halves of 24 bytes: two records of 16 fill both, the third waits for a consumer */
    if (iRc == 0 && (ovfWrite(povfFull, ab, 16) != 0 || ovfWrite(povfFull, ab, 16) != 0)) iRc = 13;
    if (iRc == 0 && ovfWrite(povfFull, ab, 16) != OVF_RC_INTERRUPTED) iRc = 14;
    if (iRc == 0 && (ovfDestroy(povfFull) != 0 || ovfDestroy(povfIdle) != 0)) iRc = 15;
    return iRc;
  });
  EXPECT_EQ(waitChild(pid), 0) << "10 and up: the step that failed; 1000 + signal: it hung";
}

}  // namespace
