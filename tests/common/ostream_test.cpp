/*
** ostream_test.cpp
**   Text streams: reading and stepping back with line and column tracking,
**   the end of the text, positions built from lines and columns, seeking,
**   streams read from files and standard input, and sub-streams located in
**   their parent's numbering.
*/
#include "common/ostream.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

namespace {

struct StreamDeleter {
  void operator()(ostream *p) const { ostreamDestroy(p); }
};
using StreamPtr = std::unique_ptr<ostream, StreamDeleter>;

/* The stream borrows its text: keep every text alive for the whole run. */
StreamPtr fromText(const std::string &s)
{
  static std::deque<std::string> texts;
  texts.push_back(s);
  return StreamPtr(ostreamCreateFromBuffer(texts.back().data(), static_cast<int32_t>(s.size())));
}

struct LC {
  int32_t iLine, iColumn;
};

LC currentLC(ostream *p)
{
  ostreamPos pos;
  ostreamGetPos(p, &pos);
  LC lc{};
  ostreamPosGetLC(&pos, &lc.iLine, &lc.iColumn);
  return lc;
}

std::string readAll(ostream *p)
{
  std::string s;
  for (int c; (c = ostreamGetc(p)) != OSTREAM_EOF;) s.push_back(static_cast<char>(c));
  return s;
}

TEST(ostream, ReadsBytesWithLinesAndColumns)
{
  std::string sText = "AB\nX";
  StreamPtr p = fromText(sText);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->iLineCount, 2);
  EXPECT_EQ(p->iEndColumn, 2);

  EXPECT_EQ(ostreamGetc(p.get()), 'A');
  EXPECT_EQ(currentLC(p.get()).iLine, 1);
  EXPECT_EQ(currentLC(p.get()).iColumn, 2);
  EXPECT_EQ(ostreamGetc(p.get()), 'B');
  EXPECT_EQ(ostreamGetc(p.get()), '\n');
  EXPECT_EQ(currentLC(p.get()).iLine, 2);
  EXPECT_EQ(currentLC(p.get()).iColumn, 1);
  EXPECT_TRUE(p->ulFlags & OSTREAM_LINE_END);

  /* Stepping back over the line start lands on the line feed, column 3. */
  EXPECT_EQ(ostreamUngetc(p.get(), '\n'), '\n');
  EXPECT_EQ(currentLC(p.get()).iLine, 1);
  EXPECT_EQ(currentLC(p.get()).iColumn, 3);
  EXPECT_FALSE(p->ulFlags & OSTREAM_LINE_END);
  EXPECT_EQ(ostreamGetc(p.get()), '\n');

  EXPECT_EQ(ostreamGetc(p.get()), 'X');
  EXPECT_TRUE(p->ulFlags & OSTREAM_AT_END);
  EXPECT_EQ(currentLC(p.get()).iLine, 2);
  EXPECT_EQ(currentLC(p.get()).iColumn, 2);
  EXPECT_EQ(ostreamGetc(p.get()), OSTREAM_EOF);
}

TEST(ostream, EndOfTextIsCountedAndUndone)
{
  /* Empty text: at end at once; nothing to step back over. */
  StreamPtr pEmpty = fromText("");
  ASSERT_NE(pEmpty, nullptr);
  EXPECT_TRUE(pEmpty->ulFlags & OSTREAM_AT_END);
  EXPECT_EQ(ostreamGetc(pEmpty.get()), OSTREAM_EOF);
  EXPECT_EQ(pEmpty->iReadsPastEnd, 1);
  EXPECT_EQ(ostreamUngetc(pEmpty.get(), 'Z'), OSTREAM_EOF);
  EXPECT_EQ(pEmpty->posCurrent.pcPos, pEmpty->pcBuffer);

  /* Two reads past the end are undone one by one before the last byte is. */
  StreamPtr p = fromText("ab");
  ASSERT_EQ(readAll(p.get()), "ab");
  EXPECT_EQ(ostreamGetc(p.get()), OSTREAM_EOF);
  EXPECT_EQ(p->iReadsPastEnd, 2);
  EXPECT_EQ(ostreamUngetc(p.get(), OSTREAM_EOF), OSTREAM_EOF);
  EXPECT_EQ(ostreamUngetc(p.get(), OSTREAM_EOF), OSTREAM_EOF);
  EXPECT_TRUE(p->ulFlags & OSTREAM_AT_END);
  EXPECT_EQ(ostreamUngetc(p.get(), 'b'), 'b');
  EXPECT_FALSE(p->ulFlags & OSTREAM_AT_END);
  EXPECT_EQ(ostreamGetc(p.get()), 'b');
}

