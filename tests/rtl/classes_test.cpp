#include "rtl/classes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "rtl/sysutils.h"
#include "support/fake_platform.h"

namespace {

using Lines = std::vector<std::string>;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadAll(TStream& stream) {
  std::string bytes(static_cast<std::size_t>(stream.Size() - stream.Position()), '\0');
  stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

template <class Action>
std::string MessageOf(Action action) {
  try {
    action();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "no exception";
}

// ---- Line rules -----------------------------------------------------------------------------

struct SplitCase {
  std::string text;
  Lines lines;
};

class SplitLinesTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTable, FollowsTheLineRules) {
  EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitLinesTable,
    ::testing::Values(SplitCase{"a\r\nb\rc\nd\r\n", {"a", "b", "c", "d"}},
                      SplitCase{"", {}}, SplitCase{"\r\n", {""}}, SplitCase{"a", {"a"}},
                      SplitCase{"a\n\nb", {"a", "", "b"}}, SplitCase{"a\r\r\n", {"a", ""}},
                      SplitCase{"\n\r", {"", ""}}, SplitCase{std::string("a\nb\0c\nd", 7), {"a", "b"}},
                      SplitCase{std::string("\0a", 2), {}}));

TEST(TStringList, WritesCrLfAfterEveryLine) {
  TStringList list;
  list.Add("1");
  list.Add("");
  list.Add("$x");
  EXPECT_EQ(list.Text(), "1\r\n\r\n$x\r\n");
  list.SetText("a\nb");
  EXPECT_EQ(list.Lines(), (Lines{"a", "b"}));
  EXPECT_EQ(TStringList().Text(), "");
}

TEST(TStringList, IndexOutsideRaisesListError) {
  TStringList list;
  list.SetText("0\r\n1\r\n");
  EXPECT_EQ(list[1], "1");
  EXPECT_EQ(MessageOf([&] { (void)list[2]; }), "EStringListError: List index out of bounds (2)");
  EXPECT_EQ(MessageOf([&] { (void)list.Strings(-1); }),
            "EStringListError: List index out of bounds (-1)");
  EXPECT_EQ(MessageOf([&] { list.Put(5, "x"); }), "EStringListError: List index out of bounds (5)");
  EXPECT_EQ(MessageOf([&] { list.Insert(3, "x"); }),
            "EStringListError: List index out of bounds (3)");
  EXPECT_EQ(MessageOf([&] { list.Delete(2); }), "EStringListError: List index out of bounds (2)");
  list.Insert(2, "end");
  list.Insert(0, "start");
  list.Delete(1);
  EXPECT_EQ(list.Lines(), (Lines{"start", "1", "end"}));
  EXPECT_EQ(list.IndexOf("end"), 2);
  EXPECT_EQ(list.IndexOf("END"), -1);
}

TEST(TStringList, NamesAndValuesIgnoreTheCaseOfNames) {
  TStringList list;
  list.SetText("Host=a=b\r\nplain\r\nport=80\r\n");
  EXPECT_EQ(list.Names(0), "Host");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.Values("HOST"), "a=b");
  EXPECT_EQ(list.Values("missing"), "");
  list.SetValue("PORT", "8080");
  list.SetValue("user", "me");
  list.SetValue("host", "");
  EXPECT_EQ(list.Lines(), (Lines{"plain", "PORT=8080", "user=me"}));
  list.SetNameValueSeparator(':');
  list.Add("Type: HTTP");
  EXPECT_EQ(list.Values("type"), " HTTP");
}

TEST(TStringList, FileRoundTripKeepsBytesAndStopsAtNul) {
  const ScopedTempFolder folder;
  const std::string path = folder.File("proxy.def");
  WriteFile(path, std::string("1\r\n\xE0\xFF\n$\x29\r", 9) + std::string("\0tail", 5));
  TStringList list;
  list.LoadFromFile(path);
  EXPECT_EQ(list.Lines(), (Lines{"1", "\xE0\xFF", "$\x29"}));
  list.SaveToFile(path);
  EXPECT_EQ(ReadFile(path), "1\r\n\xE0\xFF\r\n$\x29\r\n");
}

TEST(TStringList, FileFailuresNameThePath) {
  const ScopedTempFolder folder;
  const std::string missing = folder.File("missing.dat");
  const std::string unwritable = folder.File("no/such/folder.def");
  TStringList list;
  EXPECT_EQ(MessageOf([&] { list.LoadFromFile(missing); }),
            "EFOpenError: Cannot open file " + missing);
  EXPECT_EQ(MessageOf([&] { list.SaveToFile(unwritable); }),
            "EFCreateError: Cannot create file " + unwritable);
}

// ---- Streams --------------------------------------------------------------------------------

// The same rules hold for every stream; each test runs on both kinds.
class StreamTest : public ::testing::TestWithParam<bool> {
 protected:
  std::unique_ptr<TStream> NewStream() {
    if (!GetParam()) return std::make_unique<TMemoryStream>();
    return std::make_unique<TFileStream>(folder_.File("stream.bin"), TFileMode::fmCreate);
  }

