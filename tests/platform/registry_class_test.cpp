#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "rtl/sysutils.h"
#include "support/fake_platform.h"

namespace {

using platform::RegistryValue;

template <class Action>
std::string RegistryErrorOf(Action action) {
  try {
    action();
  } catch (const ERegistryException& e) {
    return e.Message();
  }
  return "no exception";
}

class TRegistryTest : public ::testing::Test {
 protected:
  ScopedFakePlatform fakes_;
  FakeRegistry& registry_ = fakes_.registry;
};

TEST_F(TRegistryTest, OpensFromTheRootOrFromTheOpenKey) {
  TRegistry reg;
  EXPECT_EQ(reg.Access(), platform::kKeyAllAccess);
  EXPECT_FALSE(reg.OpenKey("\\software\\VELMORIA", false));
  EXPECT_EQ(reg.CurrentKey(), platform::kNoHandle);
  ASSERT_TRUE(reg.OpenKey("\\software\\VELMORIA", true));
  EXPECT_EQ(reg.CurrentPath(), "software\\VELMORIA");
  EXPECT_TRUE(registry_.KeyExists("Software\\Velmoria"));
  EXPECT_TRUE(registry_.ValueNames("Software\\Velmoria").empty());

  ASSERT_TRUE(reg.OpenKey("Sub", true));
  EXPECT_EQ(reg.CurrentPath(), "software\\VELMORIA\\Sub");
  EXPECT_TRUE(registry_.KeyExists("SOFTWARE\\velmoria\\sub"));
  const auto key = reg.CurrentKey();
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_EQ(reg.CurrentKey(), key);
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Velmoria", false)) << "taken below Sub";
  EXPECT_EQ(reg.CurrentPath(), "software\\VELMORIA\\Sub");
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Velmoria", false));
  EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\Velmoria");
  EXPECT_EQ(registry_.OpenKeyCount(), 1u);
}

TEST_F(TRegistryTest, ReadsByTypeAndRefusesAnotherType) {
  registry_.Put("Software\\Velmoria", "Font", {platform::kRegSz, "Tahoma", 0});
  registry_.Put("Software\\Velmoria", "Path", {platform::kRegExpandSz, "%APPDATA%", 0});
  registry_.Put("Software\\Velmoria", "FontSize", {platform::kRegDword, {}, 0xFFFFFFFF});
  registry_.Put("Software\\Velmoria", "Blob", {platform::kRegBinary, "\x01", 0});
  registry_.Put("Software\\Velmoria", "List", {7, "a", 0});
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\VELMORIA", false));
  EXPECT_EQ(reg.ReadString("font"), "Tahoma");
  EXPECT_EQ(reg.ReadString("Path"), "%APPDATA%");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadInteger("FontSize"), -1);
  EXPECT_EQ(reg.ReadInteger("Missing"), 0);
  EXPECT_EQ(RegistryErrorOf([&] { reg.ReadString("FontSize"); }), "Invalid data type for 'FontSize'");
  EXPECT_EQ(RegistryErrorOf([&] { reg.ReadInteger("Font"); }), "Invalid data type for 'Font'");

  EXPECT_EQ(reg.GetDataType("Font"), TRegDataType::rdString);
  EXPECT_EQ(reg.GetDataType("Path"), TRegDataType::rdExpandString);
  EXPECT_EQ(reg.GetDataType("FontSize"), TRegDataType::rdInteger);
  EXPECT_EQ(reg.GetDataType("Blob"), TRegDataType::rdBinary);
  EXPECT_EQ(reg.GetDataType("List"), TRegDataType::rdUnknown);
  EXPECT_EQ(reg.GetDataType("Missing"), TRegDataType::rdUnknown);
  EXPECT_TRUE(reg.ValueExists("FONT"));
  EXPECT_FALSE(reg.ValueExists("Missing"));
}

TEST_F(TRegistryTest, WritesAndReportsAFailedWriteByTheValuesName) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Velmoria", true));
  reg.WriteString("CurrentUpdate", "2008-03-14");
  reg.WriteInteger("FontSize", -2);
  const auto update = registry_.Value("Software\\Velmoria", "CurrentUpdate");
  ASSERT_TRUE(update.has_value());
  EXPECT_EQ(update->type, platform::kRegSz);
  EXPECT_EQ(update->text, "2008-03-14");
  EXPECT_EQ(registry_.Value("Software\\Velmoria", "FontSize")->number, 0xFFFFFFFEu);

  registry_.FailSetValue(5);
  EXPECT_EQ(RegistryErrorOf([&] { reg.WriteString("CurrentUpdate", "x"); }),
            "Failed to set data for 'CurrentUpdate'");
  EXPECT_EQ(RegistryErrorOf([&] { reg.WriteInteger("FontSize", 1); }),
            "Failed to set data for 'FontSize'");
  EXPECT_EQ(registry_.Value("Software\\Velmoria", "CurrentUpdate")->text, "2008-03-14");
}

TEST_F(TRegistryTest, WithoutAnOpenKeyNothingIsReadOrWritten) {
  registry_.FailCreateKey(5);
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Velmoria", true));
  EXPECT_FALSE(reg.ValueExists("CurrentUpdate"));
  EXPECT_EQ(reg.ReadString("CurrentUpdate"), "");
  EXPECT_EQ(RegistryErrorOf([&] { reg.WriteString("CurrentUpdate", "x"); }),
            "Failed to set data for 'CurrentUpdate'");
  EXPECT_FALSE(registry_.KeyExists("SOFTWARE\\Velmoria"));
}

TEST_F(TRegistryTest, ReadAccessCannotWrite) {
  TRegistry reg(platform::kKeyRead);
  ASSERT_TRUE(reg.OpenKey("Software\\Velmoria", true));
  EXPECT_EQ(RegistryErrorOf([&] { reg.WriteString("CurrentUpdate", "x"); }),
            "Failed to set data for 'CurrentUpdate'");
}

TEST_F(TRegistryTest, TheKeyIsClosedOnEveryWayOut) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Velmoria", true));
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(registry_.OpenKeyCount(), 1u);
  }
  EXPECT_EQ(registry_.OpenKeyCount(), 0u);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software", false));
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentPath(), "");
  EXPECT_EQ(registry_.OpenKeyCount(), 0u);
}

}  // namespace