TEST(ostream, ByteFFIsDataNotTheEnd)
{
  const unsigned char ac[] = {'A', 0xFF, 'B', 0x00, 0xFF};
  StreamPtr p(ostreamCreateFromBuffer(ac, sizeof ac));
  ASSERT_NE(p, nullptr);
  int aiExpected[] = {'A', 0xFF, 'B', 0x00, 0xFF, OSTREAM_EOF};
  for (int iExpected : aiExpected) EXPECT_EQ(ostreamGetc(p.get()), iExpected);
  EXPECT_EQ(ostreamUngetc(p.get(), OSTREAM_EOF), OSTREAM_EOF);  /* undoes the read at end */
  EXPECT_EQ(ostreamUngetc(p.get(), 0xFF), 0xFF);
  EXPECT_EQ(ostreamGetc(p.get()), 0xFF);
}

TEST(ostream, StepBackNeverWritesTheText)
{
  /* The text lives in read-only storage: writing into it would fault. */
  static const char acText[] = "QR";
  StreamPtr p(ostreamCreateFromBuffer(acText, 2));
  ASSERT_EQ(ostreamGetc(p.get()), 'Q');
  EXPECT_EQ(ostreamUngetc(p.get(), 'z'), 'z');
  EXPECT_EQ(ostreamGetc(p.get()), 'Q');
  EXPECT_STREQ(acText, "QR");
}

TEST(ostream, FinalLineFeedStaysOnItsLineUntilRepositioned)
{
  StreamPtr p = fromText("AB\n");
  EXPECT_EQ(p->iLineCount, 2);
  EXPECT_EQ(p->iEndColumn, 1);
  ASSERT_EQ(readAll(p.get()), "AB\n");
  EXPECT_EQ(currentLC(p.get()).iLine, 1);
  EXPECT_EQ(currentLC(p.get()).iColumn, 4);

  ostreamPos pos;
  ostreamPosLocalInit(&pos, p.get(), 99, 1);
  ostreamSetPos(p.get(), &pos);
  EXPECT_TRUE(p->ulFlags & OSTREAM_AT_END);
  EXPECT_EQ(currentLC(p.get()).iLine, 2);
  EXPECT_EQ(currentLC(p.get()).iColumn, 1);
  EXPECT_EQ(ostreamUngetc(p.get(), '\n'), '\n');
  EXPECT_EQ(currentLC(p.get()).iLine, 1);
  EXPECT_EQ(currentLC(p.get()).iColumn, 3);
}

TEST(ostream, PositionsFromLineAndColumn)
{
  /* Line 2 holds ten bytes before its line feed; line 3 has no line feed. */
  std::string sText = "first\n0123456789\nxyz";
  StreamPtr p = fromText(sText);
  struct Case {
    int32_t iLine, iColumn;      /* asked for */
    int32_t iLineOut, iColumnOut;
    size_t ulOffset;             /* byte the position points at */
  } aCases[] = {
      {1, 1, 1, 1, 0},
      {0, -4, 1, 1, 0},          /* below 1 taken as 1 */
      {2, 3, 2, 3, 8},
      {2, 500, 2, 11, 16},       /* clamped to the line feed */
      {3, 2, 3, 2, 18},
      {3, 500, 3, 4, 20},        /* last line: clamped to the end of the text */
      {4, 1, 3, 4, 20},          /* past the last line: the end */
  };
  for (const Case &c : aCases) {
    ostreamPos pos;
    EXPECT_EQ(ostreamPosLocalInit(&pos, p.get(), c.iLine, c.iColumn), 0);
    EXPECT_EQ(pos.iLine, c.iLineOut) << c.iLine << "," << c.iColumn;
    EXPECT_EQ(pos.iColumn, c.iColumnOut) << c.iLine << "," << c.iColumn;
    EXPECT_EQ(static_cast<size_t>(pos.pcPos - p->pcBuffer), c.ulOffset) << c.iLine << "," << c.iColumn;
    ostreamSetPos(p.get(), &pos);
    EXPECT_EQ(currentLC(p.get()).iLine, c.iLineOut);
    EXPECT_EQ(currentLC(p.get()).iColumn, c.iColumnOut);
    int iExpected = c.ulOffset < sText.size() ? static_cast<unsigned char>(sText[c.ulOffset]) : OSTREAM_EOF;
    EXPECT_EQ(ostreamGetc(p.get()), iExpected);
  }
  /* Building a position does not move the stream. */
  ostreamSeek(p.get(), 2, OSTREAM_SEEK_SET);
  ostreamPos pos;
  ostreamPosInit(&pos, p.get(), 3, 1);
  EXPECT_EQ(ostreamGetc(p.get()), 'r');
}

