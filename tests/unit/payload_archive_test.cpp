// The payload archive: written and read back through folders on disk, the
// layout the installer relies on, progress, and archives that are cut,
// hostile or lying about their lengths.
#include "installer/payload_archive.h"

#include <gtest/gtest.h>

#include "installer/payload_list.h"
#include "platform/dynamic_library.h"
#include "tests/unit/installer_test_support.h"

namespace tumbor::installer {
namespace {

using testing::installerWith;
using testing::installerWithRecords;
using testing::MemoryTarget;
using testing::pattern;
using testing::TempFolder;
namespace fs = std::filesystem;

std::string join(const std::string& folder, const std::string& name) {
    return folder + platform::pathSeparator() + name;
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

UnpackResult unpackInto(const std::vector<uint8_t>& file, UnpackTarget& target,
                        std::vector<int>* progress = nullptr) {
    MemorySource source(file);
    return unpackArchive(source, target, [progress](int percent) {
        if (progress) progress->push_back(percent);
    });
}

// Every file and folder under root, relative, with "/" after folders.
std::set<std::string> treeOf(const fs::path& root) {
    std::set<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        tree.insert(fs::relative(entry.path(), root).generic_string() + (entry.is_directory() ? "/" : ""));
    return tree;
}

TEST(PayloadArchiveTest, TreeWithEmptyFoldersAndAnEmptyFileSurvivesTheRoundTrip) {
    TempFolder source, installed;
    fs::create_directories(source.path() / "Designs" / "TumborR");
    fs::create_directories(source.path() / "Skins");
    fs::create_directories(source.path() / "Plugins" / "Empty");
    const std::vector<uint8_t> big = pattern(3 * kCopyBufferSize + 5, 1), small = pattern(300, 2);
    testing::writeFile(source.path() / "Designs" / "TumborR" / "back.bmp", big);
    testing::writeFile(source.path() / "Tumbor.exe", small);
    testing::writeFile(source.path() / "zero.bin", {});
    const std::string list =
        "Designs\\\n  TumborR\\\n    back.bmp\n  ..\n..\nSkins\\\n..\n"
        "Plugins\\\nEmpty\\\n..\n..\nTumbor.exe\nzero.bin\n";
    std::vector<PayloadEntry> entries;
    std::string error;
    ASSERT_TRUE(parsePayloadList(list, entries, error)) << error;
    const std::vector<uint8_t> file = installerWith([&](ArchiveWriter& writer) {
        ASSERT_TRUE(packPayload(entries, source.withSeparator(), writer, error)) << error;
    });

    // The layout: image, records, N = records + 4, "TBWD" at the very end.
    const std::size_t image = testing::programImage().size();
    ASSERT_GT(file.size(), image + 8);
    EXPECT_EQ(std::string(file.end() - 4, file.end()), "TBWD");
    const uint32_t total = file[file.size() - 8] | file[file.size() - 7] << 8 | file[file.size() - 6] << 16 |
                           static_cast<uint32_t>(file[file.size() - 5]) << 24;
    EXPECT_EQ(total, file.size() - image - 4) << "the records start right after the image";
    EXPECT_EQ(file[image], kTagFolder);
    EXPECT_EQ(file[file.size() - 9], kTagEnd);

    FolderTarget target(installed.withSeparator());
    ASSERT_TRUE(unpackInto(file, target).ok());
    EXPECT_EQ(treeOf(installed.path()), treeOf(source.path()));
    EXPECT_EQ(testing::readFile(installed.path() / "Designs" / "TumborR" / "back.bmp"), big);
    EXPECT_EQ(testing::readFile(installed.path() / "Tumbor.exe"), small);
    EXPECT_TRUE(fs::is_regular_file(installed.path() / "zero.bin"));
    EXPECT_EQ(fs::file_size(installed.path() / "zero.bin"), 0u);
}

TEST(PayloadArchiveTest, AnUpdateReusesFoldersOverwritesItsFilesAndKeepsTheOthers) {
    TempFolder installed;
    fs::create_directories(installed.path() / "Designs");
    testing::writeFile(installed.path() / "Designs" / "mine.bmp", bytesOf("mine"));
    testing::writeFile(installed.path() / "Designs" / "shipped.bmp",
                       pattern(5000, 3));  // longer than the new one
    testing::writeFile(installed.path() / "Tumbor.ini", bytesOf("[General]\r\nX=1\r\n"));
    const std::vector<uint8_t> file = installerWith([](ArchiveWriter& writer) {
        writer.folder("Designs");
        writer.file("shipped.bmp", bytesOf("new"));
        writer.up();
    });
    FolderTarget target(installed.withSeparator());
    ASSERT_TRUE(unpackInto(file, target).ok());
    EXPECT_EQ(testing::readFile(installed.path() / "Designs" / "shipped.bmp"), bytesOf("new"));
    EXPECT_EQ(testing::readFile(installed.path() / "Designs" / "mine.bmp"), bytesOf("mine"));
    EXPECT_EQ(testing::readFile(installed.path() / "Tumbor.ini"), bytesOf("[General]\r\nX=1\r\n"));
}

TEST(PayloadArchiveTest, UnknownTagsBetweenRecordsAreSkipped) {
    const std::vector<uint8_t> records = {0x07, kTagFolder, 1, 'a', 0x07, 0xFF, kTagFile, 1,    'f',    2,
                                          0,    0,          0, 'h', 'i',  0x07, kTagUp,   0x07, kTagEnd};
    MemoryTarget target;
    ASSERT_TRUE(unpackInto(installerWithRecords(records), target).ok());
    EXPECT_EQ(target.operations, (std::vector<std::string>{"folder a", "file " + join("a", "f")}));
    EXPECT_EQ(target.files[join("a", "f")], bytesOf("hi"));
}

TEST(PayloadArchiveTest, ProgressFollowsThePiecesOfLargeArchivesOnly) {
    // Records of 95 bytes: N = 99, N / 100 = 0, so the bar is never touched.
    const std::vector<uint8_t> small = installerWith([](ArchiveWriter& writer) {
        writer.file("a", pattern(95 - 7 - 7 - 1, 4));
        writer.file("b", {});
    });
    MemoryTarget target;
    std::vector<int> progress;
    ASSERT_TRUE(unpackInto(small, target, &progress).ok());
    EXPECT_EQ(target.files.size(), 2u);
    EXPECT_TRUE(progress.empty()) << progress.size() << " updates";

    // Before each 32768-byte piece: (position - archive start) / (N / 100).
    const uint32_t firstHeader = 1 + 1 + 5 + 4, firstRecord = firstHeader + 93, secondHeader = 1 + 1 + 1 + 4;
    const uint32_t secondSize = 2 * kCopyBufferSize + 1;
    const uint32_t step = (firstRecord + secondHeader + secondSize + 1 + 4) / 100;
    const std::vector<uint8_t> large = installerWith([&](ArchiveWriter& writer) {
        writer.file("first", pattern(93, 5));
        writer.file("f", pattern(secondSize, 6));
    });
    ASSERT_TRUE(unpackInto(large, target, &progress).ok());
    const uint32_t second = firstRecord + secondHeader;
    EXPECT_EQ(progress, (std::vector<int>{int(firstHeader / step), int(second / step),
                                          int((second + kCopyBufferSize) / step),
                                          int((second + 2 * kCopyBufferSize) / step)}));
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress[2], 50);

    // N = 129: the second file's position, 114, would be 114 per cent.
    progress.clear();
    const std::vector<uint8_t> overshoot = installerWith([](ArchiveWriter& writer) {
        writer.file("a", pattern(100, 7));
        writer.file("b", pattern(10, 8));
    });
    ASSERT_TRUE(unpackInto(overshoot, target, &progress).ok());
    EXPECT_EQ(progress, (std::vector<int>{7, 100}));
}

TEST(PayloadArchiveTest, PlainNamesOnly) {
    for (const char* good :
         {"Tumbor.exe", "Strm_TRK.DLL", "a b", ".hidden", "con2", "COM0", "x..y", "\xE9t\xE9"})
        EXPECT_TRUE(isPlainName(good)) << good;
    EXPECT_TRUE(isPlainName(std::string(255, 'n')));
    EXPECT_FALSE(isPlainName(std::string(256, 'n')));
    for (const char* bad :
         {"",        ".",   "..",      "...",  "a\\b", "a/b",      "C:x",    "x:",      "bad\x01", "tab\t",
          "del\x7F", "a*",  "a?",      "a\"b", "a<b",  "a>b",      "a|b",    "name.",   "name ",   "CON",
          "con.txt", "nul", "Aux.dll", "PRN",  "com1", "LPT9.bmp", "conin$", "CON .txt"})
        EXPECT_FALSE(isPlainName(bad)) << "\"" << bad << "\"";
}

// Each hostile name as a file and as a folder record, with a harmless file
// behind it: nothing of it is written, and unpacking stops there.
TEST(PayloadArchiveTest, HostileNamesStopUnpackingBeforeAnythingIsWritten) {
    for (const std::string& name :
         std::vector<std::string>{"..", ".", "..\\evil.exe", "../evil", "C:\\evil", "c:evil", "evil\x01",
                                  "con", std::string(1, '\0')}) {
        for (uint8_t tag : {kTagFile, kTagFolder}) {
            std::vector<uint8_t> records = {tag, static_cast<uint8_t>(name.size())};
            records.insert(records.end(), name.begin(), name.end());
            if (tag == kTagFile) records.insert(records.end(), {1, 0, 0, 0, 'x'});
            records.insert(records.end(), {kTagFile, 1, 'k', 0, 0, 0, 0, kTagEnd});
            MemoryTarget target;
            const UnpackResult result = unpackInto(installerWithRecords(records), target);
            EXPECT_EQ(result.status, UnpackStatus::badName) << "tag " << int(tag) << " name " << name;
            EXPECT_TRUE(target.operations.empty()) << "tag " << int(tag) << " name " << name;
        }
    }
    // An empty name would make the current folder its own child.
    MemoryTarget target;
    EXPECT_EQ(unpackInto(installerWithRecords(
                             {kTagFolder, 0, kTagUp, kTagUp, kTagFile, 1, 'x', 0, 0, 0, 0, kTagEnd}),
                         target)
                  .status,
              UnpackStatus::badName);
    EXPECT_TRUE(target.operations.empty());
}

TEST(PayloadArchiveTest, AnUpRecordCannotLeaveTheInstallationFolder) {
    TempFolder outer;
    fs::create_directories(outer.path() / "install");
    const std::vector<uint8_t> records = {kTagFolder, 1,   'a', kTagUp, kTagUp, kTagFile, 4,   'e',    'v',
                                          'i',        'l', 1,   0,      0,      0,        'x', kTagEnd};
    FolderTarget target((outer.path() / "install" / "").string());
    EXPECT_EQ(unpackInto(installerWithRecords(records), target).status, UnpackStatus::badNesting);
    EXPECT_EQ(treeOf(outer.path()), (std::set<std::string>{"install/", "install/a/"}));
}

// The archive cut at every length: as a file that simply ends there, and as
// records that end there under a correct length field. Unpacking fails, only
// inside the folder, and leaves no file shorter than it should be.
TEST(PayloadArchiveTest, CutArchivesFailWithoutWritingOutsideTheFolderOrLeavingCutFiles) {
    const std::vector<uint8_t> whole = installerWith([](ArchiveWriter& writer) {
        writer.folder("d");
        writer.file("one", pattern(40, 8));
        writer.up();
        writer.file("two", pattern(200, 9));
    });
    const std::size_t image = testing::programImage().size();
    const std::size_t recordsEnd = whole.size() - 8;
    TempFolder outer;
    for (std::size_t cut = 0; cut < whole.size(); cut += (cut < image ? 250 : 1)) {
        for (bool withTrailer : {false, true}) {
            if (withTrailer && (cut < image || cut >= recordsEnd - 1)) continue;
            std::vector<uint8_t> file;
            if (withTrailer) {
                file = installerWithRecords(std::vector<uint8_t>(whole.begin() + image, whole.begin() + cut));
            } else {
                file.assign(whole.begin(), whole.begin() + cut);
            }
            const fs::path folder = outer.path() / "install";
            fs::create_directories(folder);
            FolderTarget target((folder / "").string());
            const UnpackResult result = unpackInto(file, target);
            EXPECT_FALSE(result.ok()) << "cut at " << cut << (withTrailer ? " with a trailer" : "");
            // No record at all is no archive; a part of them, a cut one.
            if (withTrailer && cut > image) {
                EXPECT_EQ(result.status, UnpackStatus::truncated) << "cut at " << cut;
            }
            const std::set<std::string> tree = treeOf(outer.path());
            for (const std::string& entry : tree)
                EXPECT_EQ(entry.rfind("install", 0), 0u) << entry << " written outside, cut at " << cut;
            if (tree.count("install/d/one")) {
                EXPECT_EQ(fs::file_size(folder / "d" / "one"), 40u) << cut;
            }
            if (tree.count("install/two")) {
                EXPECT_EQ(fs::file_size(folder / "two"), 200u) << cut;
            }
            fs::remove_all(folder);
        }
    }
}

TEST(PayloadArchiveTest, LengthsThatPointOutsideTheFileOrRecordsAreRefused) {
    std::vector<uint8_t> file = installerWithRecords({kTagFile, 1, 'x', 0, 0, 0, 0, kTagEnd});
    const auto withTotal = [&](uint32_t total) {
        std::vector<uint8_t> changed = file;
        for (int i = 0; i < 4; ++i) changed[changed.size() - 8 + i] = static_cast<uint8_t>(total >> (8 * i));
        return changed;
    };
    for (uint32_t total : {0u, 1u, 4u, static_cast<uint32_t>(file.size() - 3), 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        MemoryTarget target;
        EXPECT_EQ(unpackInto(withTotal(total), target).status, UnpackStatus::noArchive) << total;
        EXPECT_TRUE(target.operations.empty());
    }
    // N reaching back to the file's first byte reads the image as records:
    // whatever comes of it has plain names only.
    MemoryTarget target;
    unpackInto(withTotal(static_cast<uint32_t>(file.size() - 4)), target);
    for (const std::string& operation : target.operations) {
        std::string path = operation.substr(operation.find(' ') + 1);
        for (std::size_t cut; (cut = path.find(platform::pathSeparator())) != std::string::npos;
             path.erase(0, cut + 1))
            EXPECT_TRUE(isPlainName(path.substr(0, cut))) << operation;
        EXPECT_TRUE(isPlainName(path)) << operation;
    }
    MemoryTarget tooShort;
    EXPECT_EQ(unpackInto({'T', 'B', 'W', 'D'}, tooShort).status, UnpackStatus::noArchive);
    // Without its marker the file does not end with an archive, whatever N says.
    std::vector<uint8_t> unmarked = file;
    unmarked.back() = 'X';
    MemoryTarget noMarker;
    EXPECT_EQ(unpackInto(unmarked, noMarker).status, UnpackStatus::noArchive);
    EXPECT_TRUE(noMarker.operations.empty());

    // A file record claiming more bytes than the records hold creates no file.
    for (uint32_t size : {3u, 0x10000u, 0xFFFFFFFFu}) {
        MemoryTarget claimed;
        const std::vector<uint8_t> records = {kTagFile,
                                              1,
                                              'x',
                                              static_cast<uint8_t>(size),
                                              static_cast<uint8_t>(size >> 8),
                                              static_cast<uint8_t>(size >> 16),
                                              static_cast<uint8_t>(size >> 24),
                                              'a',
                                              kTagEnd};
        EXPECT_EQ(unpackInto(installerWithRecords(records), claimed).status, UnpackStatus::truncated) << size;
        EXPECT_TRUE(claimed.operations.empty()) << size;
    }
}

TEST(PayloadArchiveTest, FailuresToCreateOrWriteStopUnpackingAndRemoveTheCutFile) {
    const std::vector<uint8_t> file = installerWith([](ArchiveWriter& writer) {
        writer.file("first", bytesOf("ok"));
        writer.folder("d");
        writer.file("Tumbor.exe", pattern(kCopyBufferSize + 100, 10));
        writer.up();
        writer.file("last", bytesOf("never"));
    });
    const std::string program = join("d", "Tumbor.exe");

    MemoryTarget refused;
    refused.refusedFiles.insert(program);
    UnpackResult result = unpackInto(file, refused);
    EXPECT_EQ(result.status, UnpackStatus::cannotCreateFile);
    EXPECT_EQ(result.path, program);
    EXPECT_EQ(refused.files.count("first"), 1u) << "what came before stays";
    EXPECT_EQ(refused.files.count("last"), 0u);

    MemoryTarget full;
    full.writeLimit = kCopyBufferSize;  // the second piece fails
    result = unpackInto(file, full);
    EXPECT_EQ(result.status, UnpackStatus::writeFailed);
    EXPECT_EQ(result.path, program);
    EXPECT_EQ(full.operations.back(), "remove " + program);
    EXPECT_EQ(full.files.count(program), 0u);

    MemoryTarget unflushed;
    unflushed.closeFails = true;
    EXPECT_EQ(unpackInto(file, unflushed).status, UnpackStatus::writeFailed);
    EXPECT_EQ(unflushed.files.count("first"), 0u) << "a file that did not close whole is removed";

    MemoryTarget noFolder;
    noFolder.refusedFolders.insert("d");
    result = unpackInto(file, noFolder);
    EXPECT_EQ(result.status, UnpackStatus::cannotCreateFolder);
    EXPECT_EQ(result.path, "d");
    EXPECT_EQ(noFolder.files.size(), 1u) << "nothing goes into another folder instead";
}

TEST(PayloadArchiveTest, UnpackMakesTheFolderCurrentAndReadsTheInstallersFile) {
    TempFolder folder;
    const fs::path installer = folder.path() / "TumborSetup.exe";
    testing::writeFile(installer,
                       installerWith([](ArchiveWriter& writer) { writer.file("Tumbor.exe", bytesOf("x")); }));
    fs::create_directories(folder.path() / "Tumbor");
    const std::string installPath = (folder.path() / "Tumbor" / "").string();
    FolderTarget target(installPath);
    const fs::path before = fs::current_path();
    EXPECT_TRUE(unpack(installer.string(), installPath, platform::systemFolders(), target, nullptr).ok());
    EXPECT_TRUE(fs::equivalent(fs::current_path(), folder.path() / "Tumbor"));
    EXPECT_TRUE(fs::exists(folder.path() / "Tumbor" / "Tumbor.exe"));

    const UnpackResult missing = unpack((folder.path() / "none.exe").string(), installPath,
                                        platform::systemFolders(), target, nullptr);
    EXPECT_EQ(missing.status, UnpackStatus::cannotOpen);
    EXPECT_EQ(unpack(installer.string(), (folder.path() / "nowhere" / "").string(), platform::systemFolders(),
                     target, nullptr)
                  .status,
              UnpackStatus::noFolder);
    fs::current_path(before);
    EXPECT_EQ(unpackFailureText({UnpackStatus::writeFailed, "Tumbor.exe"}, "C:\\Tumbor\\"),
              "Could not write the file C:\\Tumbor\\Tumbor.exe (Not enough space left on the drive?).");
    EXPECT_EQ(unpackFailureText({UnpackStatus::badName, "a\x01"}, ""),
              "The setup program is damaged: it holds the name \"a?\", which is not a plain file name.");
}

TEST(ArchiveWriterTest, RefusesWhatTheReaderWouldRefuse) {
    installer::VectorSink sink;
    ArchiveWriter badName(sink);
    EXPECT_FALSE(badName.file("..", {}));
    EXPECT_NE(badName.error().find("\"..\""), std::string::npos);
    EXPECT_FALSE(badName.finish()) << "an archive that failed once stays failed";

    ArchiveWriter loose(sink);
    EXPECT_FALSE(loose.up());
    ArchiveWriter open(sink);
    EXPECT_TRUE(open.folder("a"));
    EXPECT_FALSE(open.finish());
    ArchiveWriter missing(sink);
    EXPECT_FALSE(missing.fileFrom("x", "/no/such/file"));
    ArchiveWriter ended(sink);
    EXPECT_TRUE(ended.finish());
    EXPECT_FALSE(ended.finish());
    EXPECT_FALSE(ended.file("late", {}));
}

}  // namespace
}  // namespace tumbor::installer
