// Text written to an open descriptor as it comes: the CSV writer's stream sink.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>

#include "ExportSupport.h"
#include "export/TextFile.h"
#include "export/db2csv.h"

using namespace orbisk;
using orbisk::testing::Def;
using orbisk::testing::MemoryQuery;
using orbisk::testing::TempFolder;

namespace {

std::string ReadFd(int fd) {
  std::string out;
  char buf[8192];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  return out;
}

// SIGPIPE ignored while it lives, as orbisk-cli runs.
struct IgnoredSigpipe {
  IgnoredSigpipe() { old = std::signal(SIGPIPE, SIG_IGN); }
  ~IgnoredSigpipe() { std::signal(SIGPIPE, old); }
  void (*old)(int);
};

}  // namespace

TEST(TextStream, WritesEveryByteInOrderAcrossBlocks) {
  TempFolder dir;
  const std::string path = dir.Path() + "out.txt";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  std::string expected;
  {
    TextStreamWriter out(fd, "UTF-8");
    // Pieces that end just below, at and above a block, and one larger than a block.
    for (size_t size : {size_t{1}, size_t{65535}, size_t{1}, size_t{65536}, size_t{200000}, size_t{7}}) {
      std::string piece(size, static_cast<char>('a' + expected.size() % 26));
      piece.back() = '\n';
      out.Write(piece);
      expected += piece;
    }
    out.Flush();
    out.Write("tail without a flush");
    expected += "tail without a flush";
  }  // the destructor writes what is left
  close(fd);
  const int in = open(path.c_str(), O_RDONLY);
  EXPECT_TRUE(ReadFd(in) == expected);
  close(in);
}

TEST(TextStream, ConvertsToTheCharacterSetAndKeepsUtf8AsItIs) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  {
    TextStreamWriter latin(fds[1], "ISO-8859-1");
    latin.Write("Société \xE2\x82\xAC\r\n");  // the euro sign is not in Latin-1
    latin.Flush();
    TextStreamWriter utf8(fds[1], "UTF-8");
    utf8.Write("Société\r\n");
  }
  close(fds[1]);
  EXPECT_EQ(ReadFd(fds[0]), "Soci\xE9t\xE9 ?\r\nSoci\xC3\xA9t\xC3\xA9\r\n");
  close(fds[0]);
}

TEST(TextStream, AClosedPipeIsStreamClosedAndOtherFailuresSayWhy) {
  IgnoredSigpipe quiet;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  TextStreamWriter toClosed(fds[1], "UTF-8");
  toClosed.Write("first line\r\n");
  EXPECT_THROW(toClosed.Flush(), StreamClosed);
  // Nothing more goes out once the reader has gone: a large piece fails at
  // once, a small one at the next flush.
  EXPECT_THROW(toClosed.Write(std::string(100000, 'x')), std::runtime_error);
  toClosed.Write("x");
  EXPECT_THROW(toClosed.Flush(), std::runtime_error);
  close(fds[1]);

  const int readOnly = open("/dev/null", O_RDONLY);
  ASSERT_GE(readOnly, 0);
  TextStreamWriter wrong(readOnly, "UTF-8");
  wrong.Write("x");
  try {
    wrong.Flush();
    FAIL() << "a descriptor open for reading took the text";
  } catch (const StreamClosed&) {
    FAIL() << "a bad descriptor is no closed pipe";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Bad file descriptor"), std::string::npos) << e.what();
  }
  close(readOnly);
}

TEST(CsvWriter, TheStreamCarriesTheFileBytesAndTheQueryKeepsItsRow) {
  MemoryQuery m(
      "CREATE TABLE T (id INTEGER, name VARCHAR(40) COLLATE NOCASE, memo LONGTEXT COLLATE NOCASE, n INTEGER);"
      "INSERT INTO T VALUES (1, 'Société \"Étoile\"', 'line' || char(13, 10) || 'next' || char(10) || 'lone', 12),"
      " (2, NULL, 'long', NULL), (3, 'O''Brien', '', -5), (4, 42, 'plain', 3000000000);",
      "select * from T order by id",
      {Def("id", ftInteger), Def("name", ftWideString, 40), Def("memo", ftMemo), Def("n", ftLargeint)});
  m.q.MoveTo(3);
  auto streamed = [&](int longest) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    std::string bytes;
    std::thread reader([&] { bytes = ReadFd(fds[0]); });
    {
      TextStreamWriter out(fds[1], "UTF-8");
      ExportToCSV(m.q, out, CsvOptions{.longestText = longest, .header = true, .progress = {}});
      out.Flush();
    }
    close(fds[1]);
    reader.join();
    close(fds[0]);
    return bytes;
  };
  TempFolder dir;
  for (int longest : {8000, 5}) {
    const std::string file = dir.Path() + "t" + std::to_string(longest) + ".csv";
    ExportToCSV(m.q, file, CsvOptions{.longestText = longest, .header = true, .progress = {}});
    EXPECT_EQ(streamed(longest), orbisk::testing::ReadFile(file)) << longest;
    EXPECT_EQ(m.q.RecNo(), 3);
  }
  // Quotes doubled, CR LF read [Return], a lone LF kept, a number in a text field its digits.
  EXPECT_EQ(streamed(8000),
            "id,name,memo,n\r\n"
            "1,\"Soci\xC3\xA9t\xC3\xA9 \"\"\xC3\x89toile\"\"\",\"line[Return]next\nlone\",12\r\n"
            "2,\"\",\"long\",\r\n"
            "3,\"O'Brien\",\"\",-5\r\n"
            "4,\"42\",\"plain\",3000000000\r\n");
  // Texts of five characters or more are written as empty quotes.
  EXPECT_EQ(streamed(5),
            "id,name,memo,n\r\n"
            "1,\"\",\"\",12\r\n"
            "2,\"\",\"long\",\r\n"
            "3,\"\",\"\",-5\r\n"
            "4,\"42\",\"\",3000000000\r\n");
}
