// The POSIX file services: sharing between processes and under other
// names, refusal of directories and special files, files that shrink.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "streams/Streams.h"
#include "streams/TextStrm.h"
#include "streams/Utils.h"
#include "support/Errors.h"
#include "support/PlatformExpect.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// Runs Child in a forked process that holds its open until told to stop.
class HeldElsewhere {
public:
  HeldElsewhere(const std::string& Name, TOpenMode Mode) {
    int ready[2], stop[2];
    EXPECT_EQ(pipe(ready), 0);
    EXPECT_EQ(pipe(stop), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(stop[1]);
      char ok = 'n';
      try {
        TFileStream s(Name, Mode);
        ok = 'y';
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(stop[0], &c, 1);
      } catch (...) {
        (void)!write(ready[1], &ok, 1);
      }
      _exit(0);
    }
    close(ready[1]);
    close(stop[0]);
    stop_ = stop[1];
    char ok = 'n';
    (void)!read(ready[0], &ok, 1);
    close(ready[0]);
    opened_ = ok == 'y';
  }
  ~HeldElsewhere() {
    close(stop_);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  bool opened() const { return opened_; }

private:
  pid_t pid_ = -1;
  int stop_ = -1;
  bool opened_ = false;
};

// The read and write system calls the calling thread has made so far,
// not counting the one read that finds out.
struct SysCalls {
  long reads = -1, writes = -1;
};
SysCalls CountSysCalls() {
  SysCalls c;
  char text[1024] = {};
  const int fd = ::open("/proc/thread-self/io", O_RDONLY | O_CLOEXEC);
  if (fd == -1) return c;
  const ssize_t n = ::read(fd, text, sizeof text - 1);  // counted from here on
  ::close(fd);
  if (n <= 0) return c;
  std::istringstream io(std::string(text, static_cast<std::size_t>(n)));
  std::string key;
  long value = 0;
  while (io >> key >> value) {
    if (key == "syscr:") c.reads = value - 1;
    if (key == "syscw:") c.writes = value;
  }
  return c;
}

TEST(SystemCallsTest, EveryReadAndWriteOfTheFileStreamIsOneSystemCall) {
  if (CountSysCalls().reads < 0) GTEST_SKIP() << "no per-thread I/O accounting";
  TempDir dir;
  TFileStream s(dir / "a.htm", 7);
  s.SetExactTransfer(false);
  const std::string text(100000, 'x');
  SysCalls before = CountSysCalls();
  ASSERT_EQ(CountSysCalls().reads - before.reads, 1);  // the count itself
  before = CountSysCalls();
  EXPECT_EQ(s.Write(text.data(), 100000), 100000);
  EXPECT_EQ(s.Write(text.data(), 40), 40);
  SysCalls after = CountSysCalls();
  EXPECT_EQ(after.writes - before.writes, 2);
  s.Seek(0);
  std::string buffer(65536, '\0');
  before = CountSysCalls();
  EXPECT_EQ(s.Read(buffer.data(), 65536), 65536);
  EXPECT_EQ(s.Read(buffer.data(), 65536), 100040 - 65536);  // short: the file ends
  EXPECT_EQ(s.Read(buffer.data(), 65536), 0);
  after = CountSysCalls();
  EXPECT_EQ(after.reads - before.reads, 3 + 1);  // + the count before
}

TEST(SharingAcrossProcessesTest, SourceOpenForReadingRefusesAWriterUnderAnyName) {
  TempDir dir;
  const std::string name = dir / "page.htm";
  WriteFile(name, "<p>source</p>");
  std::filesystem::create_directory(dir / "sub");
  std::filesystem::create_symlink(name, dir / "link.htm");
  std::filesystem::create_hard_link(name, dir / "hard.htm");

  HeldElsewhere source(name, 9);
  ASSERT_TRUE(source.opened());
  const std::string busy = expect::Text(expect::SharingViolation());
  for (const std::string& other :
       {name, dir / "link.htm", dir / "hard.htm", dir / "sub/../page.htm"}) {
    EXPECT_EQ(OpenError(other, 7), Format(SErrorOpening, {other, busy})) << other;
  }
  EXPECT_EQ(OpenError(name, 9), "");  // another reader is welcome
  EXPECT_EQ(ReadFile(name), "<p>source</p>");
}

TEST(SharingAcrossProcessesTest, WriterElsewhereRefusesReaders) {
  TempDir dir;
  const std::string name = dir / "out.htm";
  HeldElsewhere writer(name, 7);
  ASSERT_TRUE(writer.opened());
  EXPECT_NE(OpenError(name, 9), "");
}

TEST(SharingAcrossProcessesTest, LocksGoWithTheHandle) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  WriteFile(name, "x");
  { HeldElsewhere source(name, 9); }
  { TFileStream first(name, 9); }
  EXPECT_EQ(OpenError(name, 7), "");
}

