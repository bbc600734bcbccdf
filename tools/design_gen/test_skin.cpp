// The coded test skin, as a folder and as a zip archive (through minizip).
#include "tools/design_gen/test_skin.h"

#include <zip.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>

#include "player/window/bmp_writer.h"
#include "player/window/file_names.h"

namespace tumbor::tools {

using window::Colour;
using window::Surface;

namespace {

struct Picture {
    const char* name;
    int width, height;
};
const Picture kPictures[] = {{"main.bmp", 275, 116},  {"CButtons.bmp", 136, 36}, {"TitleBar.bmp", 344, 87},
                             {"Posbar.bmp", 307, 10}, {"Volume.bmp", 68, 433},   {"MonoSter.bmp", 58, 24},
                             {"ShufRep.bmp", 92, 85}, {"Text.bmp", 155, 18},     {"Numbers.bmp", 99, 13},
                             {"eqmain.bmp", 275, 315}};
constexpr int kPictureCount = static_cast<int>(std::size(kPictures));

Surface testSkinPicture(int id) {
    const Picture& p = kPictures[id];
    Surface picture(p.width, p.height);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) picture.setPixel(x, y, testSkinPixel(id, x, y));
    return picture;
}

struct ZipCloser {
    void operator()(void* zip) const { zipClose(zip, nullptr); }
};

}  // namespace

Colour testSkinPixel(int id, int x, int y) {
    return window::rgb(x & 0xFF, y & 0xFF, id * 16 + (x >> 8) + (y >> 8) * 4);
}

bool writeTestSkin(const std::string& folder) {
    for (int id = 0; id < kPictureCount; ++id)
        if (!window::bmpSave(window::joinPath(folder, kPictures[id].name), testSkinPicture(id))) return false;
    return true;
}

bool writeZipArchive(const std::string& path, const std::vector<ArchiveMember>& members) {
    std::unique_ptr<void, ZipCloser> zip(zipOpen64(path.c_str(), APPEND_STATUS_CREATE));
    if (!zip) return false;
    for (const ArchiveMember& member : members) {
        zip_fileinfo info{};
        const int method = member.stored ? 0 : Z_DEFLATED;
        const int level = member.stored ? 0 : Z_DEFAULT_COMPRESSION;
        if (zipOpenNewFileInZip64(zip.get(), member.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  method, level, 0) != ZIP_OK)
            return false;
        const bool written = zipWriteInFileInZip(zip.get(), member.bytes.data(),
                                                 static_cast<unsigned>(member.bytes.size())) == ZIP_OK;
        if (zipCloseFileInZip(zip.get()) != ZIP_OK || !written) return false;
    }
    return zipClose(zip.release(), nullptr) == ZIP_OK;
}

std::vector<ArchiveMember> testSkinFiles() {
    std::vector<ArchiveMember> files;
    for (int id = 0; id < kPictureCount; ++id)
        files.push_back({kPictures[id].name, window::bmpEncode(testSkinPicture(id))});
    return files;
}

std::vector<ArchiveMember> testSkinArchiveMembers() {
    std::vector<ArchiveMember> members = testSkinFiles();
    for (size_t i = 0; i < members.size(); ++i) {
        std::string& name = members[i].name;
        for (char& c : name)
            c = static_cast<char>(i % 2 ? std::tolower(static_cast<unsigned char>(c))
                                        : std::toupper(static_cast<unsigned char>(c)));
        name = "TestSkin/" + name;
    }
    return members;
}

bool writeTestSkinArchive(const std::string& path) { return writeZipArchive(path, testSkinArchiveMembers()); }

}  // namespace tumbor::tools
