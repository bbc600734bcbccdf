// Helpers shared by the window tests.
#include "tests/unit/window_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "player/window/bmp_writer.h"

namespace tumbor::testing {
std::vector<uint8_t> bmpFile(int width, int height, int bits, uint32_t compression, uint32_t coloursUsed,
                             const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out = window::bmpHeaders(width, height, bits, compression, coloursUsed,
                                                  static_cast<uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

TempFolder::TempFolder() {
    folder_ = std::filesystem::absolute(::testing::TempDir()) /
              ("tumbor_window_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string TempFolder::path(const std::string& name) const {
    return name.empty() ? folder_.string() : (folder_ / name).string();
}

void TempFolder::write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
}

void TempFolder::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tumbor::testing
