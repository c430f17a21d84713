#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/registry.h"
#include "rtl/ansi.h"
#include "rtl/sysutils.h"
#include "support/fake_platform.h"

namespace {

namespace fs = std::filesystem;
using platform::Handle;
using platform::kKeyAllAccess;
using platform::kRegSuccess;
using platform::NativeRegistry;
using platform::RegistryValue;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> FolderEntries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// The native registry in a file of its own, in a folder that does not exist yet.
class NativeRegistryTest : public ::testing::Test {
 protected:
  NativeRegistryTest()
      : folder_(temp_.Path() / "config"),
        path_((folder_ / "registry.reg").string()),
        environment_("UPDATE_REGISTRY", path_) {}

  ~NativeRegistryTest() override {
    for (Handle key : opened_) NativeRegistry().CloseKey(key);
  }

  Handle Create(const std::string& key) {
    Handle handle = platform::kNoHandle;
    EXPECT_EQ(NativeRegistry().CreateKey(key, kKeyAllAccess, handle), kRegSuccess) << key;
    opened_.push_back(handle);
    return handle;
  }

  static void Set(Handle key, const std::string& name, RegistryValue value) {
    EXPECT_EQ(NativeRegistry().SetValue(key, name, value), kRegSuccess) << name;
  }

  static RegistryValue Query(Handle key, const std::string& name) {
    RegistryValue value;
    EXPECT_EQ(NativeRegistry().QueryValue(key, name, value), kRegSuccess) << name;
    return value;
  }

  const ScopedTempFolder temp_;
  const fs::path folder_;
  const std::string path_;

 private:
  const ScopedEnvironment environment_;
  std::vector<Handle> opened_;
};

TEST_F(NativeRegistryTest, CreatingAKeyWritesItEmptyWithItsParents) {
  Create("\\software\\VELMORIA");
  EXPECT_EQ(ReadFile(path_),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\software]\r\n\r\n"
            "[HKEY_CURRENT_USER\\software\\VELMORIA]\r\n\r\n");
  Create("SOFTWARE\\Velmoria");
  Create("Software\\Velmoria\\Sub");
  EXPECT_EQ(ReadFile(path_),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\software]\r\n\r\n"
            "[HKEY_CURRENT_USER\\software\\VELMORIA]\r\n\r\n"
            "[HKEY_CURRENT_USER\\software\\VELMORIA\\Sub]\r\n\r\n");
}

TEST_F(NativeRegistryTest, ValuesRoundTripThroughTheExportText) {
  const Handle key = Create("SOFTWARE\\Velmoria");
  Set(key, "Font", {platform::kRegSz, "Tahoma", 0});
  Set(key, "FontSize", {platform::kRegDword, {}, 8});
  Set(key, "Home", {platform::kRegExpandSz, "%A%", 0});
  Set(key, "CurrentUpdate", {platform::kRegSz, "2008-03-14 \"beta\" C:\\x", 0});
  Set(key, "Lines", {platform::kRegSz, "a\nb\r", 0});
  Set(key, "", {platform::kRegDword, {}, 0xFFFFFFFF});
  Set(key, Ansi("Шрифт"), {platform::kRegSz, Ansi("Тахома"), 0});

  EXPECT_EQ(ReadFile(path_),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE]\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\Velmoria]\r\n"
            "\"Font\"=\"Tahoma\"\r\n"
            "\"FontSize\"=dword:00000008\r\n"
            "\"Home\"=hex(2):25,41,25,00\r\n"
            "\"CurrentUpdate\"=\"2008-03-14 \\\"beta\\\" C:\\\\x\"\r\n"
            "\"Lines\"=hex(1):61,0a,62,0d,00\r\n"
            "@=dword:ffffffff\r\n" +
                Ansi("\"Шрифт\"=\"Тахома\"\r\n") + "\r\n");

  const Handle again = Create("software\\VELMORIA");
  const struct {
    std::string name;
    RegistryValue value;
  } expected[] = {
      {"font", {platform::kRegSz, "Tahoma", 0}},
      {"FONTSIZE", {platform::kRegDword, {}, 8}},
      {"home", {platform::kRegExpandSz, "%A%", 0}},
      {"CurrentUpdate", {platform::kRegSz, "2008-03-14 \"beta\" C:\\x", 0}},
      {"Lines", {platform::kRegSz, "a\nb\r", 0}},
      {"", {platform::kRegDword, {}, 0xFFFFFFFF}},
      {Ansi("шРИФТ"), {platform::kRegSz, Ansi("Тахома"), 0}},
  };
  for (const auto& e : expected) {
    const RegistryValue value = Query(again, e.name);
    EXPECT_EQ(value.type, e.value.type) << e.name;
    EXPECT_EQ(value.text, e.value.text) << e.name;
    EXPECT_EQ(value.number, e.value.number) << e.name;
  }
}

