// Design files are read line by line (at most 254 characters; a longer line
// goes on as the next one). A line starting with "[" opens a section, chosen
// by comparing a prefix of the lower-cased line; other lines are key=value.
#include "player/window/design_parser.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace tumbor::window {
namespace {

constexpr size_t kMaxLineLength = 254;
constexpr int kMaxDesignNumber = 1 << 20;

enum class Section {
    skipped,
    general,
    button,
    globalButton,
    globalGauge,
    songPosition,
    volume,
    playlistPosition,
    time,
    visualization,
    songNameLabel,
    logoLabel
};

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

struct Header {
    Section section = Section::skipped;
    int control = 0;  // for button sections
};

int buttonNumber(const std::string& header, const WindowModel& model) {
    if (header.size() <= 8) return 0;
    const size_t end = header.find(']', 8);
    if (end == std::string::npos) return 0;
    const std::string name = header.substr(8, end - 8);
    for (int n = 1; n <= kControlCount; ++n)
        if (model.control(n).name == name) return n;
    return 0;
}

Header parseHeader(const std::string& line, const WindowModel& model) {
    const std::string header = lowerCase(line);
    struct Prefix {
        const char* text;
        Section section;
    };
    static const Prefix kPrefixes[] = {
        {"[general]", Section::general},
        {"[button", Section::button},
        {"[global button settings]", Section::globalButton},
        {"[global gauge settings]", Section::globalGauge},
        {"[gauge songpos]", Section::songPosition},
        {"[gauge volume]", Section::volume},
        {"[gauge playlistpos]", Section::playlistPosition},
        {"[time]", Section::time},
        {"[visua", Section::visualization},
    };
    for (const Prefix& prefix : kPrefixes) {
        if (!startsWith(header, prefix.text)) continue;
        if (prefix.section != Section::button) return Header{prefix.section};
        const int control = buttonNumber(header, model);
        return control ? Header{Section::button, control} : Header{};
    }
    if (startsWith(header, "[label ")) {
        const std::string name = header.substr(7, 9);
        if (name == "songname]") return Header{Section::songNameLabel};
        if (name == "vesklogo]") return Header{Section::logoLabel};
    }
    return Header{};
}

// Applies one key line to a section; each returns false for a key it does not know.
class KeyReader {
public:
    KeyReader(WindowModel& model, const std::string& key, const std::string& value)
        : model_(model), key_(key), value_(value) {}

    void apply(const Header& header) {
        switch (header.section) {
            case Section::general:
                general();
                break;
            case Section::button:
                button(model_.control(header.control));
                break;
            case Section::globalButton:
                globalButton();
                break;
            case Section::globalGauge:
                globalGauge();
                break;
            case Section::songPosition:
                songPosition();
                break;
            case Section::volume:
                volume();
                break;
            case Section::playlistPosition:
                playlistPosition();
                break;
            case Section::time:
                time();
                break;
            case Section::visualization:
                visualization();
                break;
            case Section::songNameLabel:
                label(model_.songName);
                break;
            case Section::logoLabel:
                label(model_.logo);
                break;
            case Section::skipped:
                break;
        }
    }

private:
    bool is(const char* name) const { return key_ == name; }
    // Places and sizes are kept within a range no window comes near, so that
    // sums of them cannot overflow.
    void number(int& field) const {
        int value;
        if (parseDesignNumber(value_, value)) field = std::clamp(value, -kMaxDesignNumber, kMaxDesignNumber);
    }
    void colour(Colour& field) const {
        int value;
        if (parseDesignNumber(value_, value)) field = static_cast<Colour>(value);
    }
    bool readFlag(bool& field) const {
        int value;
        if (!parseDesignNumber(value_, value)) return false;
        field = value != 0;
        return true;
    }
    void flag(bool& field) const { readFlag(field); }
    void text(std::string& field) const { field = value_; }

    bool rectangle(ControlSlot& slot) const {
        if (is("top"))
            number(slot.top);
        else if (is("left"))
            number(slot.left);
        else if (is("height"))
            number(slot.height);
        else if (is("width"))
            number(slot.width);
        else
            return false;
        return true;
    }

