// The ID3v1 tag: the title the player shows, the editor's texts, and writing
// the tag back without ever touching the sound bytes of the file.
#include "libs/mpa/id3v1_tag.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "libs/mpa/host/mpa_dialogs_script.h"
#include "libs/mpa/id3v1_file.h"
#include "libs/mpa/id3v2_tag.h"
#include "platform/utf8_files.h"
#include "tests/unit/mpeg_test_files.h"

namespace tumbor {
namespace {

using namespace testing;

template <size_t N>
void setField(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(N, std::strlen(text)));
}

Id3v1Tag tagWith(const char* title, const char* artist) {
    Id3v1Tag tag = emptyTag();
    setField(tag.title, title);
    setField(tag.artist, artist);
    return tag;
}

Bytes tagBytes(const Id3v1Tag& tag) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&tag);
    return Bytes(bytes, bytes + sizeof tag);
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(platform::fileSystemPath(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(Id3v1TagTest, TitleRules) {
    std::string title = "unchanged";
    const std::string thirty(30, 'T'), thirtyArtist(30, 'A');
    EXPECT_TRUE(titleFromTag(tagWith(thirty.c_str(), thirtyArtist.c_str()), title));
    EXPECT_EQ(title, thirty + " (" + thirtyArtist + ")");
    EXPECT_TRUE(titleFromTag(tagWith("Song   ", "      "), title));
    EXPECT_EQ(title, "Song ()");
    EXPECT_TRUE(titleFromTag(tagWith("Song", ""), title));
    EXPECT_EQ(title, "Song");
    EXPECT_TRUE(titleFromTag(tagWith("Song", "Band  "), title));
    EXPECT_EQ(title, "Song (Band)");
    EXPECT_TRUE(titleFromTag(tagWith("J\xF3ga \x80", "Bj\xF6rk"), title));  // Windows-1252
    EXPECT_EQ(title, "J\xC3\xB3ga \xE2\x82\xAC (Bj\xC3\xB6rk)");

    title = "unchanged";
    EXPECT_FALSE(titleFromTag(tagWith("", "Band"), title));
    Id3v1Tag unsigned_ = tagWith("Song", "Band");
    unsigned_.signature[0] = 'X';
    EXPECT_FALSE(titleFromTag(unsigned_, title));
    EXPECT_EQ(title, "unchanged");
}

TEST(Id3v1TagTest, EditorTextsRoundTrip) {
    Id3v1Tag tag = tagWith("Title", std::string(30, 'a').c_str());
    setField(tag.year, "19991");  // four characters fit
    tag.genre = 17;
    TagFields fields = fieldsFromTag(tag);
    EXPECT_EQ(fields.title, "Title");
    EXPECT_EQ(fields.artist, std::string(30, 'a'));
    EXPECT_EQ(fields.year, "1999");
    EXPECT_EQ(fields.genre, 17);
    EXPECT_STREQ(genreName(fields.genre), "Rock");
    EXPECT_STREQ(genreName(0), "Blues");
    EXPECT_STREQ(genreName(125), "Dance Hall");
    EXPECT_EQ(genreName(126), nullptr);

    tag.genre = 126;
    EXPECT_EQ(fieldsFromTag(tag).genre, -1);
    tag.genre = kNoGenre;
    EXPECT_EQ(fieldsFromTag(tag).genre, -1);

    fields.title = std::string(40, 'x');
    fields.album = "Al";
    fields.genre = -1;
    storeFields(fields, tag);
    EXPECT_EQ(std::string(tag.title, 30), std::string(30, 'x'));
    EXPECT_EQ(std::string(tag.album, 3), std::string("Al\0", 3));
    EXPECT_EQ(tag.genre, kNoGenre);
    EXPECT_TRUE(hasTagSignature(tag));
}

class TagFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::absolute(::testing::TempDir()) /
                  ("tumbor_tag_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        scriptTagEditor(nullptr);
        mpa().close();
        detachInput();
        std::filesystem::remove_all(folder_);
    }
    // The UTF-8 name of a file in the test's folder.
    std::string path(const std::string& name) const {
        return platform::utf8Path(folder_ / platform::fileSystemPath(name));
    }

    std::filesystem::path folder_;
};

TEST_F(TagFileTest, WritingAppendsOrReplacesAndNeverTouchesSound) {
    Bytes sound = mpegFile("mono8.mp3");
    std::string file = path("song.mp3");
    writeBytes(file, sound);

    Id3v1Tag tag = tagWith("One", "Two");
    EXPECT_EQ(writeTagFile(file, tag), TagWriteResult::written);
    Bytes once = readBytes(file);
    ASSERT_EQ(once.size(), sound.size() + 128);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), once.begin()));
    EXPECT_EQ(Bytes(once.end() - 128, once.end()), tagBytes(tag));

    Id3v1Tag second = tagWith("Three", "Four");
    EXPECT_EQ(writeTagFile(file, second), TagWriteResult::written);
    Bytes twice = readBytes(file);
    ASSERT_EQ(twice.size(), once.size());
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), twice.begin()));
    EXPECT_EQ(Bytes(twice.end() - 128, twice.end()), tagBytes(second));

    // A file of 128 bytes that starts with "TAG" counts as having no tag.
    std::string tiny = path("tiny.mp3");
    Bytes tinyBytes = tagBytes(tag);
    writeBytes(tiny, tinyBytes);
    Id3v1Tag read = emptyTag();
    EXPECT_FALSE(readTagFile(tiny, read).present);
    EXPECT_EQ(writeTagFile(tiny, second), TagWriteResult::written);
    EXPECT_EQ(readBytes(tiny).size(), 256u);

    EXPECT_EQ(writeTagFile(path("missing.mp3"), tag), TagWriteResult::cannotOpen);
    EXPECT_FALSE(readTagFile(path("missing.mp3"), read).readable);
}