TEST(ostream, SeekClampsToTheText)
{
  StreamPtr p = fromText("ab\ncd");
  struct Case {
    int32_t iOffset;
    int iWhence;
    int iByte;   /* byte read afterwards */
    int32_t iLine, iColumn;
  } aCases[] = {
      {3, OSTREAM_SEEK_SET, 'c', 2, 1},
      {-100, OSTREAM_SEEK_SET, 'a', 1, 1},
      {-1, OSTREAM_SEEK_END, 'd', 2, 2},
      {7, OSTREAM_SEEK_END, OSTREAM_EOF, 2, 3},
      {-2, OSTREAM_SEEK_CUR, 'c', 2, 1},   /* from the end reached above */
  };
  for (const Case &c : aCases) {
    EXPECT_EQ(ostreamSeek(p.get(), c.iOffset, c.iWhence), 0);
    EXPECT_EQ(currentLC(p.get()).iLine, c.iLine);
    EXPECT_EQ(currentLC(p.get()).iColumn, c.iColumn);
    EXPECT_EQ(ostreamGetc(p.get()), c.iByte);
  }
  StreamPtr pEmpty = fromText("");
  EXPECT_EQ(ostreamSeek(pEmpty.get(), 5, OSTREAM_SEEK_SET), 0);
  EXPECT_EQ(ostreamGetc(pEmpty.get()), OSTREAM_EOF);
}

class ostreamFile : public ::testing::Test {
protected:
  void SetUp() override
  {
    char acName[] = "/tmp/ostream_testXXXXXX";
    int fd = mkstemp(acName);
    ASSERT_GE(fd, 0);
    close(fd);
    sPath = acName;
  }
  void TearDown() override { std::remove(sPath.c_str()); }
  void write(const std::string &s)
  {
    FILE *pf = std::fopen(sPath.c_str(), "wb");
    ASSERT_NE(pf, nullptr);
    std::fwrite(s.data(), 1, s.size(), pf);
    std::fclose(pf);
  }
  std::string sPath;
};

TEST_F(ostreamFile, ReadsAWholeFileOverSeveralChunks)
{
  std::string sText;
  for (int i = 0; i < 300; i++) sText += "line " + std::to_string(i) + "\xFF\n";
  sText += "tail";
  ASSERT_GT(sText.size(), 2048u);
  write(sText);
  StreamPtr p(ostreamCreateFromFileName(sPath.c_str()));
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->ulFlags & OSTREAM_OWNED);
  EXPECT_EQ(p->iSize, static_cast<int32_t>(sText.size()));
  EXPECT_EQ(p->iLineCount, 301);
  EXPECT_EQ(readAll(p.get()), sText);
  EXPECT_EQ(currentLC(p.get()).iLine, 301);
  EXPECT_EQ(currentLC(p.get()).iColumn, 5);
}

TEST_F(ostreamFile, EmptyMissingAndNullFiles)
{
  write("");
  StreamPtr p(ostreamCreateFromFileName(sPath.c_str()));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(ostreamGetc(p.get()), OSTREAM_EOF);
  EXPECT_EQ(ostreamCreateFromFileName((sPath + ".missing").c_str()), nullptr);
  EXPECT_EQ(ostreamCreateFromFileName(nullptr), nullptr);
  EXPECT_EQ(ostreamCreateFromFile(nullptr), nullptr);
  /* A directory opens but cannot be read. */
  EXPECT_EQ(ostreamCreateFromFileName("/tmp"), nullptr);
}

