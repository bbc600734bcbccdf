// The title the FLAC and Ogg modules show: from the first TITLE and ARTIST
// comments, field names in any case, values kept as well-formed UTF-8.
#include "libs/common/comment_title.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tumbor {
namespace {

std::string titleOf(std::initializer_list<const char*> comments) {
    CommentTitle title;
    for (const char* comment : comments) title.add(comment, std::strlen(comment));
    return title.text();
}

TEST(CommentTitleTest, ArtistAndTitleOrTheTitleAlone) {
    EXPECT_EQ(titleOf({"ARTIST=Band", "TITLE=Song"}), "Band - Song");
    EXPECT_EQ(titleOf({"title=Song", "Artist=Band"}), "Band - Song");
    EXPECT_EQ(titleOf({"TITLE=Song"}), "Song");
    // An artist alone, an empty title or none at all give no title.
    EXPECT_EQ(titleOf({"ARTIST=Band"}), "");
    EXPECT_EQ(titleOf({"ARTIST=Band", "TITLE="}), "");
    EXPECT_EQ(titleOf({}), "");
}

TEST(CommentTitleTest, OnlyWholeFieldNamesCountAndTheFirstValueWins) {
    EXPECT_EQ(titleOf({"TITLES=No", "SUBTITLE=No", "TITLE", "TITLE=Yes", "TITLE=Later"}), "Yes");
    EXPECT_EQ(titleOf({"TITLE=", "TITLE=Second"}), "Second");
    EXPECT_EQ(titleOf({"TITLE=a=b"}), "a=b");
}

TEST(CommentTitleTest, ValuesStayUtf8AndEndAtTheirLength) {
    EXPECT_EQ(titleOf({"TITLE=Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5"}), "Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5");
    EXPECT_EQ(titleOf({"TITLE=bad \xC3"}), "bad ?");
    CommentTitle title;
    title.add("TITLE=Cut here", 9);  // comments are counted, not zero-terminated
    title.add(nullptr, 5);
    EXPECT_EQ(title.text(), "Cut");
}

TEST(CommentTitleTest, LongTitlesAreCutToWhatThePlayerHolds) {
    std::string artist = "ARTIST=" + std::string(200, 'a');
    std::string song = "TITLE=" + std::string(200, 't');
    std::string text = titleOf({artist.c_str(), song.c_str()});
    EXPECT_EQ(text.size(), 259u);
    EXPECT_EQ(text.substr(198, 6), "aa - t");
    // Cut after 259 characters, not bytes.
    std::string cyrillic = "TITLE=";
    for (int i = 0; i < 300; ++i) cyrillic += "\xD0\x94";
    EXPECT_EQ(titleOf({cyrillic.c_str()}).size(), 2u * 259);
}

}  // namespace
}  // namespace tumbor
