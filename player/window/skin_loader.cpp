// The skin load, with the rectangles of every picture of a skin.
#include "player/window/skin_loader.h"

#include <vector>

#include "player/window/bmp_reader.h"

namespace tumbor::window {
namespace {

struct SkinPictures {
    Surface main, buttons, titleBar, positionBar, volume, monoStereo, shuffleRepeat, text, numbers;
};

bool readPictures(SkinSource& source, SkinPictures& p) {
    struct Entry {
        const char* name;
        Surface* picture;
    };
    const Entry entries[] = {{"main.bmp", &p.main},
                             {"CButtons.bmp", &p.buttons},
                             {"TitleBar.bmp", &p.titleBar},
                             {"Posbar.bmp", &p.positionBar},
                             {"Volume.bmp", &p.volume},
                             {"MonoSter.bmp", &p.monoStereo},
                             {"ShufRep.bmp", &p.shuffleRepeat},
                             {"Text.bmp", &p.text},
                             {"Numbers.bmp", &p.numbers}};
    std::vector<uint8_t> bytes;
    for (const Entry& entry : entries)
        if (!source.read(entry.name, bytes) || !bmpDecode(bytes.data(), bytes.size(), *entry.picture))
            return false;
    return true;
}

void place(ControlSlot& slot, int left, int top, int width, int height) {
    slot.left = left;
    slot.top = top;
    slot.width = width;
    slot.height = height;
    slot.sourceX = slot.sourceY = 0;
}

// A button whose normal and pressed pictures are cut from one skin picture.
void cutButton(WindowModel& model, int n, const Surface& from, int left, int top, int width, int height,
               Point normal, Point pressed) {
    ControlSlot& slot = model.control(n);
    place(slot, left, top, width, height);
    slot.images[0] = copyArea(from, normal.x, normal.y, width, height);
    slot.images[2] = copyArea(from, pressed.x, pressed.y, width, height);
    drawControl(model, n, 1);
}

// A two-state button: off picture on the left, on picture on the right.
void cutTwoStateButton(WindowModel& model, int n, const Surface& from, int left, int top, int width,
                       int height, Point off, Point offPressed, Point on, Point onPressed) {
    ControlSlot& slot = model.control(n);
    place(slot, left, top, width, height);
    for (int image : {0, 2}) {
        const Point first = image == 0 ? off : offPressed, second = image == 0 ? on : onPressed;
        Surface both(2 * width, height);
        blit(both, 0, 0, from, first.x, first.y, width, height);
        blit(both, width, 0, from, second.x, second.y, width, height);
        slot.images[image] = std::move(both);
    }
    drawControl(model, n, 1);
}

void cutTransportButtons(WindowModel& model, const Surface& buttons) {
    struct Button {
        int n, left, top, width, height, sourceX;
    };
    const Button table[] = {{kPreviousSong, 16, 88, 23, 18, 0}, {kPlay, 39, 88, 23, 18, 23},
                            {kPause, 62, 88, 23, 18, 46},       {kStop, 85, 88, 23, 18, 69},
                            {kNextSong, 108, 88, 22, 18, 92},   {kDiskOperations, 136, 89, 22, 16, 114}};
    for (const Button& b : table)
        cutButton(model, b.n, buttons, b.left, b.top, b.width, b.height, Point{b.sourceX, 0},
                  Point{b.sourceX, b.height});
}

void cutTitleBar(WindowModel& model, const Surface& titleBar) {
    blit(model.backBuffer, 0, 0, titleBar, 27, 0, 275, 14);
    blit(model.backBuffer, 10, 22, titleBar, 312, 0, 8, 43);
    // The title-bar buttons come from the title-bar picture's left part.
    struct Button {
        int n, left;
        Point normal, pressed;
    };
    const Button table[] = {{kOptions, 6, {0, 0}, {0, 9}},
                            {kMinimize, 244, {9, 0}, {9, 9}},
                            {kSongInformation, 254, {0, 18}, {9, 18}},
                            {kClose, 264, {18, 0}, {18, 9}}};
    for (const Button& b : table) cutButton(model, b.n, titleBar, b.left, 3, 9, 9, b.normal, b.pressed);
}

void setSlider(GaugeStyle& gauge, int width, int height, Point normal, Point moving) {
    gauge.hasBitmap = true;
    gauge.sliderWidth = width;
    gauge.sliderHeight = height;
    gauge.normalSliderX = normal.x;
    gauge.normalSliderY = normal.y;
    gauge.movingSliderX = moving.x;
    gauge.movingSliderY = moving.y;
    gauge.orientation = 0;
}

void takeGauges(WindowModel& model, SkinPictures& p) {
    ControlSlot& position = model.control(kSongPosition);
    place(position, 16, 72, 248, 10);
    position.images[0] = std::move(p.positionBar);
    setSlider(model.songPosition, 29, 10, {248, 0}, {278, 0});

    blit(model.backBuffer, 177, 57, p.volume, 9, 0, 38, 13);
    blit(model.backBuffer, 189, 58, p.volume, 15, 422, 14, 11);
    ControlSlot& volume = model.control(kVolume);
    place(volume, 107, 57, 68, 13);
    volume.images[0] = std::move(p.volume);
    setSlider(model.volume, 14, 11, {15, 422}, {0, 422});
}

void cutToggles(WindowModel& model, const Surface& shuffleRepeat) {
    cutTwoStateButton(model, kRepeat, shuffleRepeat, 210, 89, 28, 15, {0, 0}, {0, 15}, {0, 30}, {0, 45});
    cutTwoStateButton(model, kShuffle, shuffleRepeat, 164, 89, 46, 15, {28, 0}, {28, 15}, {28, 30}, {28, 45});
    cutTwoStateButton(model, kEq, shuffleRepeat, 219, 58, 23, 12, {0, 61}, {46, 61}, {0, 73}, {46, 73});
    cutTwoStateButton(model, kPlaylist, shuffleRepeat, 242, 58, 23, 12, {23, 61}, {69, 61}, {23, 73},
                      {69, 73});
}

}  // namespace

bool skinLoad(const std::string& path, WindowModel& model) {
    std::unique_ptr<SkinSource> source = openSkinSource(path);
    return source && skinLoad(*source, model);
}

bool skinLoad(SkinSource& source, WindowModel& model) {
    model.kind = LookKind::skin;
    model.windowWidth = kSkinWidth;
    model.windowHeight = kSkinHeight;
    model.outline = {{0, 0}, {kSkinWidth, 0}, {kSkinWidth, kSkinHeight}, {0, kSkinHeight}};
    model.backBuffer = Surface(kSkinWidth, kSkinHeight);

    SkinPictures p;
    if (!readPictures(source, p)) return false;
    blit(model.backBuffer, 0, 0, p.main, 0, 0, p.main.width(), p.main.height());
    cutTransportButtons(model, p.buttons);
    cutTitleBar(model, p.titleBar);
    takeGauges(model, p);
    place(model.control(kHelp), 249, 91, 17, 17);  // an invisible click area
    blit(model.backBuffer, 212, 41, p.monoStereo, 29, 12, 29, 12);
    blit(model.backBuffer, 239, 41, p.monoStereo, 0, 0, 29, 12);
    cutToggles(model, p.shuffleRepeat);

    model.skinFont = std::move(p.text);
    LabelStyle& song = model.songName;
    song.left = 112;
    song.top = 27;
    song.right = 262;
    song.bottom = 32;
    TimeDisplay& time = model.time;
    time.strip = std::move(p.numbers);
    time.cellWidth = 9;
    time.cellHeight = 13;
    time.x = {48, 60, 78, 90};
    time.y = {26, 26, 26, 26};
    return true;
}

}  // namespace tumbor::window