 private:
  ScopedTempFolder folder_;
};

TEST_P(StreamTest, WritesFromThePositionAndMovesIt) {
  auto stream = NewStream();
  stream->WriteBuffer("abcdef");
  EXPECT_EQ(stream->Position(), 6);
  EXPECT_EQ(stream->Size(), 6);
  stream->SetPosition(2);
  stream->WriteBuffer("XY");
  EXPECT_EQ(stream->Position(), 4);
  char next = 0;
  EXPECT_EQ(stream->Read(&next, 1), 1);
  EXPECT_EQ(next, 'e');
  stream->Seek(-1, TSeekOrigin::soEnd);
  stream->WriteBuffer("FG");
  EXPECT_EQ(stream->Size(), 7);
  stream->SetPosition(0);
  EXPECT_EQ(ReadAll(*stream), "abXYeFG");
}

TEST_P(StreamTest, SetSizeGrowsWithZerosAndCutsBackThePosition) {
  auto stream = NewStream();
  stream->WriteBuffer("abc");
  stream->SetSize(6);
  EXPECT_EQ(stream->Size(), 6);
  EXPECT_EQ(stream->Position(), 3);
  EXPECT_EQ(ReadAll(*stream), std::string("\0\0\0", 3));
  stream->SetSize(2);
  EXPECT_EQ(stream->Size(), 2);
  EXPECT_EQ(stream->Position(), 2);
  stream->WriteBuffer("Z");
  stream->SetPosition(0);
  EXPECT_EQ(ReadAll(*stream), "abZ");
}

TEST_P(StreamTest, ReadBufferAndWriteBufferAreAllOrNothing) {
  auto stream = NewStream();
  stream->WriteBuffer("abc");
  stream->SetPosition(1);
  char buffer[8] = {};
  EXPECT_EQ(stream->Read(buffer, 8), 2);
  EXPECT_EQ(stream->Read(buffer, 8), 0);
  stream->SetPosition(1);
  EXPECT_EQ(MessageOf([&] { stream->ReadBuffer(buffer, 3); }), "EReadError: Stream read error");
  stream->ReadBuffer(buffer, 0);
}

TEST_P(StreamTest, CopyFromTakesCountBytesOrTheWholeSource) {
  TMemoryStream source;
  source.WriteBuffer("0123456789");
  auto target = NewStream();
  source.SetPosition(4);
  EXPECT_EQ(target->CopyFrom(source, 3), 3);
  EXPECT_EQ(source.Position(), 7);
  EXPECT_EQ(target->CopyFrom(source, 0), 10);
  target->SetPosition(0);
  EXPECT_EQ(ReadAll(*target), "4560123456789");
  source.SetPosition(8);
  EXPECT_THROW(target->CopyFrom(source, 3), EReadError);
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, StreamTest, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "File" : "Memory"; });

