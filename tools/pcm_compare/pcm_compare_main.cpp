// pcm-compare: compares two files of 16-bit little-endian PCM sample by
// sample, for the end-to-end tests that hold one decoder's output against
// another's.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: pcm-compare [options] A B\n"
    "  Compares the 16-bit samples of A and B; exits 1 when they differ.\n"
    "options:\n"
    "  --skip-a BYTES, --skip-b BYTES   leading bytes to ignore (44 for a WAV header)\n"
    "  --double-b        B is mono: each of its samples stands for two of A's\n"
    "  --from SAMPLE     compare from this sample of A on (the lengths still count)\n"
    "  --tolerance T     largest allowed difference (default 0)\n"
    "  --same-length     A and B must hold the same number of samples\n"
    "  --prefix          A must not hold more samples than B (B may go on)\n"
    "  --silent-tail N   A must hold B's samples and may go on past B's end by\n"
    "                    fewer than N samples, all of them 0\n";

struct Options {
    long skipA = 0, skipB = 0, from = 0, tolerance = 0, silentTail = -1;
    bool doubleB = false, sameLength = false, prefix = false;
    std::string a, b;
};

std::vector<short> readSamples(const std::string& path, long skip, bool& ok) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ok = static_cast<bool>(file) || file.eof();
    std::vector<short> samples;
    for (size_t i = static_cast<size_t>(skip); i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<short>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    return samples;
}

bool parse(int argc, char** argv, Options& options) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--skip-a" && hasValue)
            options.skipA = std::atol(argv[++i]);
        else if (arg == "--skip-b" && hasValue)
            options.skipB = std::atol(argv[++i]);
        else if (arg == "--from" && hasValue)
            options.from = std::atol(argv[++i]);
        else if (arg == "--tolerance" && hasValue)
            options.tolerance = std::atol(argv[++i]);
        else if (arg == "--silent-tail" && hasValue)
            options.silentTail = std::atol(argv[++i]);
        else if (arg == "--double-b")
            options.doubleB = true;
        else if (arg == "--same-length")
            options.sameLength = true;
        else if (arg == "--prefix")
            options.prefix = true;
        else if (arg.rfind("--", 0) == 0)
            return false;
        else
            files.push_back(arg);
    }
    if (files.size() != 2) return false;
    options.a = files[0];
    options.b = files[1];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    bool okA = false, okB = false;
    std::vector<short> a = readSamples(options.a, options.skipA, okA);
    std::vector<short> b = readSamples(options.b, options.skipB, okB);
    if (!okA || !okB) {
        std::fprintf(stderr, "pcm-compare: cannot read %s\n", okA ? options.b.c_str() : options.a.c_str());
        return 2;
    }
    if (options.doubleB) {
        std::vector<short> doubled;
        for (short sample : b) doubled.insert(doubled.end(), 2, sample);
        b.swap(doubled);
    }
    size_t differing = 0;
    long largest = 0;
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = static_cast<size_t>(options.from); i < common; ++i) {
        long difference = std::labs(static_cast<long>(a[i]) - b[i]);
        if (difference > largest) largest = difference;
        if (difference > options.tolerance) ++differing;
    }
    std::printf("%zu and %zu samples; %zu differ by more than %ld from sample %ld; largest difference %ld\n",
                a.size(), b.size(), differing, options.tolerance, options.from, largest);
    bool lengthOk =
        (!options.sameLength || a.size() == b.size()) && (!options.prefix || a.size() <= b.size());
    if (options.silentTail >= 0) {
        size_t sounding = 0;
        for (size_t i = common; i < a.size(); ++i)
            if (a[i] != 0) ++sounding;
        size_t tail = a.size() - common;
        std::printf("%zu samples past B's end, %zu of them not 0\n", tail, sounding);
        lengthOk = lengthOk && a.size() >= b.size() && tail < static_cast<size_t>(options.silentTail) &&
                   sounding == 0;
    }
    return differing == 0 && lengthOk ? 0 : 1;
}