TEST_F(ostreamFile, OpenFileIsReadFromItsCurrentPosition)
{
  write("skip|kept\ntext");
  FILE *pf = std::fopen(sPath.c_str(), "r");
  ASSERT_NE(pf, nullptr);
  std::fseek(pf, 5, SEEK_SET);
  StreamPtr p(ostreamCreateFromFile(pf));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(readAll(p.get()), "kept\ntext");
  EXPECT_EQ(std::fgetc(pf), EOF);   /* still open, at its end */
  std::fclose(pf);
}

TEST(ostreamStdin, ReadsStandardInputFromAPipe)
{
  std::string sText = "GLOBAL\n\xFFUNLOAD\n";
  int afd[2];
  ASSERT_EQ(pipe(afd), 0);
  std::fflush(nullptr);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(afd[1]);
    if (dup2(afd[0], 0) < 0) _exit(2);
    ostream *pstream = ostreamCreateFromFile(stdin);
    if (pstream == nullptr) _exit(3);
    std::string s;
    for (int c; (c = ostreamGetc(pstream)) != OSTREAM_EOF;) s.push_back(static_cast<char>(c));
    bool bOk = s == sText && pstream->iLineCount == 3;
    ostreamDestroy(pstream);
    _exit(bOk ? 0 : 4);
  }
  close(afd[0]);
  ASSERT_EQ(::write(afd[1], sText.data(), sText.size()), static_cast<ssize_t>(sText.size()));
  close(afd[1]);
  int iStatus = 0;
  ASSERT_EQ(waitpid(pid, &iStatus, 0), pid);
  ASSERT_TRUE(WIFEXITED(iStatus));
  EXPECT_EQ(WEXITSTATUS(iStatus), 0);
}

/* Position of the first occurrence of a marker in a stream's text. */
ostreamPos posOf(ostream *p, const std::string &sText, const std::string &sMarker, size_t ulDelta = 0)
{
  size_t ul = sText.find(sMarker);
  EXPECT_NE(ul, std::string::npos);
  ostreamSeek(p, static_cast<int32_t>(ul + ulDelta), OSTREAM_SEEK_SET);
  ostreamPos pos;
  ostreamGetPos(p, &pos);
  return pos;
}

TEST(ostreamSub, SubStreamReportsTheParentsLinesAndColumns)
{
  /* The SELECT starts on line 7, column 12 and runs over two lines. */
  std::string sText = "1\n2\n3\n4\n5\n6\n  SELECT   SELECT A\n  FROM T ;\nEND\n";
  StreamPtr p = fromText(sText);
  ostreamPos posFirst = posOf(p.get(), sText, "SELECT A");
  EXPECT_EQ(posFirst.iLine, 7);
  EXPECT_EQ(posFirst.iColumn, 12);
  ostreamPos posLast = posOf(p.get(), sText, " ;");
  StreamPtr pSub(ostreamCreateSubStream(p.get(), &posFirst, &posLast));
  ASSERT_NE(pSub, nullptr);
  EXPECT_TRUE(pSub->ulFlags & OSTREAM_MAPPED);
  EXPECT_EQ(pSub->pstreamRef, p.get());
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(pSub->pcBuffer), pSub->iSize), "SELECT A\n  FROM T");

  EXPECT_EQ(currentLC(pSub.get()).iLine, 7);
  EXPECT_EQ(currentLC(pSub.get()).iColumn, 12);
  ostreamSeek(pSub.get(), 11, OSTREAM_SEEK_SET);   /* the F of FROM */
  EXPECT_EQ(ostreamGetc(pSub.get()), 'F');
  ostreamUngetc(pSub.get(), 'F');
  EXPECT_EQ(currentLC(pSub.get()).iLine, 8);
  EXPECT_EQ(currentLC(pSub.get()).iColumn, 3);
  EXPECT_EQ(pSub->posCurrent.iLine, 2);              /* own numbering inside */

  /* Positions built in the parent's numbering land on the same bytes. */
  ostreamPos pos;
  ostreamPosInit(&pos, pSub.get(), 8, 8);
  ostreamSetPos(pSub.get(), &pos);
  EXPECT_EQ(ostreamGetc(pSub.get()), 'T');
  ostreamPosInit(&pos, pSub.get(), 1, 1);             /* before the sub-stream: its start */
  ostreamSetPos(pSub.get(), &pos);
  EXPECT_EQ(ostreamGetc(pSub.get()), 'S');

  /* A position reported in the parent's numbering moves the stream correctly
  ** and stepping back from it stays consistent. */
  ostreamSeek(pSub.get(), 9, OSTREAM_SEEK_SET);   /* start of the sub-stream's line 2 */
  ostreamPos posReported;
  ostreamGetPos(pSub.get(), &posReported);
  EXPECT_EQ(posReported.iLine, 8);
  EXPECT_EQ(posReported.iColumn, 1);
  ostreamSeek(pSub.get(), 0, OSTREAM_SEEK_SET);
  ostreamSetPos(pSub.get(), &posReported);
  EXPECT_EQ(ostreamUngetc(pSub.get(), '\n'), '\n');
  EXPECT_EQ(ostreamGetc(pSub.get()), '\n');
  EXPECT_EQ(currentLC(pSub.get()).iLine, 8);
  EXPECT_EQ(currentLC(pSub.get()).iColumn, 1);

  /* A sub-stream of the sub-stream is still located in the root. */
  ostreamSeek(pSub.get(), 13, OSTREAM_SEEK_SET);
  ostreamPos posA, posB;
  ostreamGetPos(pSub.get(), &posA);
  ostreamSeek(pSub.get(), 0, OSTREAM_SEEK_END);
  ostreamGetPos(pSub.get(), &posB);
  StreamPtr pSub2(ostreamCreateSubStream(pSub.get(), &posA, &posB));
  ASSERT_NE(pSub2, nullptr);
  EXPECT_EQ(pSub2->pstreamRef, p.get());
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(pSub2->pcBuffer), pSub2->iSize), "OM T");
  EXPECT_EQ(currentLC(pSub2.get()).iLine, 8);
  EXPECT_EQ(currentLC(pSub2.get()).iColumn, 5);
}