TEST(TMemoryStream, AnnouncedSizeCostsNothingUntilWritten) {
  // Far more than could be allocated: growing must not allocate.
  constexpr std::int64_t kHuge = std::int64_t{1} << 41;
  TMemoryStream stream;
  stream.SetSize(kHuge);
  EXPECT_EQ(stream.Size(), kHuge);
  stream.SetPosition(kHuge - 4);
  char tail[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(stream.Read(tail, 8), 4);
  EXPECT_EQ(std::string(tail, 4), std::string(4, '\0'));
  stream.SetPosition(0);
  stream.WriteBuffer("body");
  stream.SetSize(4);
  EXPECT_EQ(stream.DataString(), "body");
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Read(nullptr, 0), 0);
}

TEST(TFileStream, OpenAndCreateFailuresNameThePath) {
  const ScopedTempFolder folder;
  const std::string missing = folder.File("lastupd.dat");
  const std::string inMissingFolder = folder.File("gone/setup.exe");
  const std::string aFolder = folder.Path().string();
  EXPECT_EQ(MessageOf([&] { TFileStream opened(missing, TFileMode::fmOpenRead); }),
            "EFOpenError: Cannot open file " + missing);
  EXPECT_EQ(MessageOf([&] { TFileStream opened(missing, TFileMode::fmOpenReadWrite); }),
            "EFOpenError: Cannot open file " + missing);
  EXPECT_EQ(MessageOf([&] { TFileStream opened(aFolder, TFileMode::fmOpenRead); }),
            "EFOpenError: Cannot open file " + aFolder);
  EXPECT_EQ(MessageOf([&] { TFileStream opened(inMissingFolder, TFileMode::fmCreate); }),
            "EFCreateError: Cannot create file " + inMissingFolder);
  EXPECT_EQ(MessageOf([&] { TFileStream opened(aFolder, TFileMode::fmCreate); }),
            "EFCreateError: Cannot create file " + aFolder);
}

TEST(TFileStream, CreateReplacesAndOpenKeepsTheContent) {
  const ScopedTempFolder folder;
  const std::string path = folder.File("setup.exe");
  WriteFile(path, "old content");
  {
    TFileStream stream(path, TFileMode::fmOpenReadWrite);
    EXPECT_EQ(stream.Size(), 11);
    stream.WriteBuffer("OLD");
  }
  EXPECT_EQ(ReadFile(path), "OLD content");
  {
    TFileStream stream(path, TFileMode::fmCreate);
    EXPECT_EQ(stream.Size(), 0);
    stream.WriteBuffer("new");
  }
  TFileStream reader(path, TFileMode::fmOpenRead);
  EXPECT_EQ(ReadAll(reader), "new");
  EXPECT_EQ(reader.FileName(), path);
}

// Makes a folder current for its lifetime.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::filesystem::path& folder)
      : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~ScopedCurrentFolder() { std::filesystem::current_path(before_); }
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

 private:
  std::filesystem::path before_;
};

TEST(TFileStream, SetSizeActsOnTheOpenFileAfterTheDirectoryChanged) {
  const ScopedTempFolder folder;
  const ScopedTempFolder elsewhere;
  std::unique_ptr<TFileStream> stream;
  {
    const ScopedCurrentFolder inFolder(folder.Path());
    stream = std::make_unique<TFileStream>("setup.exe", TFileMode::fmCreate);
  }
  const ScopedCurrentFolder inElsewhere(elsewhere.Path());
  stream->WriteBuffer("0123456789");
  stream->SetSize(4);
  EXPECT_EQ(std::filesystem::file_size(folder.File("setup.exe")), 4u);
  EXPECT_FALSE(std::filesystem::exists(elsewhere.File("setup.exe")));
}

TEST(TFileStream, AFailingWriteFailsAtOnce) {
  TFileStream full("/dev/full", TFileMode::fmOpenReadWrite);
  EXPECT_EQ(MessageOf([&] { full.WriteBuffer("installer bytes"); }),
            "EWriteError: Stream write error");
}

}  // namespace
