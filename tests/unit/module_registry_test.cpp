// Building the registry from real library files and probing files with it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/utf8_files.h"
#include "player/engine/input_services.h"
#include "player/engine/library_copies.h"
#include "player/engine/module_loader.h"
#include "player/engine/module_registry.h"
#include "tests/unit/sound_files.h"

namespace tumbor {
namespace {

std::string libraryName(const std::string& base) {
    return base + (platform::pathSeparator() == '\\' ? ".DLL" : ".so");
}

// The entries of one library; the other stream libraries built beside the
// test program come before or after them, in the directory search's order.
std::vector<const ModuleEntry*> entriesOf(const ModuleRegistry& registry, const std::string& file) {
    std::vector<const ModuleEntry*> found;
    for (const ModuleEntry& entry : registry.entries())
        if (entry.libraryFile == file) found.push_back(&entry);
    return found;
}

void writeFile(const std::string& path, const testing::Bytes& bytes) {
    std::FILE* out = platform::openFile(path, "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

TEST(ModuleRegistryTest, RegistersStrmPcmAndComposesFilter) {
    // The test program sits beside the libraries it was built with.
    ModuleRegistry registry;
    int window = 0;
    registry.build(platform::programFolder(), &window, "C:\\Tumbor\\Tumbor.ini");
    std::vector<const ModuleEntry*> pcm = entriesOf(registry, libraryName("Strm_PCM"));
    ASSERT_EQ(pcm.size(), 2u);
    const ModuleEntry& wavEntry = *pcm[0];
    EXPECT_EQ(wavEntry.index, 0);
    EXPECT_EQ(wavEntry.description, "WAV loader (8/16bits, mono/stereo) v1.10");
    EXPECT_EQ(wavEntry.version, 0x110u);
    EXPECT_EQ(pcm[1]->index, 1);
    EXPECT_EQ(pcm[1]->libraryHandle, wavEntry.libraryHandle);
    EXPECT_EQ(wavEntry.record->hostWindow, &window);
    EXPECT_EQ(wavEntry.record->libraryInstance, wavEntry.libraryHandle);
    EXPECT_STREQ(wavEntry.record->iniPath, "C:\\Tumbor\\Tumbor.ini");
    EXPECT_EQ(entriesOf(registry, libraryName("STRM_MPA")).size(), 1u);
    const std::string& filter = registry.openFilter();
    EXPECT_EQ(filter.rfind("All supported files|*.m3u;*.m3u8;*.pls;", 0), 0u) << filter;
    for (const char* part : {"|Playlists (*.m3u;*.m3u8;*.pls)|*.m3u;*.m3u8;*.pls|",
                             "|WAV files (*.wav)|*.wav|Creative labs(tm) VOC files (*.voc)|*.voc|",
                             "|MPEG I, II, II.5 layer 1,2,3 (*.mp1;*.mp2;*.mp3;*.mpa)|"})
        EXPECT_NE(filter.find(part), std::string::npos) << filter;
}

TEST(ModuleRegistryTest, StrmPcmAloneGivesExactFilter) {
    ModuleRegistry registry;
    registry.build(platform::programFolder() + "pcmonly", nullptr, "");
    ASSERT_EQ(registry.entries().size(), 2u);
    EXPECT_EQ(registry.openFilter(),
              "All supported files|*.m3u;*.m3u8;*.pls;*.wav;*.voc|"
              "Playlists (*.m3u;*.m3u8;*.pls)|*.m3u;*.m3u8;*.pls|"
              "WAV files (*.wav)|*.wav|"
              "Creative labs(tm) VOC files (*.voc)|*.voc|"
              "All files (*.*)|*.*||");
}

TEST(ModuleRegistryTest, EmptyFolderLeavesOnlyPlaylistsAndAllFiles) {
    ModuleRegistry registry;
    registry.build(platform::programFolder() + "no-such-folder", nullptr, "");
    EXPECT_TRUE(registry.entries().empty());
    EXPECT_EQ(registry.openFilter(),
              "All supported files|*.m3u;*.m3u8;*.pls|Playlists (*.m3u;*.m3u8;*.pls)|*.m3u;*.m3u8;*.pls|"
              "All files (*.*)|*.*||");
}

TEST(ModuleRegistryTest, AwkwardRecords) {
    ModuleRegistry registry;
    registry.build(platform::programFolder() + "fakelibs", nullptr, "");
    ASSERT_EQ(registry.entries().size(), 3u);
    EXPECT_EQ(registry.entries()[0].index, 1);  // nothing at 0 does not end the enumeration
    EXPECT_EQ(registry.entries()[1].index, 3);  // the record with a bad magic is skipped
    EXPECT_EQ(registry.entries()[2].index, 1048575);
    EXPECT_EQ(registry.openFilter(),
              "All supported files|*.m3u;*.m3u8;*.pls;*.aaa;*.bbb|"
              "Playlists (*.m3u;*.m3u8;*.pls)|*.m3u;*.m3u8;*.pls|"
              "Fake (*.aaa;*.bbb)|*.aaa;*.bbb|Fake locations|"
              "All files (*.*)|*.*||");

    // Only the extension's fields its library had are taken.
    EXPECT_NE(registry.entries()[0].extension.soundBytes, nullptr);
    EXPECT_EQ(registry.entries()[0].extension.getLoudness, nullptr);
    EXPECT_EQ(registry.extensionOf(registry.entries()[1].record).soundBytes, nullptr);

    // Song information goes to the first module that handles the name.
    EXPECT_TRUE(offerSongInfo(registry, "song.aaa"));
    EXPECT_FALSE(offerSongInfo(registry, "song.bbb"));
    EXPECT_FALSE(offerSongInfo(registry, nullptr));
}

TEST(ModuleRegistryTest, ProbingFollowsRegistryOrderAndLocationRule) {
    ModuleRegistry registry;
    registry.build(platform::programFolder(), nullptr, "");
    std::vector<const ModuleEntry*> pcm = entriesOf(registry, libraryName("Strm_PCM"));
    ASSERT_EQ(pcm.size(), 2u);
    ModuleRegistry fakes;
    fakes.build(platform::programFolder() + "fakelibs", nullptr, "");

    testing::VocSpec vocSpec;
    vocSpec.data = testing::countingBytes(100);
    writeFile("probe_test.wav", testing::makeVoc(vocSpec));  // the extension plays no part
    StreamModule* module = probeModules(registry, "probe_test.wav");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module, pcm[1]->record);
    EXPECT_STREQ(module->fileName, "probe_test.wav");
    EXPECT_TRUE(hasInput());
    unloadModule(*module);
    EXPECT_EQ(module->fileName, nullptr);
    EXPECT_FALSE(hasInput());

    writeFile("probe_test.txt", testing::countingBytes(200));
    EXPECT_EQ(probeModules(registry, "probe_test.txt"), nullptr);
    EXPECT_EQ(pcm[0]->record->fileName, nullptr);
    EXPECT_EQ(pcm[0]->record->errorText, nullptr);
    EXPECT_FALSE(hasInput());
    EXPECT_EQ(probeModules(registry, "missing.wav"), nullptr);
    EXPECT_EQ(unknownFormatMessage("missing.wav"), "Unknown file format : missing.wav");

    // Locations are offered only to ownInput modules, which get the null services.
    EXPECT_EQ(probeModules(registry, "fake://probe_test.wav"), nullptr);
    StreamModule* location = probeModules(fakes, "fake://somewhere");
    ASSERT_NE(location, nullptr);
    EXPECT_EQ(location, fakes.entries()[2].record);
    EXPECT_EQ(location->ioSize(), 0u);
    unloadModule(*location);

    std::remove("probe_test.wav");
    std::remove("probe_test.txt");
}

TEST(ModuleRegistryTest, ReadsDetailsThroughPrivateCopiesWhileASongPlays) {
    ModuleRegistry playing;
    playing.build(platform::programFolder(), nullptr, "");
    testing::WavSpec wav;
    wav.sampleRate = 8000;
    wav.channels = 1;
    wav.bitsPerSample = 8;
    wav.data = testing::Bytes(8000 * 3, 0x80);  // three seconds
    const std::string song = "Дождь – 雨.wav";
    writeFile(song, testing::makeWav(wav));
    StreamModule* module = probeModules(playing, song);
    ASSERT_NE(module, nullptr);
    ASSERT_TRUE(module->start());
    const uint32_t position = module->ioTell();

    {
        LibraryCopies copies(platform::programFolder());
        ASSERT_FALSE(copies.folder().empty());
        ModuleRegistry reader;
        reader.build(copies.folder(), nullptr, "");
        for (const ModuleEntry& copy : reader.entries())
            for (const ModuleEntry& original : playing.entries())
                ASSERT_NE(copy.record, original.record) << "the copies hold records of their own";
        const size_t opened = inputsAttached(InputSlot::reader);
        EXPECT_EQ(readEntryDetails(reader, song), (EntryDetails{song, 3, platform::WaveFormat{8000, 1, 8}}));
        EXPECT_EQ(inputsAttached(InputSlot::reader), opened + 1) << "every module probed reads one opening";
        EXPECT_EQ(readEntryDetails(reader, "missing.wav"), (EntryDetails{"missing.wav", -1}));
        EXPECT_FALSE(hasInput(InputSlot::reader));
        EXPECT_EQ(module->ioTell(), position) << "the song playing keeps its input";
        EXPECT_TRUE(hasInput());
    }
    unloadModule(*module);
    std::filesystem::remove(platform::fileSystemPath(song));
}

}  // namespace
}  // namespace tumbor
