#include "tools/legibility/PageCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace legibility {
namespace {

constexpr int kInk = 160;              // darker than this is ink
constexpr double kFrameShare = 0.3;    // a run of ink this long down the region is a frame
constexpr int kMostShift = 8;          // pixels a hatch may be shifted by between two keys
constexpr int kPlainDifference = 96;   // grey levels by which two pixels plainly differ
constexpr double kAlikeShare = 0.02;   // keys whose pixels differ plainly in less than this share look alike

bool Ink(const GreyPicture& p, int x, int y) { return p.at(x, y) < kInk; }

PixelBox Clipped(const GreyPicture& p, const PixelBox& b) {
    const int x0 = std::clamp(b.x, 0, p.width), y0 = std::clamp(b.y, 0, p.height);
    const int x1 = std::clamp(b.x + b.width, 0, p.width), y1 = std::clamp(b.y + b.height, 0, p.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

struct Run {
    int length = 0, start = 0;
};

// The longest unbroken run of ink down a column (along a row) of the region.
Run LongestRun(const GreyPicture& p, const PixelBox& r, int i, bool row) {
    const int across = row ? r.width : r.height;
    Run best, run;
    for (int j = 0; j < across; ++j) {
        if (row ? Ink(p, r.x + j, r.y + i) : Ink(p, r.x + i, r.y + j)) {
            if (run.length++ == 0) run.start = j;
            if (run.length > best.length) best = run;
        } else {
            run.length = 0;
        }
    }
    return best;
}

// The inside of the legend's frame: of the columns with long runs of ink (frames, axes), the two
// nearest ones at least a tenth of the region apart, between the ends of the left one's run.
PixelBox LegendInside(const GreyPicture& p, const PixelBox& r) {
    std::vector<std::pair<int, Run>> columns;
    for (int x = 0; x < r.width; ++x)
        if (const Run run = LongestRun(p, r, x, false); run.length > kFrameShare * r.height) columns.emplace_back(x, run);
    PixelBox best{};
    for (size_t i = 0; i < columns.size(); ++i)
        for (size_t j = i + 1; j < columns.size(); ++j) {
            const int width = columns[j].first - columns[i].first;
            if (width < r.width / 10 || (best.width > 0 && width >= best.width)) continue;
            const Run& left = columns[i].second;
            best = {columns[i].first, left.start, width, left.length};
        }
    if (best.width == 0) return r;
    constexpr int kFrame = 3;  // the frame's own lines, anti-aliased
    return {r.x + best.x + kFrame, r.y + best.y + kFrame, best.width - 2 * kFrame, best.height - 2 * kFrame};
}

// The first run of ink from the left in rows [top, bottom), ending at a gap of `gap` columns.
PixelBox KeyOfRow(const GreyPicture& p, const PixelBox& r, int top, int bottom) {
    const int gap = std::max(3, (bottom - top) / 3);
    int start = -1, lastInk = -1;
    for (int x = 0; x < r.width; ++x) {
        bool ink = false;
        for (int y = top; y < bottom && !ink; ++y) ink = Ink(p, r.x + x, y);
        if (ink) {
            if (start < 0) start = x;
            lastInk = x;
        } else if (start >= 0 && x - lastInk > gap) {
            break;
        }
    }
    if (start < 0) return {};
    return {r.x + start, top, lastInk - start + 1, bottom - top};
}

// The share of pixels that differ plainly where a and b overlap, their middles dx, dy apart; 1
// when they hardly overlap.
double DifferingShare(const GreyPicture& p, const PixelBox& a, const PixelBox& b, int dx, int dy) {
    // b's pixel for a's (x, y): the same place from each one's middle, moved by dx, dy.
    const int ox = b.x + b.width / 2 - (a.x + a.width / 2) + dx, oy = b.y + b.height / 2 - (a.y + a.height / 2) + dy;
    const int x0 = std::max(a.x, b.x - ox), x1 = std::min(a.x + a.width, b.x + b.width - ox);
    const int y0 = std::max(a.y, b.y - oy), y1 = std::min(a.y + a.height, b.y + b.height - oy);
    const long long area = static_cast<long long>(std::max(0, x1 - x0)) * std::max(0, y1 - y0);
    const long long smaller = std::min(static_cast<long long>(a.width) * a.height, static_cast<long long>(b.width) * b.height);
    if (area * 4 < smaller * 3) return 1;
    long long differing = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) differing += std::abs(p.at(x, y) - p.at(x + ox, y + oy)) > kPlainDifference;
    return static_cast<double>(differing) / static_cast<double>(area);
}

}  // namespace

GreyPicture GreyOf(int width, int height, const std::vector<uint8_t>& rgb) {
    GreyPicture g{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    for (size_t i = 0; i < g.grey.size() && 3 * i + 2 < rgb.size(); ++i)
        g.grey[i] = static_cast<uint8_t>((rgb[3 * i] * 30 + rgb[3 * i + 1] * 59 + rgb[3 * i + 2] * 11) / 100);
    return g;
}

std::vector<PixelBox> FindLegendKeys(const GreyPicture& picture, const PixelBox& region) {
    std::vector<PixelBox> keys;
    const PixelBox clipped = Clipped(picture, region);
    if (clipped.width <= 0 || clipped.height <= 0) return keys;
    const PixelBox r = LegendInside(picture, clipped);
    if (r.width <= 0 || r.height <= 0) return keys;
    auto rowHasInk = [&](int y) {
        for (int x = 0; x < r.width; ++x)
            if (Ink(picture, r.x + x, r.y + y)) return true;
        return false;
    };
    for (int y = 0; y < r.height;) {
        if (!rowHasInk(y)) {
            ++y;
            continue;
        }
        const int top = y;
        while (y < r.height && rowHasInk(y)) ++y;
        const PixelBox key = KeyOfRow(picture, r, r.y + top, r.y + y);
        if (key.width > 0) keys.push_back(key);
    }
    return keys;
}

bool KeysLookAlike(const GreyPicture& picture, const PixelBox& a, const PixelBox& b) {
    if (a.width <= 0 || a.height <= 0 || b.width <= 0 || b.height <= 0) return false;
    const int shift = std::min({kMostShift, a.width / 4, a.height / 4, b.width / 4, b.height / 4});
    double best = 1;
    for (int dy = -shift; dy <= shift; ++dy)
        for (int dx = -shift; dx <= shift; ++dx) best = std::min(best, DifferingShare(picture, a, b, dx, dy));
    return best < kAlikeShare;
}

std::vector<std::pair<size_t, size_t>> AlikeKeys(const GreyPicture& picture, const std::vector<PixelBox>& keys) {
    std::vector<std::pair<size_t, size_t>> alike;
    for (size_t i = 1; i < keys.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (KeysLookAlike(picture, keys[i], keys[j])) {
                alike.emplace_back(i, j);
                break;
            }
    return alike;
}

}  // namespace legibility
