// The profile service against files built byte by byte. The same cases run
// natively and, in the win32 build, against kernel32 under Wine, which keeps
// the native rules honest.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/profile.h"

namespace tumbor {
namespace {

using platform::getProfileInt;
using platform::getProfileString;
using platform::writeProfileString;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string file = ::testing::TempDir() + "tumbor_" + name + "_" +
                           std::to_string(std::random_device{}()) + ".ini";
        path_ = std::filesystem::absolute(file).string();
    }
    void TearDown() override { std::remove(path_.c_str()); }

    void put(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string get(const std::string& section, const std::string& key) const {
        return getProfileString(section, key, "<none>", path_);
    }

    std::string path_;
};

TEST_F(ProfileTest, ReadsValuesLikeWindows) {
    EXPECT_EQ(get("Player", "Volume"), "<none>");  // no file yet
    put("top=1\r\n  [ Player ]  \r\n  Skin Name \t=  \tClassic  Blue \t\r\n"
        "Volume=80\r\nvolume=99\r\nd=\"abc\"\r\ns='x y'\r\nmixed=\"abc'\r\nlone=\"\r\n"
        "empty=\"\"\r\ninner=\"a\"b\"\r\npadded=  \"  kept  \"  \r\nflag\r\nblank=\r\n"
        "[b]\r\n[player]\r\nlater=2\r\n");
    const struct { const char *section, *key, *expected; } cases[] = {
        {"player", "VOLUME", "80"},       {" PLAYER\t", "  skin name ", "Classic  Blue"},
        {"Player", "d", "abc"},           {"Player", "s", "x y"},
        {"Player", "mixed", "\"abc'"},    {"Player", "lone", "\""},
        {"Player", "empty", ""},          {"Player", "inner", "a\"b"},
        {"Player", "padded", "  kept  "}, {"Player", "blank", ""},
        {"Player", "top", "<none>"},    // keys before any section belong to none...
        {"", "top", "1"},               // ...but to the nameless one
        {"Player", "flag", "<none>"},   // a line without '=' has no value
        {"Player", "later", "<none>"},  // only the first section of a name counts
        {"c", "Volume", "<none>"},
    };
    for (const auto& c : cases) EXPECT_EQ(get(c.section, c.key), c.expected) << c.key;
    // Trailing spaces and quotes leave the default too.
    EXPECT_EQ(getProfileString("Player", "x", "\"q\"  ", path_), "q");
}

TEST_F(ProfileTest, SurvivesOddBytes) {
    const char bytes[] = "[a]\rcr=1\rlf=2\nnul=3\0junk\r\n[b]\nlast=4";
    put(std::string(bytes, sizeof bytes - 1));
    EXPECT_EQ(get("a", "cr"), "1");
    EXPECT_EQ(get("a", "lf"), "2");
    EXPECT_EQ(get("a", "nul"), "3");
    EXPECT_EQ(get("b", "last"), "4");
    // Values around the first buffer size of the Windows wrapper, and far past it.
    for (std::size_t length : {1022u, 1023u, 1024u, 100000u}) {
        std::string value(length, 'v');
        put("[long]\r\nv=" + value + "\r\n");
        EXPECT_EQ(get("long", "v"), value) << length;
    }
}

TEST_F(ProfileTest, ParsesIntegersLikeWindows) {
    const struct { const char* value; unsigned expected; } cases[] = {
        {"12abc", 12},  {"abc", 0},  {"-5", 0u - 5},   {"+7", 7},
        {"- 3", 0},     {"08", 8},   {"\"42\"", 42},    {"4294967297", 1},
        {"0x1A", 26},   {"0X1A", 0}, {"0b101", 5},      {"0o17", 15},
        {"-4294967297", 0u - 1},
        // Only the first 29 characters take part.
        {"1234567890123456789012345678912345", 1849262357u},
    };
    for (const auto& c : cases) {
        put(std::string("[n]\r\nk=") + c.value + "\r\n");
        EXPECT_EQ(getProfileInt("n", "k", 99, path_), c.expected) << c.value;
    }
    put("[n]\r\nempty=\r\n");
    EXPECT_EQ(getProfileInt("n", "empty", 99, path_), 99u);
    EXPECT_EQ(getProfileInt("n", "missing", -1, path_), 0xFFFFFFFFu);
}

TEST_F(ProfileTest, EditsOnlyTheLineConcerned) {
    const std::string tail = "[Plugins]\r\nOutput=wave\r\n";
    put("; settings\r\n[Player]\r\nVolume=80\r\nSkin=Classic\r\n" + tail);
    ASSERT_TRUE(writeProfileString("player", "VOLUME", "55", path_));
    EXPECT_EQ(contents(), "; settings\r\n[Player]\r\nVolume=55\r\nSkin=Classic\r\n" + tail);
    ASSERT_TRUE(writeProfileString("Player", "Balance", "0", path_));
    ASSERT_TRUE(writeProfileString("Eq", "Band1", "3", path_));
    EXPECT_EQ(contents(), "; settings\r\n[Player]\r\nVolume=55\r\nSkin=Classic\r\nBalance=0\r\n" +
                              tail + "[Eq]\r\nBand1=3\r\n");
}

TEST_F(ProfileTest, WritesIntoAwkwardFiles) {
    ASSERT_TRUE(writeProfileString("a", "empty", "", path_));
    ASSERT_TRUE(writeProfileString("a", "blanks", "  lead", path_));      // leading blanks dropped
    ASSERT_TRUE(writeProfileString("a", "quoted", "\"  lead\"", path_));  // unless quoted
    EXPECT_EQ(contents(), "[a]\r\nempty=\r\nblanks=lead\r\nquoted=\"  lead\"\r\n");
    EXPECT_EQ(get("a", "quoted"), "  lead");

    put("[a]\r\nflag\r\n[a]\r\nk=1\r\n[b]\r\nk=1");
    ASSERT_TRUE(writeProfileString("a", "flag", "on", path_));
    ASSERT_TRUE(writeProfileString("a", "k", "2", path_));  // into the first [a]
    ASSERT_TRUE(writeProfileString("b", "n", "3", path_));  // after a last line without break
    EXPECT_EQ(contents(), "[a]\r\nflag=on\r\nk=2\r\n[a]\r\nk=1\r\n[b]\r\nk=1\r\nn=3\r\n");

    put("[a]\r\nk=1");
    ASSERT_TRUE(writeProfileString("b", "k", "2", path_));
    EXPECT_EQ(contents(), "[a]\r\nk=1\r\n[b]\r\nk=2\r\n");
}

TEST_F(ProfileTest, KeepsLayoutOfHandWrittenFiles) {
    put("[a]\n  key = old  \n\n; note\n\n[b]\rx=1\r");
    ASSERT_TRUE(writeProfileString("a", "KEY", "new", path_));
    ASSERT_TRUE(writeProfileString("b", "y", "2", path_));
    EXPECT_EQ(get("a", "key"), "new");
    EXPECT_EQ(get("b", "x"), "1");
    EXPECT_EQ(get("b", "y"), "2");
#ifndef _WIN32
    // Wine rewrites the whole file in a normal form (CRLF, no blank lines, no
    // blanks around '='), so only the native code is held to the exact bytes.
    EXPECT_EQ(contents(), "[a]\n  key = new  \n\n; note\n\n[b]\rx=1\ry=2\r\n");
#endif
}

TEST_F(ProfileTest, FailsWhenTheFileCannotBeWritten) {
    std::string inMissingFolder = (std::filesystem::path(path_ + ".d") / "x.ini").string();
    EXPECT_FALSE(writeProfileString("a", "k", "v", inMissingFolder));
}

}  // namespace
}  // namespace tumbor
