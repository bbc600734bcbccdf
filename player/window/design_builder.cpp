// The build of a design, after its last line has been read, step by step.
#include "player/window/design_builder.h"

#include <algorithm>
#include <cctype>

namespace tumbor::window {
namespace {

constexpr Colour kFrameGrey = 0x808080;
constexpr Colour kWhite = 0xFFFFFF;
const char* const kDefaultFont = "MS Sans Serif";

bool equalsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

void applyDerivedDefaults(WindowModel& model) {
    if (model.hideBorder == -1) model.hideBorder = model.useShape ? 1 : 0;
    if (!model.showShadow) model.shadowOffsetX = model.shadowOffsetY = 0;
    for (std::string* name : {&model.buttonFontName, &model.songName.fontName, &model.logo.fontName})
        if (name->empty()) *name = kDefaultFont;
    if (model.designer.empty()) model.designer = "unknown";
    if (model.logo.useLeds) {  // the logo has no LED mode
        model.logo.fontName = kDefaultFont;
        model.logo.colour = model.logo.ledActive;
        model.logo.useLeds = false;
    }
    model.shapePointCount = std::clamp(model.shapePointCount, 0, kMaxShapePoints);
}

// The grey frame of a window with a border; returns the background's inset.
int drawFrame(Surface& back) {
    const int w = back.width(), h = back.height();
    for (int x = 1; x <= w - 3; ++x) back.setPixel(x, 1, kFrameGrey);
    for (int x = 0; x < w; ++x) back.setPixel(x, h - 1, kFrameGrey);
    for (int y = 2; y <= h - 3; ++y) back.setPixel(1, y, kFrameGrey);
    for (int y = 0; y < h; ++y) back.setPixel(w - 1, y, kFrameGrey);
    back.setClip(Rect{2, 2, w - 2, h - 2});
    return 2;
}

int gradientChannel(int from, int to, int y, int span) {
    return std::clamp(from + y * (to - from) / span, 0, 255);
}

void drawBackground(WindowModel& model, const Surface& picture, int inset) {
    Surface& back = model.backBuffer;
    const int w = back.width(), h = back.height();
    const std::string& mode = model.backgroundMode;
    if (equalsIgnoringCase(mode, "bitmapcenter") && !picture.empty()) {
        blit(back, (w - picture.width()) / 2, (h - picture.height()) / 2, picture, 0, 0, picture.width(),
             picture.height());
    } else if (equalsIgnoringCase(mode, "bitmaptile") && !picture.empty()) {
        for (int y = inset; y < h - inset; y += picture.height())
            for (int x = inset; x < w - inset; x += picture.width())
                blit(back, x, y, picture, 0, 0, picture.width(), picture.height());
    } else if (equalsIgnoringCase(mode, "gradient")) {
        const int span = h - 2 * inset;
        const Colour from = model.gradientFrom, to = model.gradientTo;
        for (int y = inset; y < h - inset; ++y) {
            Colour c = rgb(gradientChannel(redOf(from), redOf(to), y, span),
                           gradientChannel(greenOf(from), greenOf(to), y, span),
                           gradientChannel(blueOf(from), blueOf(to), y, span));
            back.fillRect(Rect{inset, y, w - inset, y + 1}, c);
        }
    }
}

void makeOutline(WindowModel& model) {
    if (model.useShape && model.shapePointCount >= 2) {
        model.outline.assign(model.shape.begin(), model.shape.begin() + model.shapePointCount);
    } else {
        model.outline = {
            {0, 0}, {model.windowWidth, 0}, {model.windowWidth, model.windowHeight}, {0, model.windowHeight}};
    }
}

// Image 1 of a gauge without a bitmap: a black-framed bar in the background
// colour, shown from column 1; with a shadow, the shadow colour shows two
// pixels right of and below the body and the corners let the window through.
void buildDrawnGauge(WindowModel& model, ControlSlot& slot, const GaugeStyle& gauge) {
    if (model.showShadow) {
        slot.width += 2;
        slot.height += 2;
    }
    const int w = slot.width, h = slot.height;
    Surface image(w + 1, h);
    if (image.empty()) return;
    if (!model.showShadow) {
        image.fillRect(Rect{1, 0, w + 1, h}, 0);
        image.fillRect(Rect{2, 1, w, h - 1}, gauge.background);
    } else {
        image.fillRect(Rect{1, 0, w + 1, h}, model.shadowColour);
        image.fillRect(Rect{1, 0, w - 1, h - 2}, 0);
        image.fillRect(Rect{2, 1, w - 2, h - 3}, gauge.background);
        image.setPixel(0, 0, kGaugeKeyColour);
        image.fillRect(Rect{1, h - 2, 4, h}, kGaugeKeyColour);
        image.fillRect(Rect{w - 1, 0, w + 1, 3}, kGaugeKeyColour);
        keyColourTransparency(image, model.backBuffer, slot.left, slot.top, image.width(), image.height());
    }
    slot.images[0] = std::move(image);
    slot.sourceX = 1;
    slot.sourceY = 0;
}

void buildGauges(WindowModel& model, const PictureReader& readPicture) {
    for (int n : {kSongPosition, kPlaylistPosition, kVolume}) {
        ControlSlot& slot = model.control(n);
        GaugeStyle& gauge = model.gauge(n);
        if (slot.width <= 0) continue;
        if (!gauge.bitmap.empty() && readPicture(gauge.bitmap, slot.images[0])) {
            slot.sourceX = slot.sourceY = 0;
            gauge.hasBitmap = true;
        } else {
            buildDrawnGauge(model, slot, gauge);
            drawControl(model, n, 1);
        }
    }
}

// Shows the centre of a picture that is bigger than the rectangle, and
// shrinks a rectangle that is bigger than the picture around its centre.
void fitToPicture(int& start, int& size, int& source, int pictureSize) {
    if (size > pictureSize) {
        start += (size - pictureSize) / 2;
        size = pictureSize;
    } else if (size < pictureSize) {
        source += (pictureSize - size) / 2;
    }
}

void buildPictureButton(WindowModel& model, ControlSlot& slot, const PictureReader& readPicture) {
    const Surface& back = model.backBuffer;
    const auto& names = slot.bitmaps;
    const bool read1 = readPicture(names[0], slot.images[0]);
    const bool read2 = !names[1].empty() && readPicture(names[1], slot.images[1]);
    const std::string& name3 = !names[2].empty() ? names[2] : !names[1].empty() ? names[1] : names[0];
    const bool read3 = readPicture(name3, slot.images[2]);
    slot.sourceX = slot.sourceY = 0;
    if (read1 && !slot.twoState) {
        fitToPicture(slot.left, slot.width, slot.sourceX, slot.images[0].width());
        fitToPicture(slot.top, slot.height, slot.sourceY, slot.images[0].height());
    }
    if (!read1) slot.images[0] = copyArea(back, slot.left, slot.top, slot.width, slot.height);
    if (!read2) slot.images[1] = Surface();
    if (!read3) slot.images[2] = copyArea(back, slot.left, slot.top, slot.width, slot.height);
    if (names[2].empty() || !read3) makePressedLook(slot.images[2], back, slot.left, slot.top);
    if (!slot.transparency) return;
    const bool fromFile[3] = {read1, read2, true};
    for (int i = 0; i < 3; ++i)
        if (fromFile[i])
            keyColourTransparency(slot.images[i], back, slot.left, slot.top, slot.images[i].width(),
                                  slot.images[i].height());
}

void buildCaptionButton(WindowModel& model, ControlSlot& slot, TextPainter& painter) {
    const Surface& back = model.backBuffer;
    const int w = slot.width, h = slot.height;
    slot.images[0] = copyArea(back, slot.left, slot.top, w, h);
    slot.images[2] = slot.images[0];
    painter.drawText(slot.images[0], Rect{0, 0, w, h}, slot.caption, model.buttonFont, model.buttonFontColour,
                     TextLayout::centredLine);
    painter.drawText(slot.images[2], Rect{1, 1, w + 1, h + 1}, slot.caption, model.buttonFont,
                     model.buttonFontColour, TextLayout::centredLine);
    slot.sourceX = slot.sourceY = 0;
}

void buildButtons(WindowModel& model, const PictureReader& readPicture, TextPainter& painter) {
    for (int n = 1; n <= kControlCount; ++n) {
        ControlSlot& slot = model.control(n);
        const bool hasPicture =
            !slot.bitmaps[0].empty() || !slot.bitmaps[1].empty() || !slot.bitmaps[2].empty();
        if (hasPicture)
            buildPictureButton(model, slot, readPicture);
        else if (!slot.caption.empty() && slot.width >= 1 && slot.height >= 1)
            buildCaptionButton(model, slot, painter);
    }
    for (int n = 1; n <= kControlCount; ++n) drawControl(model, n, 1);
}

void buildLabels(WindowModel& model, TextPainter& painter) {
    const int dpi = painter.verticalDpi();
    for (LabelStyle* label : {&model.songName, &model.logo}) {
        if (!label->used()) continue;
        if (!label->useLeds)
            label->font = makeFont(label->fontName, label->fontSize, label->bold, label->italic, dpi);
    }
    const LabelStyle& logo = model.logo;
    if (logo.used())
        painter.drawText(model.backBuffer, Rect{logo.left, logo.top, logo.right, logo.bottom}, "Tumb",
                         logo.font, logo.colour, TextLayout::centredWrapped);
    const LabelStyle& song = model.songName;
    if (song.used())
        model.labelBackground = copyArea(model.backBuffer, song.left, song.top, song.right - song.left + 1,
                                         song.bottom - song.top + 1);
}

void buildTimeDisplay(WindowModel& model, const PictureReader& readPicture) {
    TimeDisplay& time = model.time;
    if (time.bitmap.empty() || !readPicture(time.bitmap, time.strip)) return;
    time.cellWidth = time.strip.width() / (time.hasMinus() ? 12 : 11);
    time.cellHeight = time.strip.height();
}

}  // namespace

void makePressedLook(Surface& image, const Surface& backBuffer, int x, int y) {
    if (image.empty()) return;
    const Surface before = image;
    blit(image, 1, 1, before, 0, 0, image.width() - 1, image.height() - 1);
    for (int j = 1; j < image.height(); ++j) image.setPixel(0, j, backBuffer.pixel(x, y + j));
    for (int i = 1; i < image.width(); ++i) image.setPixel(i, 0, backBuffer.pixel(x + i, y));
}

bool buildDesign(WindowModel& model, const PictureReader& readPicture, TextPainter& painter) {
    applyDerivedDefaults(model);
    model.buttonFont = makeFont(model.buttonFontName, model.buttonFontSize, model.buttonFontBold,
                                model.buttonFontItalic, painter.verticalDpi());
    Surface background;
    if (!model.backgroundBitmap.empty()) readPicture(model.backgroundBitmap, background);

    model.backBuffer = Surface(model.windowWidth, model.windowHeight);
    if (model.backBuffer.empty()) return false;
    model.backBuffer.fill(kWhite);
    const int inset = model.hideBorder == 0 ? drawFrame(model.backBuffer) : 0;
    drawBackground(model, background, inset);
    makeOutline(model);

    buildGauges(model, readPicture);
    buildButtons(model, readPicture, painter);
    buildLabels(model, painter);
    buildTimeDisplay(model, readPicture);
    model.kind = LookKind::design;
    return true;
}

}  // namespace tumbor::window
