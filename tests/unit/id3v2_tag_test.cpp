// ID3v2 tags in front of a stream: their sizes, and the title the module
// shows from them, in each text encoding, as UTF-8 text; and the UTF-8 texts
// the libraries hand the player.
#include "libs/mpa/id3v2_tag.h"

#include <gtest/gtest.h>

#include "tests/unit/mpeg_test_files.h"

namespace tumbor {
namespace {

using namespace testing;

uint32_t tagBytes(const Bytes& header) {
    uint8_t bytes[kId3v2HeaderBytes] = {};
    std::copy(header.begin(), header.begin() + static_cast<long>(kId3v2HeaderBytes), bytes);
    return id3v2TagBytes(bytes);
}

TEST(Id3v2TagTest, SizesComeFromTheHeader) {
    EXPECT_EQ(tagBytes(bytesOf(std::string("ID3\3\0\0\0\0\1\1", 10))), 10u + 129);
    EXPECT_EQ(tagBytes(bytesOf(std::string("ID3\4\0\x10\x7F\x7F\x7F\x7F", 10))), 20u + 0x0FFFFFFF);
    EXPECT_EQ(tagBytes(bytesOf(std::string("ID3\2\0\0\0\0\0\0", 10))), 10u);
    // Not a tag: a size byte with its top bit set, a version or revision of
    // 0xFF, another signature.
    EXPECT_EQ(tagBytes(bytesOf(std::string("ID3\3\0\0\0\0\0\x80", 10))), 0u);
    EXPECT_EQ(tagBytes(bytesOf(std::string("ID3\xFF\0\0\0\0\0\1", 10))), 0u);
    EXPECT_EQ(tagBytes(bytesOf(std::string("ID3\3\xFF\0\0\0\0\1", 10))), 0u);
    EXPECT_EQ(tagBytes(bytesOf(std::string("ID2\3\0\0\0\0\0\1", 10))), 0u);
}

TEST(Utf8TextTest, TextsBecomeWellFormedUtf8) {
    struct Case {
        std::string bytes, wellFormed, fromWindows1252;
    };
    const Case cases[] = {
        {"Plain 123", "Plain 123", "Plain 123"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9", "Caf\xC3\x83\xC2\xA9"},
        {"\x80\x8A\x9F", "???", "\xE2\x82\xAC\xC5\xA0\xC5\xB8"},  // Windows-1252's own characters
        {"\x81\x8D", "??", "??"},                                 // and those it lacks
        {"\xE2\x82\xAC \xF0\x9F\x8E\xB5", "\xE2\x82\xAC \xF0\x9F\x8E\xB5",
         "\xC3\xA2\xE2\x80\x9A\xC2\xAC \xC3\xB0\xC5\xB8\xC5\xBD\xC2\xB5"},
        {"\xC0\x80", "??", "\xC3\x80\xE2\x82\xAC"},               // overlong
        {"\xED\xA0\x80", "???", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate
        {"end\xE2\x82", "end??", "end\xC3\xA2\xE2\x80\x9A"},      // cut short
        {std::string("one\0two", 7), "one", "one"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wellFormedUtf8(c.bytes.data(), c.bytes.size()), c.wellFormed) << c.bytes;
        EXPECT_EQ(utf8FromWindows1252(c.bytes.data(), c.bytes.size()), c.fromWindows1252) << c.bytes;
    }
    // Titles are cut after whole characters.
    EXPECT_EQ(joinedTitle("", std::string(300, 'x')), std::string(kMaxTitleLength, 'x'));
    std::string rain;
    for (int i = 0; i < 300; ++i) rain += "\xE9\x9B\xA8";
    EXPECT_EQ(joinedTitle("A", rain), "A - " + rain.substr(0, 3 * (kMaxTitleLength - 4)));
}

class Id3v2TitleTest : public ::testing::Test {
protected:
    void TearDown() override {
        mpa().close();
        detachInput();
    }
    // The title the module shows for the stream behind the tags; "(none)"
    // when it leaves the player the file name.
    static std::string titleOf(const Bytes& file) {
        mpa().close();
        if (offerMpeg(file) != 1) return "(refused)";
        return mpa().titleText ? mpa().titleText : "(none)";
    }
    static std::string titleBefore(const Bytes& tags) {
        return titleOf(joined({tags, mpegFile("mono8.mp3")}));
    }
};

TEST_F(Id3v2TitleTest, TitlesOfEncodedFiles) {
    EXPECT_EQ(titleOf(mpegFile("vbrlong.mp3")), "Some Artist - Long Title");
    EXPECT_EQ(titleOf(mpegFile("vbr22.mp3")), "Wide Title");           // UTF-16
    EXPECT_EQ(titleOf(mpegFile("vbr11.mp3")), "Narrow Title");         // ISO-8859-1
    EXPECT_EQ(titleOf(mpegFile("twotags.mp2")), "Second Tag");         // the later tag's
    EXPECT_EQ(titleOf(mpegFile("bothtags.mp3")), "Both Tags (Band)");  // ID3v1 first
    EXPECT_EQ(titleOf(mpegFile("cbr128.mp3")), "(none)");
}

TEST_F(Id3v2TitleTest, EveryTextEncoding) {
    auto frame = [](int version, const char* id, uint8_t encoding, const std::string& text) {
        return id3v2TextFrame(version, id, encoding, bytesOf(text));
    };
    Bytes latin1 = joined({frame(3, "TIT2", 0, "Caf\xE9"), frame(3, "TPE1", 0, "Se\xF1or")});
    EXPECT_EQ(titleBefore(id3v2Tag(3, latin1)), "Se\xC3\xB1or - Caf\xC3\xA9");
    // UTF-16 with either byte order mark.
    std::string little("\xFF\xFE\xAC\x20u\0r\0o\0 \0\xA9\x03", 14),
        big("\xFE\xFF\x20\xAC\0u\0r\0o\0 \x03\xA9", 14);
    EXPECT_EQ(titleBefore(id3v2Tag(3, frame(3, "TIT2", 1, little))), "\xE2\x82\xACuro \xCE\xA9");
    EXPECT_EQ(titleBefore(id3v2Tag(3, frame(3, "TIT2", 1, big))), "\xE2\x82\xACuro \xCE\xA9");
    Bytes utf8 = joined({frame(4, "TPE1", 3, "Se\xC3\xB1or"), frame(4, "TIT2", 3,
                                                                    "\xC3\x9C"
                                                                    "ber")});
    EXPECT_EQ(titleBefore(id3v2Tag(4, utf8, 0x10)),
              "Se\xC3\xB1or - \xC3\x9C"
              "ber");
    // Two values in one frame: the first counts.
    EXPECT_EQ(titleBefore(id3v2Tag(4, frame(4, "TIT2", 3, std::string("One\0Two", 7)))), "One");
}

TEST_F(Id3v2TitleTest, WithoutATitleTheFileNameStays) {
    auto frame = [](const char* id, const std::string& text) {
        return id3v2TextFrame(3, id, 0, bytesOf(text));
    };
    EXPECT_EQ(titleBefore(id3v2Tag(3, frame("TPE1", "Artist only"))), "(none)");
    EXPECT_EQ(titleBefore(id3v2Tag(3, frame("TIT2", ""))), "(none)");
    EXPECT_EQ(titleBefore(id3v2Tag(3, Bytes(), 0, 64)), "(none)");  // padding alone
    // A title longer than the player's texts is cut.
    std::string title =
        titleBefore(id3v2Tag(3, joined({frame("TIT2", std::string(400, 't')), frame("TPE1", "A")})));
    EXPECT_EQ(title, "A - " + std::string(kMaxTitleLength - 4, 't'));
    // The next file's open forgets the tag.
    EXPECT_EQ(titleOf(mpegFile("mono8.mp3")), "(none)");
}

}  // namespace
}  // namespace tumbor