TEST(ostreamSub, OffsetZeroEmptySpansAndExplicitReferences)
{
  std::string sText = "AB\nCD";
  StreamPtr p = fromText(sText);
  ostreamPos posStart = posOf(p.get(), sText, "AB");
  ostreamPos posC = posOf(p.get(), sText, "CD");

  StreamPtr pHead(ostreamCreateSubStream(p.get(), &posStart, &posC));
  ASSERT_NE(pHead, nullptr);
  EXPECT_FALSE(pHead->ulFlags & OSTREAM_MAPPED);
  EXPECT_EQ(readAll(pHead.get()), "AB\n");

  /* An empty or reversed span gives one blank. */
  StreamPtr pEmpty(ostreamCreateSubStream(p.get(), &posC, &posStart));
  ASSERT_NE(pEmpty, nullptr);
  EXPECT_EQ(readAll(pEmpty.get()), " ");

  /* Without a parent the span comes from the first position's stream, unmapped. */
  ostreamPos posEnd;
  ostreamPosLocalInit(&posEnd, p.get(), 9, 1);
  StreamPtr pTail(ostreamCreateSubStream(nullptr, &posC, &posEnd));
  ASSERT_NE(pTail, nullptr);
  EXPECT_FALSE(pTail->ulFlags & OSTREAM_MAPPED);
  EXPECT_EQ(readAll(pTail.get()), "CD");
  EXPECT_EQ(currentLC(pTail.get()).iLine, 1);

  /* A position that points nowhere is clamped to the parent's text. */
  ostreamPos posNowhere = posStart;
  posNowhere.pcPos = nullptr;
  StreamPtr pClamped(ostreamCreateSubStream(p.get(), &posNowhere, &posC));
  ASSERT_NE(pClamped, nullptr);
  EXPECT_EQ(readAll(pClamped.get()), "AB\n");

  /* A stream over a copy of CD, declared to lie at offset 3 of the root. */
  StreamPtr pCopy = fromText("CD");
  ostreamSetReferenceStream(pCopy.get(), p.get(), 3);
  EXPECT_TRUE(pCopy->ulFlags & OSTREAM_MAPPED);
  EXPECT_EQ(ostreamGetc(pCopy.get()), 'C');
  EXPECT_EQ(currentLC(pCopy.get()).iLine, 2);
  EXPECT_EQ(currentLC(pCopy.get()).iColumn, 2);
  ostreamSetReferenceStream(pCopy.get(), nullptr, 0);
  EXPECT_EQ(currentLC(pCopy.get()).iLine, 1);
  EXPECT_EQ(currentLC(pCopy.get()).iColumn, 2);
}

}  // namespace
