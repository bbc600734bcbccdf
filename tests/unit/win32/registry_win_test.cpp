// The Windows registry behind the installer's Registry interface, under
// Wine: strings written and read back, values too long for the buffer,
// expandable strings, and what is not there.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/registry.h"

namespace platform {
namespace {

constexpr char kTestKey[] = "Software\\Tumbor unit test";

class RegistryWinTest : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kTestKey) + "\\Deeper\\Key").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kTestKey) + "\\Deeper").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    }
    Registry& registry = systemRegistry();
};

TEST_F(RegistryWinTest, WritesCreateTheKeysAndReadsGiveTheTextBack) {
    const std::string key = std::string(kTestKey) + "\\Deeper\\Key";
    ASSERT_TRUE(
        registry.writeString(RegistryRoot::currentUser, key, "", "\"C:\\Tumbor\\Tumbor.exe\" \"%1\""));
    ASSERT_TRUE(registry.writeString(RegistryRoot::currentUser, key, "Named", "value"));
    const std::string unicode =
        "C:\\\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3\xD1\x80\xD0\xB0\xD0\xBC\xD0\xBC\xD1\x8B \xE9\x9B\xA8\\Tumbor";
    ASSERT_TRUE(registry.writeString(RegistryRoot::currentUser, key, "Folder", unicode));
    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, key, "Folder", 260), unicode);
    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, key, "", 260),
              "\"C:\\Tumbor\\Tumbor.exe\" \"%1\"");
    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, key, "named", 260), "value");

    // The stored size counts the terminating zero.
    HKEY opened;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &opened), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(opened, L"Named", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6 * sizeof(wchar_t));
    RegCloseKey(opened);

    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, key, "", 10), std::nullopt) << "does not fit";
    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, key, "missing", 260), std::nullopt);
    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, std::string(kTestKey) + "\\None", "", 260),
              std::nullopt);
}

TEST_F(RegistryWinTest, ExpandableStringsAreExpandedAndOtherTypesAreNoText) {
    HKEY created;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    const char expandable[] = "%SystemRoot%\\Tumbor";
    RegSetValueExA(created, "Path", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expandable),
                   sizeof expandable);
    const DWORD number = 7;
    RegSetValueExA(created, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(created);
    char root[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableA("SystemRoot", root, sizeof root), 0u);
    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, kTestKey, "Path", 260),
              std::string(root) + "\\Tumbor");
    EXPECT_EQ(registry.readString(RegistryRoot::currentUser, kTestKey, "Number", 260), std::nullopt);
}

TEST_F(RegistryWinTest, TheProgramFilesFolderIsThere) {
    const auto folder = registry.readString(
        RegistryRoot::localMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", 260);
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->substr(1, 2), ":\\");
}

}  // namespace
}  // namespace platform
