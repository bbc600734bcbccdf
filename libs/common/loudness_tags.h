// The loudness values a file's tags give: ReplayGain fields ("REPLAYGAIN_TRACK_GAIN=-6.02 dB",
// "REPLAYGAIN_ALBUM_PEAK=0.98", as Vorbis comments or ID3v2 TXXX frames) and
// Opus's R128 gains, gathered into the record the player asks for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "stream/stream_module.h"

namespace tumbor {

class LoudnessTags {
public:
    // One "FIELD=value" comment of length bytes, not necessarily zero-terminated.
    void addComment(const char* comment, size_t length) {
        if (!comment) return;
        std::string_view text(comment, length);
        size_t equals = text.find('=');
        if (equals != std::string_view::npos) add(text.substr(0, equals), text.substr(equals + 1));
    }

    // One field and its value; field names are compared ignoring case, and the
    // first value of each field counts.
    void add(std::string_view field, std::string_view value) {
        int64_t number = 0;
        if (sameField(field, "replaygain_track_gain") && parseDecimal(value, 100, number))
            take(loudnessTrackGain, loudness_.trackGain, number);
        else if (sameField(field, "replaygain_album_gain") && parseDecimal(value, 100, number))
            take(loudnessAlbumGain, loudness_.albumGain, number);
        else if (sameField(field, "replaygain_track_peak") && parseDecimal(value, 65536, number))
            takePeak(loudnessTrackPeak, loudness_.trackPeak, number);
        else if (sameField(field, "replaygain_album_peak") && parseDecimal(value, 65536, number))
            takePeak(loudnessAlbumPeak, loudness_.albumPeak, number);
        else if (sameField(field, "r128_track_gain") && parseDecimal(value, 1, number))
            take(loudnessTrackGain, loudness_.trackGain, fromR128(number));
        else if (sameField(field, "r128_album_gain") && parseDecimal(value, 1, number))
            take(loudnessAlbumGain, loudness_.albumGain, fromR128(number));
    }

    bool any() const { return loudness_.present != 0; }
    const StreamLoudness& loudness() const { return loudness_; }

    // A decimal number ("-6.02 dB", "+3", "0.988", " 1.5e"), scaled by scale and
    // rounded to the nearest whole; whatever follows the digits is ignored.
    // False when there are no digits or the number is out of all reason.
    static bool parseDecimal(std::string_view text, int64_t scale, int64_t& result) {
        size_t at = 0;
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        bool negative = at < text.size() && text[at] == '-';
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
        int64_t whole = 0;
        int64_t fraction = 0;  // the digits after the point, as a fraction of fractionScale
        int64_t fractionScale = 1;
        bool digits = false;
        for (; at < text.size() && isDigit(text[at]); ++at, digits = true) {
            whole = whole * 10 + (text[at] - '0');
            if (whole > kLargestWhole) return false;
        }
        if (at < text.size() && text[at] == '.') {
            for (++at; at < text.size() && isDigit(text[at]); ++at, digits = true) {
                if (fractionScale >= kFractionDigitsKept) continue;
                fraction = fraction * 10 + (text[at] - '0');
                fractionScale *= 10;
            }
        }
        if (!digits) return false;
        int64_t scaled = whole * scale + (fraction * scale * 2 + fractionScale) / (fractionScale * 2);
        result = negative ? -scaled : scaled;
        return true;
    }

private:
    static constexpr int64_t kLargestWhole = 10000;
    static constexpr int64_t kFractionDigitsKept = 1000000;
    // R128 gains are in 1/256 dB towards -23 LUFS; ReplayGain's reference is 5 dB louder.
    static constexpr int64_t kR128ToReplayGainHundredths = 500;

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int64_t fromR128(int64_t q8) {
        int64_t hundredths = q8 * 100;
        hundredths += hundredths < 0 ? -128 : 128;
        return hundredths / 256 + kR128ToReplayGainHundredths;
    }
    static bool sameField(std::string_view field, const char* lowerName) {
        size_t at = 0;
        for (; lowerName[at]; ++at) {
            if (at >= field.size()) return false;
            char letter = field[at];
            if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
            if (letter != lowerName[at]) return false;
        }
        return at == field.size();
    }
    void take(uint32_t bit, int32_t& slot, int64_t hundredths) {
        if (loudness_.present & bit) return;
        loudness_.present |= bit;
        slot = static_cast<int32_t>(hundredths);
    }
    void takePeak(uint32_t bit, uint32_t& slot, int64_t peak) {
        if ((loudness_.present & bit) || peak <= 0) return;
        loudness_.present |= bit;
        slot = static_cast<uint32_t>(peak);
    }

    StreamLoudness loudness_{};
};

}  // namespace tumbor