TEST(SpecialFilesTest, DirectoriesFifosAndDevicesAreRefusedWithoutBlocking) {
  TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Neither open may hang: no other end of the FIFO is ever opened.
  EXPECT_NE(OpenError(fifo, 9), "");
  EXPECT_NE(OpenError(fifo, 7), "");
  EXPECT_NE(OpenError("/dev/null", 9), "");
  EXPECT_EQ(OpenError(dir.Path(), 9), Format(SErrorOpening, {dir.Path(), expect::Text(EISDIR)}));
  EXPECT_EQ(OpenError(dir.Path(), 7), Format(SErrorOpening, {dir.Path(), expect::Text(EISDIR)}));
}

TEST(ShrinkingFileTest, LineReadingEndsWhenTheFileShrinksUnderIt) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  std::string content;
  for (int i = 0; i < 20000; ++i) content += "line\n";
  WriteFile(name, content);
  TFileStream s(name, 9);
  TTextStream text(16, 0, s);
  std::string line;
  text.ReadLine(line);
  ASSERT_EQ(truncate(name.c_str(), 10), 0);  // another program cuts the file
  int lines = 0;
  while (!text.EndOfStream() && lines < 100000) {
    text.ReadLine(line);
    ++lines;
  }
  EXPECT_LT(lines, 10);
}

// Creating empties an existing file, a write even without omWrite: refused
// while another handle does not share writing, so that a file being read
// (a batch run's source) is never emptied under its reader. (Wine lets it
// pass.)
TEST(EmptyingTest, AnOpenThatEmptiesTheFileIsAWrite) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  WriteFile(name, "source");
  {
    TFileStream reader(name, omRead | omShareRead);
    EXPECT_EQ(OpenError(name, omRead | omCreate | omShareRead),
              Format(SErrorOpening, {name, expect::Text(expect::SharingViolation())}));
  }
  EXPECT_EQ(ReadFile(name), "source");
  {
    TFileStream reader(name, omRead | omShareRead | omShareWrite);
    EXPECT_EQ(OpenError(name, omRead | omCreate | omShareRead | omShareWrite), "");
  }
  EXPECT_EQ(ReadFile(name), "");
}

// The emulated sharing refusal says what stands in the way, in a text of
// its own; the system's codes keep theirs.
TEST(SharingTextTest, TellsTheUserThatTheFileIsOpenElsewhere) {
  const std::string text = ErrorCodeText(platform::ErrorSharingViolation());
  EXPECT_EQ(text, "The file is in use: another program, or this run, has it open");
  EXPECT_EQ(ErrorCodeText(EBUSY), "Device or resource busy");
  TempDir dir;
  const std::string name = dir / "a.htm";
  WriteFile(name, "x");
  TFileStream source(name, 9);
  EXPECT_EQ(OpenError(name, 7), Format(SErrorOpening, {name, text}));
  std::unique_ptr<TFileStream> other = std::make_unique<TFileStream>(name, 9);
  try {
    TFileStream::CloseAndDelete(other);
    FAIL() << "deleted a file that is open";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), Format(SErrorDeleting, {name, text}));
  }
}

}  // namespace