TEST_F(TagFileTest, SongInfoEditsTheFileThroughTheEditor) {
    Bytes sound = mpegFile("mono8.mp3");
    std::string file = path("Song.MP3.bak");  // the extension may stand anywhere, in any case
    writeBytes(file, sound);

    scriptTagEditor([](TagFields& fields) {
        EXPECT_EQ(fields.title, "");
        EXPECT_EQ(fields.genre, 0);  // a new tag is all zeros: the first genre
        fields.title = "Title";
        fields.artist = "Artist";
        fields.album = "Album";
        fields.year = "2001";
        fields.comment = "Comment";
        fields.genre = 8;
        return true;
    });
    mpa().hostWindow = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(mpa().songInfo(file.c_str()), 1);
    EXPECT_EQ(lastTagEditorOwner(), reinterpret_cast<void*>(0x1234));
    EXPECT_EQ(file, path("Song.MP3.bak"));  // the caller's name is left alone
    ASSERT_NE(mpa().titleText, nullptr);
    EXPECT_STREQ(mpa().titleText, "Title (Artist)");

    Bytes edited = readBytes(file);
    ASSERT_EQ(edited.size(), sound.size() + 128);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), edited.begin()));
    const uint8_t* block = edited.data() + sound.size();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), 3), "TAG");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block + 3), 6), std::string("Title\0", 6));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block + 33), 7), std::string("Artist\0", 7));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block + 63), 6), std::string("Album\0", 6));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block + 93), 4), "2001");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block + 97), 8), std::string("Comment\0", 8));
    EXPECT_EQ(block[127], 8);

    // Opening the file shows the title; a second edit replaces the tag and
    // "no genre" is written as 255.
    ASSERT_EQ(offerMpeg(edited), 1);
    EXPECT_STREQ(mpa().titleText, "Title (Artist)");
    scriptTagEditor([](TagFields& fields) {
        EXPECT_EQ(fields.comment, "Comment");
        fields.genre = -1;
        return true;
    });
    EXPECT_EQ(mpa().songInfo(file.c_str()), 1);
    Bytes again = readBytes(file);
    ASSERT_EQ(again.size(), edited.size());
    EXPECT_EQ(again.back(), 255);

    // Cancel changes nothing; other names and unreadable files are not handled.
    scriptTagEditor([](TagFields& fields) {
        fields.title = "Lost";
        return false;
    });
    EXPECT_EQ(mpa().songInfo(file.c_str()), 1);
    EXPECT_EQ(readBytes(file), again);
    EXPECT_EQ(mpa().songInfo(path("song.wav").c_str()), 0);
    EXPECT_EQ(mpa().songInfo(path("absent.mp3").c_str()), 0);
}

