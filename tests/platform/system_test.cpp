#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "rtl/ansi.h"
#include "support/fake_platform.h"

namespace {

using platform::NativeSystem;

TEST(SystemErrorText, GivesTheSystemSentenceWithItsLineEnd) {
  auto& system = NativeSystem();
  EXPECT_EQ(system.SystemErrorText(2), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(system.SystemErrorText(3), "The system cannot find the path specified.\r\n");
  EXPECT_EQ(system.SystemErrorText(5), "Access is denied.\r\n");
  EXPECT_EQ(system.SystemErrorText(87), "The parameter is incorrect.\r\n");
  EXPECT_EQ(system.SystemErrorText(112), "There is not enough space on the disk.\r\n");
  EXPECT_EQ(system.SystemErrorText(267), "The directory name is invalid.\r\n");
}

TEST(SystemErrorText, IsEmptyForAnUnknownCodeOrOneThatNeedsInserts) {
  auto& system = NativeSystem();
  EXPECT_EQ(system.SystemErrorText(193), "");  // "%1 is not a valid Win32 application."
  EXPECT_EQ(system.SystemErrorText(123456), "");
  EXPECT_EQ(system.SystemErrorText(0xFFFFFFFF), "");
}

class FileSystemTest : public ::testing::Test {
 protected:
  std::string MakeFile(const std::string& name) {
    const std::string path = folder_.File(name);
    std::ofstream(path) << "x";
    return path;
  }
  const ScopedTempFolder folder_;
};

TEST_F(FileSystemTest, DeleteFileRemovesTheFile) {
  const std::string path = MakeFile("setup.exe");
  EXPECT_TRUE(NativeSystem().FileExists(path));
  EXPECT_TRUE(NativeSystem().DeleteFile(path));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileSystemTest, DeleteFileFailuresReportTheWindowsError) {
  const std::string file = MakeFile("plain");
  const struct {
    std::string path;
    std::uint32_t error;
  } cases[] = {
      {folder_.File("missing.exe"), 2},
      {folder_.File("no-folder/setup.exe"), 3},
      {file + "/setup.exe", 3},
      {folder_.Path().string(), 5},
  };
  for (const auto& c : cases) {
    NativeSystem().SetLastError(0);
    EXPECT_FALSE(NativeSystem().DeleteFile(c.path)) << c.path;
    EXPECT_EQ(NativeSystem().GetLastError(), c.error) << c.path;
  }
}

TEST_F(FileSystemTest, FileExistsOnlyForFiles) {
  EXPECT_TRUE(NativeSystem().FileExists(MakeFile("lastupd.dat")));
  EXPECT_FALSE(NativeSystem().FileExists(folder_.File("newupd.dat")));
  EXPECT_FALSE(NativeSystem().FileExists(folder_.Path().string()));
}

TEST_F(FileSystemTest, CurrentDirectoryCanBeSetAndRead) {
  auto& system = NativeSystem();
  const std::string before = system.GetCurrentDir();
  ASSERT_FALSE(before.empty());
  ASSERT_TRUE(system.SetCurrentDir(folder_.Path().string()));
  const std::string now = system.GetCurrentDir();
  EXPECT_TRUE(system.SetCurrentDir(before));
  EXPECT_EQ(now, std::filesystem::canonical(folder_.Path()).string());

  EXPECT_FALSE(system.SetCurrentDir(folder_.File("missing")));
  EXPECT_EQ(system.GetLastError(), 2u);
  EXPECT_FALSE(system.SetCurrentDir(folder_.File("missing/deeper")));
  EXPECT_EQ(system.GetLastError(), 3u);
  EXPECT_EQ(system.GetCurrentDir(), before);
}

TEST(System, KnowsItsOwnExecutableAndCommandLine) {
  auto& system = NativeSystem();
  const std::string self = system.ModuleFileName();
  EXPECT_EQ(self, std::filesystem::canonical("/proc/self/exe").string());
  const auto arguments = system.CommandLine();
  ASSERT_FALSE(arguments.empty());
  EXPECT_EQ(std::filesystem::path(arguments[0]).filename(), std::filesystem::path(self).filename());
  EXPECT_EQ(system.PathDelimiter(), '/');
}

TEST(System, LastErrorBelongsToTheThread) {
  auto& system = NativeSystem();
  system.SetLastError(5);
  std::optional<std::uint32_t> seenByOther;
  std::thread other([&] {
    seenByOther = system.GetLastError();
    system.SetLastError(87);
  });
  other.join();
  EXPECT_EQ(seenByOther, 0u);
  EXPECT_EQ(system.GetLastError(), 5u);
}

struct LocaleCase {
  std::optional<std::string> lcAll;
  std::optional<std::string> lcMessages;
  std::optional<std::string> lang;
  std::uint16_t languageId;
};

class LanguageTable : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LanguageTable, ComesFromTheFirstLocaleVariableSet) {
  const ScopedEnvironment lcAll("LC_ALL", GetParam().lcAll);
  const ScopedEnvironment lcMessages("LC_MESSAGES", GetParam().lcMessages);
  const ScopedEnvironment lang("LANG", GetParam().lang);
  EXPECT_EQ(NativeSystem().GetSystemDefaultLangID(), GetParam().languageId);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageTable,
    ::testing::Values(LocaleCase{std::nullopt, std::nullopt, "ru_RU.UTF-8", 0x0419},
                      LocaleCase{std::nullopt, std::nullopt, "en_US.UTF-8", 0x0409},
                      LocaleCase{std::nullopt, std::nullopt, "en_GB", 0x0809},
                      LocaleCase{"de_DE@euro", std::nullopt, "ru_RU.UTF-8", 0x0407},
                      LocaleCase{std::nullopt, "de_CH.UTF-8", "ru_RU", 0x0807},
                      LocaleCase{"", "fr_FR.UTF-8", "ru_RU", 0x040C},
                      LocaleCase{std::nullopt, std::nullopt, "de_LU.UTF-8", 0x0407},
                      LocaleCase{std::nullopt, std::nullopt, "ru", 0x0419},
                      LocaleCase{std::nullopt, std::nullopt, "C", 0x0409},
                      LocaleCase{"POSIX", std::nullopt, "ru_RU", 0x0409},
                      LocaleCase{std::nullopt, std::nullopt, "C.UTF-8", 0x0409},
                      LocaleCase{std::nullopt, std::nullopt, "xx_YY", 0x0409},
                      LocaleCase{std::nullopt, std::nullopt, std::nullopt, 0x0409}));

TEST(VerLanguageName, NamesLanguagesAsWindowsDoes) {
  auto& system = NativeSystem();
  EXPECT_EQ(system.VerLanguageName(0x0419), "Russian");
  EXPECT_EQ(system.VerLanguageName(0x0409), "English (United States)");
  EXPECT_EQ(system.VerLanguageName(0x0809), "English (United Kingdom)");
  EXPECT_EQ(system.VerLanguageName(0x0407), "German (Germany)");
  EXPECT_EQ(system.VerLanguageName(0x1234), "Language Neutral");
  for (int id = 0; id <= 0xFFFF; ++id) {
    const std::string name = system.VerLanguageName(static_cast<std::uint16_t>(id));
    ASSERT_FALSE(name.empty()) << id;
    ASSERT_LE(name.size(), 99u) << id;
  }
}

// Puts a presenter in place for its lifetime.
class ScopedPresenter {
 public:
  explicit ScopedPresenter(platform::MessageBoxPresenter presenter) {
    platform::SetMessageBoxPresenter(std::move(presenter));
  }
  ~ScopedPresenter() { platform::SetMessageBoxPresenter(nullptr); }
  ScopedPresenter(const ScopedPresenter&) = delete;
  ScopedPresenter& operator=(const ScopedPresenter&) = delete;
};

TEST(MessageBox, GoesToThePresenterInstalled) {
  std::vector<FakeMessageBox> shown;
  const ScopedPresenter presenter([&](const std::string& text, const std::string& caption,
                                      std::uint32_t flags) {
    shown.push_back({text, caption, flags});
    return 2;
  });
  EXPECT_EQ(NativeSystem().MessageBox("Cannot terminate process 'alderon.exe' !", "Error!",
                                      platform::kMbIconStop),
            2);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Cannot terminate process 'alderon.exe' !");
  EXPECT_EQ(shown[0].caption, "Error!");
  EXPECT_EQ(shown[0].flags, platform::kMbIconStop);
}

TEST(MessageBox, WithoutPresenterGoesToStandardErrorAndAnswersOk) {
  ::testing::internal::CaptureStderr();
  const int answer = NativeSystem().MessageBox(Ansi("Обновление"), "Error!", platform::kMbIconStop);
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, platform::kIdOk);
  EXPECT_EQ(written, "Error!\nОбновление\n");
}

}  // namespace
