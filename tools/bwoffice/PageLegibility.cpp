#include "tools/bwoffice/PageLegibility.h"

#include "tools/legibility/PageCheck.h"
#include "tools/render/Png.h"

#include <cmath>

namespace bwoffice {

std::vector<legibility::Finding> PageLookAlikes(const std::string& png, const std::vector<bwpass::DrawnKey>& keys) {
    std::vector<legibility::Finding> found;
    if (keys.size() < 2) return found;
    const std::optional<render::Picture> picture = render::ReadPng(png);
    if (!picture) return found;
    const legibility::GreyPicture grey = legibility::GreyOf(picture->width, picture->height, picture->rgb);
    const double sx = picture->width, sy = picture->height;
    std::vector<legibility::PixelBox> boxes;
    for (const bwpass::DrawnKey& k : keys) {
        const int x = static_cast<int>(std::ceil(k.x * sx)), y = static_cast<int>(std::ceil(k.y * sy));
        boxes.push_back({x, y, static_cast<int>(std::floor((k.x + k.width) * sx)) - x,
                         static_cast<int>(std::floor((k.y + k.height) * sy)) - y});
    }
    for (const auto& [later, earlier] : legibility::AlikeKeys(grey, boxes))
        found.push_back({"\u201c" + keys[later].label + "\u201d and \u201c" + keys[earlier].label +
                             "\u201d look alike on the printed page",
                         "their legend keys, compared pixel by pixel"});
    return found;
}

}  // namespace bwoffice