TEST_F(NativeRegistryTest, AValueKeepsTheSpellingItWasCreatedWith) {
  const Handle key = Create("Software\\Velmoria");
  Set(key, "CurrentUpdate", {platform::kRegSz, "1", 0});
  Set(key, "CURRENTUPDATE", {platform::kRegSz, "2", 0});
  EXPECT_NE(ReadFile(path_).find("\"CurrentUpdate\"=\"2\"\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(path_).find("CURRENTUPDATE"), std::string::npos);
}

TEST_F(NativeRegistryTest, MissingKeysValuesAndHandlesAreReported) {
  auto& registry = NativeRegistry();
  Handle key = platform::kNoHandle;
  EXPECT_EQ(registry.OpenKey("Software\\Velmoria", kKeyAllAccess, key), platform::kRegFileNotFound);
  EXPECT_FALSE(fs::exists(path_));
  const Handle created = Create("Software\\Velmoria");
  ASSERT_EQ(registry.OpenKey("\\SOFTWARE\\velmoria\\", platform::kKeyRead, key), kRegSuccess);
  RegistryValue value;
  EXPECT_EQ(registry.QueryValue(key, "Font", value), platform::kRegFileNotFound);
  EXPECT_EQ(registry.SetValue(key, "Font", {platform::kRegSz, "x", 0}),
            static_cast<long>(platform::kErrorAccessDenied));
  EXPECT_EQ(registry.CloseKey(key), kRegSuccess);
  EXPECT_EQ(registry.CloseKey(key), static_cast<long>(platform::kErrorInvalidHandle));
  EXPECT_EQ(registry.QueryValue(key, "Font", value), static_cast<long>(platform::kErrorInvalidHandle));
  EXPECT_EQ(registry.SetValue(key, "Font", {platform::kRegSz, "x", 0}),
            static_cast<long>(platform::kErrorInvalidHandle));
  EXPECT_EQ(registry.SetValue(created, "two\nlines", {platform::kRegSz, "x", 0}),
            static_cast<long>(platform::kErrorInvalidParameter));
}

TEST_F(NativeRegistryTest, AnExportOfAnotherProgramIsReadAndKeptWhole) {
  fs::create_directories(folder_);
  WriteFile(path_,
            "REGEDIT4\n\n"
            "[HKEY_CURRENT_USER\\Software\\Velmoria]\n"
            "\"Font\"=\"Arial\"   \n"
            "\"Blob\"=hex:01,02,\\\n"
            "  ff\n"
            "\"List\"=hex(7):61,00,00\n"
            "\"Size\"=hex(4):0a,00,00,00\n"
            "@=\"default\"\n");
  const Handle key = Create("software\\velmoria");
  EXPECT_EQ(Query(key, "Font").text, "Arial");
  const RegistryValue blob = Query(key, "Blob");
  EXPECT_EQ(blob.type, platform::kRegBinary);
  EXPECT_EQ(blob.text, "\x01\x02\xFF");
  EXPECT_EQ(Query(key, "List").type, 7u);
  EXPECT_EQ(Query(key, "Size").number, 10u);
  EXPECT_EQ(Query(key, "").text, "default");

  Set(key, "CurrentUpdate", {platform::kRegSz, "2008-03-14", 0});
  EXPECT_EQ(ReadFile(path_),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Velmoria]\r\n"
            "\"Font\"=\"Arial\"\r\n"
            "\"Blob\"=hex:01,02,ff\r\n"
            "\"List\"=hex(7):61,00,00\r\n"
            "\"Size\"=dword:0000000a\r\n"
            "@=\"default\"\r\n"
            "\"CurrentUpdate\"=\"2008-03-14\"\r\n\r\n");
}

TEST_F(NativeRegistryTest, AFileThatCannotBeParsedIsNeverOverwritten) {
  fs::create_directories(folder_);
  const std::string broken[] = {
      "not an export",
      "REGEDIT4\r\n\r\n\"Font\"=\"value before any key\"\r\n",
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n",
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"Font\"=\"unclosed\r\n",
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"Font\"=\"bad \\x escape\"\r\n",
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"Size\"=dword:123456789\r\n",
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"Blob\"=hex:1,02\r\n",
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"A\"=\"x\"\r\n" + std::string(1, '\0'),
  };
  for (const auto& text : broken) {
    WriteFile(path_, text);
    Handle key = platform::kNoHandle;
    EXPECT_EQ(NativeRegistry().OpenKey("Software", kKeyAllAccess, key), platform::kRegFileNotFound);
    EXPECT_EQ(NativeRegistry().CreateKey("Software\\Velmoria", kKeyAllAccess, key),
              static_cast<long>(platform::kErrorBadDb));
    EXPECT_EQ(ReadFile(path_), text);
  }
  // A key opened before the file broke cannot write either.
  fs::remove(path_);
  const Handle key = Create("Software\\Velmoria");
  WriteFile(path_, "garbage");
  EXPECT_EQ(NativeRegistry().SetValue(key, "CurrentUpdate", {platform::kRegSz, "x", 0}),
            static_cast<long>(platform::kErrorBadDb));
  EXPECT_EQ(ReadFile(path_), "garbage");
  try {
    TRegistry writer;
    EXPECT_FALSE(writer.OpenKey("SOFTWARE\\Velmoria", true));
    writer.WriteString("CurrentUpdate", "2008-03-14");
    ADD_FAILURE() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'CurrentUpdate'");
  }
}

TEST_F(NativeRegistryTest, AWriteReplacesTheFileWholeAndLeavesNothingBehind) {
  const Handle key = Create("Software\\Velmoria");
  ::chmod(path_.c_str(), 0640);
  const std::string before = ReadFile(path_);
  const std::string oldLink = (temp_.Path() / "old.reg").string();
  fs::create_hard_link(path_, oldLink);

  Set(key, "CurrentUpdate", {platform::kRegSz, "2008-03-14", 0});

  EXPECT_EQ(ReadFile(oldLink), before);  // replaced by a new file, not rewritten in place
  EXPECT_NE(ReadFile(path_), before);
  EXPECT_EQ(FolderEntries(folder_), (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
  struct stat status {};
  ASSERT_EQ(::stat(path_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST_F(NativeRegistryTest, ConcurrentWritersLoseNothing) {
  constexpr int kWrites = 25;
  Create("Software\\Velmoria");
  const auto writer = [](const std::string& prefix) {
    Handle key = platform::kNoHandle;
    ASSERT_EQ(NativeRegistry().CreateKey("Software\\Velmoria", kKeyAllAccess, key), kRegSuccess);
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(NativeRegistry().SetValue(key, prefix + std::to_string(i),
                                          {platform::kRegDword, {}, static_cast<std::uint32_t>(i)}),
                kRegSuccess);
    }
    NativeRegistry().CloseKey(key);
  };
  std::thread first(writer, "first");
  std::thread second(writer, "second");
  first.join();
  second.join();
  const Handle key = Create("Software\\Velmoria");
  for (const char* prefix : {"first", "second"}) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(Query(key, prefix + std::to_string(i)).number, static_cast<std::uint32_t>(i));
    }
  }
}

TEST(NativeRegistryPath, FollowsTheUserConfigurationFolder) {
  const ScopedTempFolder temp;
  const ScopedEnvironment noOverride("UPDATE_REGISTRY", std::nullopt);
  const ScopedEnvironment home("HOME", (temp.Path() / "home").string());
  const auto createsFileAt = [](const fs::path& expected) {
    Handle key = platform::kNoHandle;
    EXPECT_EQ(NativeRegistry().CreateKey("Software\\Velmoria", kKeyAllAccess, key), kRegSuccess);
    NativeRegistry().CloseKey(key);
    EXPECT_TRUE(fs::exists(expected)) << expected;
  };
  {
    const ScopedEnvironment config("XDG_CONFIG_HOME", (temp.Path() / "config").string());
    createsFileAt(temp.Path() / "config/quorvane/registry.reg");
  }
  {
    const ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
    createsFileAt(temp.Path() / "home/.config/quorvane/registry.reg");
  }
}

}  // namespace
