// The input services lent to modules, over memory and over a real file.
#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "player/engine/input_services.h"
#include "tests/unit/sound_files.h"

namespace tumbor {
namespace {

StreamModule servicesOver(const testing::Bytes& bytes) {
    attachInput(std::make_unique<MemorySource>(bytes));
    StreamModule module{};
    installInputServices(module);
    return module;
}

TEST(InputServicesTest, SeekingIsBoundedBySize) {
    StreamModule io = servicesOver(testing::countingBytes(10));
    EXPECT_EQ(io.ioSize(), 10u);
    EXPECT_EQ(io.ioTell(), 0u);
    EXPECT_EQ(io.ioEof(), 0);

    EXPECT_EQ(io.ioSeek(4), 1);
    EXPECT_EQ(io.ioSeek(11), 0);  // size + 1: refused, position unchanged
    EXPECT_EQ(io.ioTell(), 4u);
    EXPECT_EQ(io.ioEof(), 0);

    EXPECT_EQ(io.ioSeek(10), 1);  // exactly the size is allowed, and is the end
    EXPECT_EQ(io.ioTell(), 10u);
    EXPECT_EQ(io.ioEof(), 1);
    EXPECT_EQ(io.ioSeek(0), 1);
    EXPECT_EQ(io.ioEof(), 0);
    detachInput();
}

TEST(InputServicesTest, ReadCountsWholeItems) {
    StreamModule io = servicesOver(testing::countingBytes(10));
    uint8_t buffer[16] = {};
    EXPECT_EQ(io.ioRead(buffer, 4, 3), 2);  // 10 bytes: two whole items
    EXPECT_EQ(io.ioTell(), 10u);            // the partial item's bytes are consumed too
    EXPECT_EQ(buffer[9], 10);
    EXPECT_EQ(io.ioEof(), 1);

    io.ioSeek(8);
    EXPECT_EQ(io.ioRead(buffer, 1, 2), 2);  // ends exactly at the size
    EXPECT_EQ(io.ioEof(), 1);
    io.ioSeek(2);
    EXPECT_EQ(io.ioRead(buffer, 3, 1), 1);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(io.ioEof(), 0);

    EXPECT_EQ(io.ioRead(buffer, 0, 5), 0);
    EXPECT_EQ(io.ioRead(buffer, 5, -1), 0);
    EXPECT_EQ(io.ioRead(nullptr, 1, 1), 0);
    EXPECT_EQ(io.ioTell(), 5u);
    detachInput();
}

TEST(InputServicesTest, NullServicesAnswerZero) {
    StreamModule module{};
    installNullInputServices(module);
    uint8_t byte = 0;
    EXPECT_EQ(module.ioTell(), 0u);
    EXPECT_EQ(module.ioSize(), 0u);
    EXPECT_EQ(module.ioSeek(0), 0);
    EXPECT_EQ(module.ioRead(&byte, 1, 1), 0);
    EXPECT_EQ(module.ioEof(), 0);
}

TEST(InputServicesTest, FileSourceMeasuresSizeAtOpen) {
    const char* path = "input_services_test.bin";
    std::FILE* out = std::fopen(path, "wb");
    ASSERT_NE(out, nullptr);
    testing::Bytes bytes = testing::countingBytes(300);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);

    std::unique_ptr<FileSource> file = FileSource::open(path);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->size(), 300u);
    attachInput(std::move(file));
    StreamModule io{};
    installInputServices(io);
    uint8_t buffer[8];
    io.ioSeek(296);
    EXPECT_EQ(io.ioRead(buffer, 1, 8), 4);
    EXPECT_EQ(buffer[3], static_cast<uint8_t>(300));
    io.ioSeek(1);  // backwards after hitting the end
    EXPECT_EQ(io.ioRead(buffer, 2, 1), 1);
    EXPECT_EQ(buffer[0], 2);
    detachInput();
    std::remove(path);

    EXPECT_EQ(FileSource::open("no such file.wav"), nullptr);
}

TEST(InputServicesTest, CallsFromTwoThreadsStayConsistent) {
    // The output thread reads while the window thread asks for the position:
    // every answer must be an offset some read actually left.
    StreamModule io = servicesOver(testing::Bytes(1 << 16, 7));
    std::thread reader([&] {
        uint8_t buffer[64];
        for (int i = 0; i < 1024; ++i) io.ioRead(buffer, 64, 1);
    });
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(io.ioTell() % 64, 0u);
    reader.join();
    EXPECT_EQ(io.ioTell(), 1u << 16);
    detachInput();
}

}  // namespace
}  // namespace tumbor
