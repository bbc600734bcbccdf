// UTF-8 and UTF-16 conversion, and files opened by UTF-8 names.
#include "platform/unicode_text.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/code_page.h"
#include "platform/utf8_files.h"

namespace platform {
namespace {

TEST(UnicodeTextTest, ConvertsBothWaysAndReplacesWhatIsBroken) {
    const struct {
        std::string utf8;
        std::u16string utf16;
        bool valid;
    } cases[] = {
        {"", u"", true},
        {"Björk – Jóga", u"Björk – Jóga", true},
        {"Дождь 雨 Ελλάδα", u"Дождь 雨 Ελλάδα", true},
        {"\xF0\x9F\x8E\xB5", u"\U0001F3B5", true},  // outside the basic plane: a surrogate pair
        {"a\xFF"
         "b",
         u"a\uFFFD"
         "b",
         false},                                         // no UTF-8 byte
        {"\xC3", u"\uFFFD", false},                      // cut short
        {"\xC0\xAF", u"\uFFFD\uFFFD", false},            // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},  // an encoded surrogate
    };
    for (const auto& test : cases) {
        EXPECT_EQ(utf16FromUtf8(test.utf8), test.utf16) << test.utf8;
        EXPECT_EQ(isValidUtf8(test.utf8), test.valid) << test.utf8;
        if (test.valid) {
            EXPECT_EQ(utf8FromUtf16(test.utf16), test.utf8);
        }
    }
    EXPECT_EQ(utf8FromUtf16(u"a\xD800"), "a\xEF\xBF\xBD");  // a lone surrogate
    EXPECT_EQ(firstCharacters("Дождь", 2), "До");

    bool lossless = false;
    EXPECT_EQ(ansiFromUtf8("Björk – €", &lossless), "Bj\xF6rk \x96 \x80");
    EXPECT_TRUE(lossless);
    EXPECT_EQ(ansiFromUtf8("雨", &lossless), "?");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(utf8FromAnsi("Bj\xF6rk \x96 \x80"), "Björk – €");
}

TEST(UnicodeTextTest, OpensFilesByUtf8Names) {
    const std::string name = utf8Path(std::filesystem::temp_directory_path()) + "/Дождь – 雨 Jóga.txt";
    std::FILE* file = openFile(name, "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("x", file);
    std::fclose(file);
    EXPECT_TRUE(std::filesystem::exists(fileSystemPath(name)));
    EXPECT_TRUE(std::filesystem::remove(fileSystemPath(name)));
}

}  // namespace
}  // namespace platform