    void general() {
        if (is("windowheight"))
            number(model_.windowHeight);
        else if (is("windowwidth"))
            number(model_.windowWidth);
        else if (is("hidewindowborder")) {
            bool hide;
            if (readFlag(hide)) model_.hideBorder = hide ? 1 : 0;
        } else if (is("usewindowshape"))
            flag(model_.useShape);
        else if (is("numberofwindowshapepoints"))
            number(model_.shapePointCount);
        else if (is("gradientcolorfrom"))
            colour(model_.gradientFrom);
        else if (is("gradientcolorto"))
            colour(model_.gradientTo);
        else if (is("bitmap"))
            text(model_.backgroundBitmap);
        else if (is("backgroundmode"))
            text(model_.backgroundMode);
        else if (is("nameofthedesigner"))
            text(model_.designer);
        else if (key_.size() >= 2 && key_[0] == 'p' && std::isdigit(static_cast<unsigned char>(key_[1])))
            vertex();
    }

    // p<N>x or p<N>y, N from 1 to 2048.
    void vertex() {
        long n = 0;
        for (size_t i = 1;
             i < key_.size() && std::isdigit(static_cast<unsigned char>(key_[i])) && n <= kMaxShapePoints;
             ++i)
            n = n * 10 + (key_[i] - '0');
        if (n < 1 || n > kMaxShapePoints) return;
        Point& point = model_.shape[static_cast<size_t>(n - 1)];
        if (key_.back() == 'x')
            number(point.x);
        else if (key_.back() == 'y')
            number(point.y);
    }

    void button(ControlSlot& slot) {
        if (rectangle(slot)) return;
        if (is("caption"))
            text(slot.caption);
        else if (is("bitmap1"))
            text(slot.bitmaps[0]);
        else if (is("bitmap2"))
            text(slot.bitmaps[1]);
        else if (is("bitmap3"))
            text(slot.bitmaps[2]);
        else if (is("transparency"))
            flag(slot.transparency);
    }

    void globalButton() {
        if (is("fontname"))
            text(model_.buttonFontName);
        else if (is("fontcolor"))
            colour(model_.buttonFontColour);
        else if (is("fontsize"))
            number(model_.buttonFontSize);
        else if (is("fontbold"))
            flag(model_.buttonFontBold);
        else if (is("fontitalic"))
            flag(model_.buttonFontItalic);
        else if (is("showbevel"))
            flag(model_.showBevel);
    }

    void globalGauge() {
        if (is("showshadow"))
            flag(model_.showShadow);
        else if (is("shadowrelposx"))
            number(model_.shadowOffsetX);
        else if (is("shadowrelposy"))
            number(model_.shadowOffsetY);
        else if (is("shadowcolor"))
            colour(model_.shadowColour);
    }

    bool gaugeColours(GaugeStyle& gauge) const {
        if (is("color foreground"))
            colour(gauge.foreground);
        else if (is("color background"))
            colour(gauge.background);
        else
            return false;
        return true;
    }

    bool slider(GaugeStyle& gauge) const {
        if (is("bitmap"))
            text(gauge.bitmap);
        else if (is("heightslider"))
            number(gauge.sliderHeight);
        else if (is("widthslider"))
            number(gauge.sliderWidth);
        else if (is("normalsliderx"))
            number(gauge.normalSliderX);
        else if (is("movingsliderx"))
            number(gauge.movingSliderX);
        else
            return false;
        return true;
    }

    void songPosition() {
        if (!rectangle(model_.control(kSongPosition)) && !gaugeColours(model_.songPosition))
            slider(model_.songPosition);
    }

    void volume() {
        GaugeStyle& gauge = model_.volume;
        if (rectangle(model_.control(kVolume)) || slider(gauge)) return;
        if (is("normalslidery"))
            number(gauge.normalSliderY);
        else if (is("movingslidery"))
            number(gauge.movingSliderY);
        else if (is("orientation"))
            number(gauge.orientation);
    }

    void playlistPosition() {
        if (!rectangle(model_.control(kPlaylistPosition))) gaugeColours(model_.playlistPosition);
    }