// The editor writes only the ID3v1 tag at the end; the ID3v2 tag in front
// stays as it was to the byte, and gives the title where the ID3v1 tag has
// none. The file's name is UTF-8, as the player hands it over.
TEST_F(TagFileTest, TheEditorLeavesTheId3v2TagAlone) {
    Bytes original = mpegFile("bothtags.mp3");
    uint8_t header[kId3v2HeaderBytes];
    std::copy(original.begin(), original.begin() + kId3v2HeaderBytes, header);
    const size_t front = id3v2TagBytes(header);
    ASSERT_GT(front, kId3v2HeaderBytes);
    std::string file = path("\xD0\x94\xD0\xBE\xD0\xB6\xD0\xB4\xD1\x8C \xE2\x80\x93 \xE9\x9B\xA8.mp3");
    writeBytes(file, original);

    scriptTagEditor([](TagFields& fields) {
        EXPECT_EQ(fields.title, "Both Tags");
        EXPECT_EQ(fields.artist, "Band");
        fields.title = "Renamed";
        return true;
    });
    EXPECT_EQ(mpa().songInfo(file.c_str()), 1);
    EXPECT_STREQ(mpa().titleText, "Renamed (Band)");
    Bytes saved = readBytes(file);
    ASSERT_EQ(saved.size(), original.size());
    EXPECT_TRUE(std::equal(original.begin(), original.end() - 128, saved.begin()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(saved.data() + saved.size() - 125), 8),
              std::string("Renamed\0", 8));
    ASSERT_EQ(offerMpeg(saved), 1);
    EXPECT_STREQ(mpa().titleText, "Renamed (Band)");

    // An ID3v1 tag without a title leaves the title to the ID3v2 tag.
    scriptTagEditor([](TagFields& fields) {
        fields.title.clear();
        return true;
    });
    mpa().close();
    EXPECT_EQ(mpa().songInfo(file.c_str()), 1);
    EXPECT_STREQ(mpa().titleText, "Band - Both Tags");
    Bytes cleared = readBytes(file);
    EXPECT_TRUE(std::equal(original.begin(), original.end() - 128, cleared.begin()));
    ASSERT_EQ(offerMpeg(cleared), 1);
    EXPECT_STREQ(mpa().titleText, "Band - Both Tags");

    // A file with the ID3v2 tag alone gets an ID3v1 tag appended.
    Bytes only = mpegFile("vbr11.mp3");
    std::string second = path("only.mp3");
    writeBytes(second, only);
    scriptTagEditor([](TagFields& fields) {
        EXPECT_EQ(fields.title, "");
        fields.title = "Appended";
        return true;
    });
    EXPECT_EQ(mpa().songInfo(second.c_str()), 1);
    Bytes appended = readBytes(second);
    ASSERT_EQ(appended.size(), only.size() + 128);
    EXPECT_TRUE(std::equal(only.begin(), only.end(), appended.begin()));
}

// The editor is modal; while it is shown the player may open another file,
// which replaces the library's tag record. Saving must still treat the
// edited file as the file it is.
TEST_F(TagFileTest, OpeningAnotherFileDuringTheEditorCannotOverwriteSound) {
    Bytes sound = mpegFile("mono8.mp3");
    std::string file = path("untagged.mp3");
    writeBytes(file, sound);
    Bytes tagged = sound;
    Bytes block = tagBytes(tagWith("Other", "Song"));
    tagged.insert(tagged.end(), block.begin(), block.end());

    scriptTagEditor([&](TagFields& fields) {
        EXPECT_EQ(offerMpeg(tagged), 1);
        fields.title = "Mine";
        return true;
    });
    EXPECT_EQ(mpa().songInfo(file.c_str()), 1);
    Bytes after = readBytes(file);
    ASSERT_EQ(after.size(), sound.size() + 128);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), after.begin()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(after.data() + sound.size() + 3), 5),
              std::string("Mine\0", 5));
}

}  // namespace
}  // namespace tumbor
