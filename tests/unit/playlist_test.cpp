// Playlist navigation, selection editing, and filling from files and folders.
#include "player/engine/playlist.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "platform/utf8_files.h"
#include "player/engine/details_reader.h"
#include "player/engine/playlist_files.h"

namespace tumbor {
namespace {

namespace fs = std::filesystem;

Playlist listOf(int count) {
    Playlist playlist;
    for (int i = 0; i < count; ++i) playlist.append("song" + std::to_string(i) + ".wav");
    return playlist;
}

TEST(PlaylistTest, NavigationWrapsAndDecidesWhetherToPlay) {
    NavigationSettings noRepeat;
    noRepeat.repeatX = false;
    Playlist three = listOf(3);
    three.setCurrentIndex(2);
    EXPECT_EQ(three.choose(PlaylistMessage::playNext, true, noRepeat), 0);
    EXPECT_FALSE(three.playsAfterLoad(PlaylistMessage::playNext, 0, true, noRepeat));
    EXPECT_EQ(three.choose(PlaylistMessage::playNext, true, noRepeat), 1);
    EXPECT_TRUE(three.playsAfterLoad(PlaylistMessage::playNext, 1, true, noRepeat));
    three.setCurrentIndex(0);
    EXPECT_EQ(three.choose(PlaylistMessage::goToPrevious, false, noRepeat), 2);
    EXPECT_FALSE(three.playsAfterLoad(PlaylistMessage::goToPrevious, 2, false, noRepeat));
    EXPECT_TRUE(three.playsAfterLoad(PlaylistMessage::goToNext, 0, true, noRepeat));
    EXPECT_EQ(three.choose(PlaylistMessage::playCurrent, false, noRepeat), 2);
    EXPECT_TRUE(three.playsAfterLoad(PlaylistMessage::playCurrent, 2, false, noRepeat));

    NavigationSettings repeatOnce;  // RepeatX on, Repeat off
    repeatOnce.repeat = false;
    Playlist one = listOf(1);
    EXPECT_EQ(one.choose(PlaylistMessage::playNext, true, repeatOnce), 0);
    EXPECT_FALSE(one.playsAfterLoad(PlaylistMessage::playNext, 0, true, repeatOnce));
    EXPECT_TRUE(one.playsAfterLoad(PlaylistMessage::playNext, 0, true, NavigationSettings()));

    Playlist empty;
    EXPECT_EQ(empty.choose(PlaylistMessage::goToNext, true, NavigationSettings()), -1);
}

TEST(PlaylistTest, ShuffleVisitsEveryEntryOncePerRound) {
    NavigationSettings shuffle;
    shuffle.shuffle = true;
    Playlist five = listOf(5);
    five.seedRandom(7);
    for (int round = 0; round < 3; ++round) {
        std::set<int> seen;
        for (int i = 0; i < 5; ++i) seen.insert(five.choose(PlaylistMessage::goToNext, true, shuffle));
        EXPECT_EQ(seen.size(), 5u) << "round " << round;
        EXPECT_TRUE(five.playsAfterLoad(PlaylistMessage::playNext, 0, true, shuffle));
    }
    Playlist big = listOf(1500);  // beyond the history: plain random picks
    int pick = big.choose(PlaylistMessage::goToNext, true, shuffle);
    EXPECT_GE(pick, 0);
    EXPECT_LT(pick, 1500);
}

TEST(PlaylistTest, EditingTheSelection) {
    Playlist list = listOf(5);  // song0 .. song4
    list.select(1, true);
    list.select(3, true);
    list.moveSelectionUp();
    EXPECT_EQ(list.entries()[0], "song1.wav");
    EXPECT_EQ(list.entries()[2], "song3.wav");
    EXPECT_TRUE(list.isSelected(0) && list.isSelected(2));
    list.moveSelectionDown();
    list.moveSelectionDown();
    EXPECT_EQ(list.entries(),
              (std::vector<std::string>{"song0.wav", "song2.wav", "song1.wav", "song4.wav", "song3.wav"}));

    list.invertSelection();  // 0, 1 and 3 selected now
    list.setCaret(4);
    list.removeSelected();
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"song1.wav", "song3.wav"}));
    EXPECT_TRUE(list.isSelected(1));  // the caret was past the end: the last entry
    EXPECT_EQ(list.caret(), 1);
}

TEST(PlaylistTest, DetailsFollowTheirEntries) {
    Playlist list = listOf(3);
    list.append("song1.wav");
    EXPECT_EQ(list.setDetails({{"song1.wav", {"Björk – Jóga", 305}}, {"other.wav", {"x", 1}}}),
              (std::vector<size_t>{1, 3}));
    EXPECT_TRUE(list.setDetails({{"song1.wav", {"Björk – Jóga", 305}}}).empty()) << "nothing new";
    list.setDetails({{"song2.wav", {"", 3725}}});
    list.select(1, true);
    list.moveSelectionUp();
    EXPECT_EQ(list.shownText(0), "Björk – Jóga (5:05)");
    EXPECT_EQ(list.shownText(1), "song0.wav");
    EXPECT_EQ(list.shownText(2), "song2.wav (1:02:05)");
    list.selectOnly(0);
    list.removeSelected();
    EXPECT_EQ(list.details(2).title, "Björk – Jóga");
}

class PlaylistFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder_ = fs::absolute(::testing::TempDir()) /
                  ("tumbor_playlist_" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_ / "album" / "disc2");
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    // UTF-8 paths, as the player keeps them.
    std::string path(const std::string& relative) const {
        return platform::utf8Path((folder_ / platform::fileSystemPath(relative)).make_preferred());
    }
    void write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(platform::fileSystemPath(path(relative)), std::ios::binary) << bytes;
    }

    fs::path previous_;
    fs::path folder_;
};

TEST_F(PlaylistFilesTest, PlaylistFilesAndFolders) {
    write("a.wav", "x");
    write("b.wav", "x");
    write("list.m3u", "a.wav\r\n\r\nb.wav\r\nmissing.wav\r\ntone://440\r\n");
    Playlist playlist;
    addPath(playlist, path("list.m3u"), true);
    // Relative entries are taken from the playlist's folder.
    EXPECT_EQ(playlist.entries(), (std::vector<std::string>{path("a.wav"), path("b.wav"), "tone://440"}));

    // A Unicode name from an M3U8, with its title and length.
    write("Дождь – 雨.mp3", "x");
    write("list.m3u8", "#EXTM3U\n#EXTINF:5,Дождь\nДождь – 雨.mp3\n");
    Playlist unicode;
    addPath(unicode, path("list.m3u8"), false);
    ASSERT_EQ(unicode.entries(), std::vector<std::string>{path("Дождь – 雨.mp3")});
    EXPECT_EQ(unicode.details(0), (EntryDetails{"Дождь", 5}));

    // A missing path with replace leaves the list alone; a quoted one is unquoted.
    addPath(playlist, path("nothing.wav"), true);
    EXPECT_EQ(playlist.size(), 3u);
    addPath(playlist, "\"" + path("a.wav") + "\"", true);
    EXPECT_EQ(playlist.entries(), std::vector<std::string>{path("a.wav")});

    // A folder adds every file below it, with playlists expanded in place.
    write("album/1.mp3", "x");
    write("album/disc2/2.voc", "x");
    write("album/disc2/more.PLS", "tone://1000\n");
    write("album/.hidden", "x");
    Playlist folder;
    addPath(folder, path("album"), false);
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{path("album/1.mp3"), path("album/disc2/2.voc"), "tone://1000"}));
}

TEST_F(PlaylistFilesTest, ReadingAndSavingLines) {
    std::string longLine(600, 'x');
    write("odd.pls", "one\rtwo\n" + longLine + "\nlast");
    std::vector<PlaylistItem> lines;
    ASSERT_TRUE(readPlaylistFile(path("odd.pls"), lines));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].location, "one");  // cut at the CR: "two" is lost with it
    EXPECT_EQ(lines[1].location, std::string(259, 'x'));
    EXPECT_EQ(lines[2].location, std::string(259, 'x'));
    EXPECT_EQ(lines[3].location, std::string(82, 'x'));
    EXPECT_EQ(lines[4].location, "last");
    EXPECT_FALSE(readPlaylistFile(path("none.pls"), lines));

    // A playlist naming itself ends instead of recursing for ever.
    write("self.m3u", path("self.m3u") + "\r\n" + "tone://5\r\n");
    Playlist self;
    addPath(self, path("self.m3u"), false);
    EXPECT_FALSE(self.empty());

    Playlist saved;
    saved.append("C:\\Music\\a.mp3", {"Artist \xE2\x80\x93 Title", 215});
    saved.append("tone://440");
    ASSERT_TRUE(savePlaylist(saved, path("Tumbor.pls")));
    std::ifstream in(path("Tumbor.pls"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "[playlist]\r\nFile1=C:\\Music\\a.mp3\r\nTitle1=Artist \xE2\x80\x93 Title\r\nLength1=215\r\n"
              "File2=tone://440\r\nNumberOfEntries=2\r\nVersion=2\r\n");
    EXPECT_FALSE(savePlaylist(saved, path("no/such/folder/x.pls")));
}

}  // namespace
}  // namespace tumbor