    void time() {
        TimeDisplay& time = model_.time;
        static const char* const kX[] = {"pos1x", "pos2x", "pos3x", "pos4x"};
        static const char* const kY[] = {"pos1y", "pos2y", "pos3y", "pos4y"};
        for (int i = 0; i < 4; ++i) {
            if (is(kX[i])) return number(time.x[i]);
            if (is(kY[i])) return number(time.y[i]);
        }
        if (is("posmx"))
            number(time.minusX);
        else if (is("posmy"))
            number(time.minusY);
        else if (is("bitmap"))
            text(time.bitmap);
    }

    void visualization() {
        Rect& area = model_.visualization;
        int left = area.left, top = area.top, width = area.width(), height = area.height();
        if (is("left"))
            number(left);
        else if (is("top"))
            number(top);
        else if (is("width"))
            number(width);
        else if (is("height"))
            number(height);
        area = Rect{left, top, left + width, top + height};
    }

    void label(LabelStyle& label) {
        if (is("top"))
            number(label.givenTop);
        else if (is("left"))
            number(label.givenLeft);
        else if (is("height"))
            number(label.givenHeight);
        else if (is("width"))
            number(label.givenWidth);
        else if (is("fontcolor"))
            colour(label.colour);
        else if (is("fontsize"))
            number(label.fontSize);
        else if (is("fontbold"))
            flag(label.bold);
        else if (is("fontitalic"))
            flag(label.italic);
        else if (is("fontname"))
            text(label.fontName);
        else if (is("use leds"))
            flag(label.useLeds);
        else if (is("digisize x"))
            number(label.ledSizeX);
        else if (is("digisize y"))
            number(label.ledSizeY);
        else if (is("active color"))
            colour(label.ledActive);
        else if (is("inactive color"))
            colour(label.ledInactive);
    }

    WindowModel& model_;
    const std::string& key_;
    const std::string& value_;
};

// The label's rectangle is taken from its keys when its section ends.
void finishSection(const Header& header, WindowModel& model) {
    LabelStyle* label = header.section == Section::songNameLabel ? &model.songName
                        : header.section == Section::logoLabel   ? &model.logo
                                                                 : nullptr;
    if (!label) return;
    label->left = label->givenLeft;
    label->top = label->givenTop;
    label->right = label->givenLeft + label->givenWidth + 1;
    label->bottom = label->givenTop + label->givenHeight + 1;
}

void applyKeyLine(const std::string& line, const Header& header, WindowModel& model) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return;
    const std::string key = lowerCase(line.substr(0, equals));
    const size_t end = line.find_first_of("\r\n", equals + 1);
    const std::string value =
        line.substr(equals + 1, end == std::string::npos ? std::string::npos : end - equals - 1);
    KeyReader(model, key, value).apply(header);
}

}  // namespace

bool parseDesignNumber(const std::string& text, int& value) {
    if (text.empty()) return false;
    uint32_t result = 0;
    if (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-') {
        const bool negative = text[0] == '-';
        for (size_t i = negative ? 1 : 0;
             i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
            result = result * 10 + static_cast<uint32_t>(text[i] - '0');
        if (negative) result = 0u - result;
    } else if (text[0] == '$' && text.size() > 1 && std::isxdigit(static_cast<unsigned char>(text[1]))) {
        for (size_t i = 1; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            result = result * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        }
    } else {
        return false;
    }
    value = static_cast<int>(result);
    return true;
}

void parseDesignText(const std::string& text, WindowModel& model) {
    Header header;
    size_t position = 0;
    while (position < text.size()) {
        // One line as a 255-byte line buffer takes it: up to its line feed, at most 254 characters.
        size_t length = std::min(kMaxLineLength, text.size() - position);
        const size_t lineFeed = text.find('\n', position);
        if (lineFeed != std::string::npos && lineFeed - position + 1 < length)
            length = lineFeed - position + 1;
        const std::string line = text.substr(position, length);
        position += length;
        if (line[0] == '[') {
            finishSection(header, model);
            header = parseHeader(line, model);
        } else {
            applyKeyLine(line, header, model);
        }
    }
    finishSection(header, model);
}

}  // namespace tumbor::window
