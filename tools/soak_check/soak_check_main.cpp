// tumbor-soak-check: compares the capture files of a played playlist (one a
// device opening, in order) with the renders of its entries, and reports
// every entry whose buffers did not all arrive once and in order.
//   usage: tumbor-soak-check [--offsets FILE] MANIFEST CAPTURE...
// MANIFEST has one tab-separated line per entry: song|endless, rate,
// channels, bits, the raw render's path, and a name. --offsets writes, per
// entry, the byte of all captures taken together where its sound ended.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/soak_check/capture_check.h"

namespace {

using tumbor::soak::Bytes;
using tumbor::soak::ExpectedEntry;

bool readFile(const std::string& path, Bytes& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

bool readManifest(const std::string& path, std::vector<ExpectedEntry>& entries,
                  std::map<std::string, Bytes>& sounds) {
    std::ifstream manifest(path);
    std::string line;
    for (int number = 1; std::getline(manifest, line); ++number) {
        std::istringstream fields(line);
        std::string kind, raw;
        ExpectedEntry entry;
        if (!std::getline(fields, kind, '\t') ||
            !(fields >> entry.format.rate >> entry.format.channels >> entry.format.bits) ||
            (kind != "song" && kind != "endless")) {
            std::fprintf(stderr, "%s:%d: not an entry\n", path.c_str(), number);
            return false;
        }
        fields.ignore(1);
        std::getline(fields, raw, '\t');
        std::getline(fields, entry.name);
        entry.endless = kind == "endless";
        auto found = sounds.find(raw);
        if (found == sounds.end()) {
            found = sounds.emplace(raw, Bytes()).first;
            if (!readFile(raw, found->second)) {
                std::fprintf(stderr, "cannot read %s\n", raw.c_str());
                return false;
            }
        }
        entry.sound = &found->second;
        entries.push_back(entry);
    }
    return !entries.empty();
}

std::string describe(const ExpectedEntry& entry) {
    return entry.name + ", " + std::to_string(entry.format.rate) + " Hz " +
           std::to_string(entry.format.bits) + "-bit " + (entry.format.channels == 1 ? "mono" : "stereo");
}

}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    std::string offsetsPath;
    if (arg + 1 < argc && std::string(argv[arg]) == "--offsets") {
        offsetsPath = argv[arg + 1];
        arg += 2;
    }
    if (argc - arg < 1) {
        std::fputs("usage: tumbor-soak-check [--offsets FILE] MANIFEST CAPTURE...\n", stderr);
        return 2;
    }
    std::vector<ExpectedEntry> entries;
    std::map<std::string, Bytes> sounds;
    if (!readManifest(argv[arg++], entries, sounds)) return 2;
    std::vector<std::string> captures;
    int empty = 0;
    for (; arg < argc; ++arg) {
        std::ifstream probe(argv[arg], std::ios::binary | std::ios::ate);
        if (probe && probe.tellg() > 0)
            captures.push_back(argv[arg]);
        else
            ++empty;
    }

    const std::vector<std::pair<size_t, size_t>> runs = tumbor::soak::formatRuns(entries);
    std::vector<tumbor::soak::EntryResult> results(entries.size());
    std::vector<uint64_t> segmentStart(runs.size(), 0);
    tumbor::soak::CaptureChecker checker;
    bool passed = captures.size() == runs.size();
    if (!passed)
        std::printf("the device was opened %zu times (with sound), for %zu runs of one format\n",
                    captures.size(), runs.size());
    uint64_t total = 0;
    for (size_t segment = 0; segment < runs.size() && segment < captures.size(); ++segment) {
        Bytes capture;
        if (!readFile(captures[segment], capture)) return 2;
        segmentStart[segment] = total;
        total += capture.size();
        const auto [first, last] = runs[segment];
        if (checker.checkSegment(entries, first, last, capture, results)) continue;
        passed = false;
        for (size_t i = first; i <= last; ++i)
            if (results[i].checked && !results[i].matched)
                std::printf("entry %zu (%s), capture %zu: %s\n", i + 1, describe(entries[i]).c_str(),
                            segment + 1, results[i].problem.c_str());
        if (!checker.segmentProblem().empty())
            std::printf("capture %zu: %s\n", segment + 1, checker.segmentProblem().c_str());
    }

    int matched = 0, gapsInside = 0, gapsBetween = 0, handOvers = 0, silentHandOvers = 0;
    uint64_t silenceBetween = 0;
    for (size_t i = 0; i < results.size(); ++i) {
        const tumbor::soak::EntryResult& result = results[i];
        matched += result.matched;
        gapsInside += result.gapsInside;
        gapsBetween += result.silenceBefore > 0;
        silenceBetween += result.silenceBefore;
        // A song that follows a song of its format in one opening was handed over gaplessly.
        if (i > 0 && !entries[i].endless && !entries[i - 1].endless &&
            entries[i].format == entries[i - 1].format) {
            ++handOvers;
            silentHandOvers += result.silenceBefore > 0;
        }
    }
    std::printf(
        "%zu entries in %zu runs of one format, %zu captures (%d empty ones left out): %d matched; "
        "device silence before %d entries (%llu bytes), inside entries %d times\n",
        entries.size(), runs.size(), captures.size(), empty, matched, gapsBetween,
        static_cast<unsigned long long>(silenceBetween), gapsInside);
    // Padding at a hand-over reads as silence before the next song; the device
    // adds some only now and then, so silence at most hand-overs is padding.
    std::printf("%d gapless hand-overs, device silence before %d of them\n", handOvers, silentHandOvers);
    const bool gapless = 2 * silentHandOvers <= handOvers;
    if (!offsetsPath.empty()) {
        std::ofstream offsets(offsetsPath);
        for (size_t segment = 0; segment < runs.size(); ++segment)
            for (size_t i = runs[segment].first; i <= runs[segment].second; ++i)
                offsets << i + 1 << '\t'
                        << (results[i].matched ? segmentStart[segment] + results[i].captureEnd : 0) << '\n';
    }
    return passed && gapless && matched == static_cast<int>(entries.size()) ? 0 : 1;
}