namespace tumbor {
namespace {

TEST(PlaylistFormatTest, ReadsEveryKindOfPlaylistText) {
    const std::vector<PlaylistItem> titled = {{"a.mp3", {"Дождь – 雨", 215}}, {"b.flac", {}}};
    const struct {
        const char* what;
        std::string bytes;
        std::vector<PlaylistItem> items;
    } cases[] = {
        {"M3U8 with EXTINF", "#EXTM3U\n#EXTINF:215,Дождь – 雨\na.mp3\n\n# a comment\nb.flac\n", titled},
        {"byte-order mark, CR LF", "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:215,Дождь – 雨\r\na.mp3\r\nb.flac\r\n",
         titled},
        {"ANSI M3U",
         "#EXTINF:-1,Bj\xF6rk \x96 J\xF3ga\nj\xF3ga.flac\n",
         {{"jóga.flac", {"Björk – Jóga", -1}}}},
        {"EXTINF with attributes", "#EXTINF:12 tvg-id=\"x\",A, B\nc.ogg\n", {{"c.ogg", {"A, B", 12}}}},
        {"PLS section",
         "[Playlist]\nNumberOfEntries=2\nFile2=b.flac\nTitle1=Дождь – 雨\nLength1=215\nFile1=a.mp3\n"
         "Length2=-1\nVersion=2\n",
         titled},
        {"plain lines", "a.mp3\nb.flac", {{"a.mp3", {}}, {"b.flac", {}}}},
    };
    for (const auto& test : cases) EXPECT_EQ(parsePlaylist(test.bytes), test.items) << test.what;
    // A long line of two-byte characters splits at 259 characters, not bytes.
    std::string cyrillic;
    for (int i = 0; i < 300; ++i) cyrillic += "Д";
    const std::vector<PlaylistItem> pieces = parsePlaylist(cyrillic + "\n");
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].location.size(), 2u * 259);

    // What is written reads back the same, in every format; M3U falls back to
    // UTF-8 only when the code page lacks a character.
    const std::vector<PlaylistItem> saved = {
        {"C:\\Музыка\\雨.mp3", {"Дождь – 雨", 215}}, {"C:\\b.flac", {"two\nlines", -1}}, {"tone://440", {}}};
    std::vector<PlaylistItem> expected = saved;
    expected[1].details.title = "two lines";
    for (PlaylistFormat format : {PlaylistFormat::m3u8, PlaylistFormat::m3u, PlaylistFormat::pls})
        EXPECT_EQ(parsePlaylist(formatPlaylist(saved, format)), expected) << static_cast<int>(format);
    EXPECT_EQ(formatPlaylist({{"j\xC3\xB3ga.flac", {}}}, PlaylistFormat::m3u), "#EXTM3U\r\nj\xF3ga.flac\r\n");
    EXPECT_EQ(formatPlaylist(saved, PlaylistFormat::m3u).substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(playlistFormatFor("x.M3U8"), PlaylistFormat::m3u8);
    EXPECT_TRUE(isPlaylistFileName("list.M3u8"));
}

}  // namespace
}  // namespace tumbor

namespace tumbor {
namespace {

// A reader over a fake library that counts what it reads; the test waits on
// the announcements as the window thread would on its posted message.
class DetailsReaderTest : public ::testing::Test {
protected:
    EntryDetails read(const std::string& path) {
        std::lock_guard<std::mutex> hold(lock_);
        ++reads_[path];
        return {"Title of " + path, static_cast<int>(path.size())};
    }
    void announced() {
        std::lock_guard<std::mutex> hold(lock_);
        ++announcements_;
        changed_.notify_all();
    }
    // Takes results until count arrived, as the window would on each message.
    void collect(DetailsReader& reader, Playlist& playlist, size_t count) {
        size_t got = 0;
        while (got < count) {
            {
                std::unique_lock<std::mutex> hold(lock_);
                ASSERT_TRUE(
                    changed_.wait_for(hold, std::chrono::seconds(10), [&] { return announcements_ > 0; }));
                announcements_ = 0;
            }
            const std::vector<std::pair<std::string, EntryDetails>> results = reader.takeResults();
            playlist.setDetails(results);
            got += results.size();
        }
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::map<std::string, int> reads_;
    int announcements_ = 0;
};

TEST_F(DetailsReaderTest, ReadsEveryFileOnceInTheBackground) {
    Playlist playlist;
    for (int i = 0; i < 2000; ++i) playlist.append("song" + std::to_string(i % 1000) + ".ogg");
    playlist.append("tone://440");
    playlist.append("titled.mp3", {"From the playlist", 12});
    {
        DetailsReader reader([this](const std::string& path) { return read(path); }, [this] { announced(); });
        // Asked again while reading (the list changed twice): still one read per file.
        reader.request(entriesWithoutDetails(playlist));
        reader.request(entriesWithoutDetails(playlist));
        collect(reader, playlist, 1000);
        reader.request(entriesWithoutDetails(playlist));
    }
    EXPECT_EQ(reads_.size(), 1000u) << "no location, nothing known already";
    for (const auto& [path, count] : reads_) EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(playlist.details(1500), (EntryDetails{"Title of song500.ogg", 11}));
    EXPECT_EQ(entriesWithoutDetails(playlist), std::vector<std::string>{"tone://440"});

    // Destroyed with a long queue, the reader stops after the file in hand.
    std::atomic<int> slowReads{0};
    {
        DetailsReader reader(
            [&](const std::string&) {
                ++slowReads;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return EntryDetails{};
            },
            [] {});
        std::vector<std::string> many;
        for (int i = 0; i < 10000; ++i) many.push_back("slow" + std::to_string(i) + ".wav");
        reader.request(many);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(slowReads.load(), 100);
}

}  // namespace
}  // namespace tumbor
