// Theme colours and DrawingML colour resolution.
#include "tools/chartmodel/ChartInternal.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace office {

namespace {

using xml::Names;
using xml::Ns;

const char* const kSlotNames[Theme::SlotCount] = {"dk1",     "lt1",     "dk2",     "lt2",   "accent1",  "accent2",
                                                  "accent3", "accent4", "accent5", "accent6", "hlink", "folHlink",
                                                  "tx1",     "bg1",     "tx2",     "bg2"};

// Office's default theme ("Office", 2007), for parts whose package has no theme.
const uint32_t kDefaultScheme[Theme::Hlink + 2] = {0x000000, 0xFFFFFF, 0x1F497D, 0xEEECE1, 0x4F81BD, 0xC0504D,
                                                   0x9BBB59, 0x8064A2, 0x4BACC6, 0xF79646, 0x0000FF, 0x800080};

int SlotOf(const std::string& name) {
    for (int i = 0; i < Theme::SlotCount; ++i)
        if (name == kSlotNames[i]) return i;
    return -1;
}

uint32_t ParseHex(const char* s, uint32_t fallback) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(s, &end, 16);
    return end && end != s && *end == '\0' ? static_cast<uint32_t>(v & 0xFFFFFF) : fallback;
}

// The colours of every name from the scheme through the map.
void Resolve(Theme& t) {
    for (int slot = 0; slot < Theme::SlotCount; ++slot) t.colours[slot] = t.scheme[t.map[slot]];
}

// Points the names a colour map carries (tx1="dk1", accent1="accent2" ...) at their scheme
// colours; dk1..lt2 name the scheme itself and are not mapped.
void Remap(Theme& t, const pugi::xml_node& map) {
    for (int slot = Theme::Accent1; slot < Theme::SlotCount; ++slot) {
        pugi::xml_attribute a = map.attribute(kSlotNames[slot]);
        const int target = a ? SlotOf(a.value()) : -1;
        if (target >= 0 && target < Theme::kSchemeSize) t.map[slot] = target;
    }
}

// Reads an a:clrScheme's twelve colours over those already in t.
void ReadScheme(Theme& t, const pugi::xml_node& scheme) {
    for (pugi::xml_node slot : scheme.children()) {
        const int i = SlotOf(Names::Local(slot));
        if (i < 0 || i >= Theme::kSchemeSize) continue;
        for (pugi::xml_node c : slot.children()) {
            const char* local = Names::Local(c);
            if (std::strcmp(local, "srgbClr") == 0) {
                t.scheme[i] = ParseHex(c.attribute("val").value(), t.scheme[i]);
            } else if (std::strcmp(local, "sysClr") == 0) {
                uint32_t rgb = t.scheme[i];
                if (c.attribute("lastClr")) rgb = ParseHex(c.attribute("lastClr").value(), rgb);
                else detail::PresetColour(std::string("sys:") + c.attribute("val").value(), rgb);
                t.scheme[i] = rgb;
            }
        }
    }
}

pugi::xml_node ChildNamed(const pugi::xml_node& n, const char* local) {
    for (pugi::xml_node c : n.children())
        if (std::strcmp(Names::Local(c), local) == 0) return c;
    return {};
}

double Clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

// Transforms run on unrounded channels: Office applies lumMod and lumOff to the same luminance,
// and rounding to bytes between them would be off by one.
struct Rgb {
    double r, g, b;  // 0..1
};

struct Hsl {
    double h, s, l;  // h in [0, 360), s and l in [0, 1]
};

Rgb Unpack(uint32_t rgb) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

uint32_t Pack(const Rgb& c) {
    auto byte = [](double v) { return static_cast<uint32_t>(std::lround(Clamp01(v) * 255)); };
    return (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
}

Hsl ToHsl(const Rgb& c) {
    const double mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
    Hsl out{0, 0, (mx + mn) / 2};
    const double d = mx - mn;
    if (d <= 0) return out;
    out.s = out.l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    if (mx == c.r) out.h = 60 * std::fmod((c.g - c.b) / d + 6, 6);
    else if (mx == c.g) out.h = 60 * ((c.b - c.r) / d + 2);
    else out.h = 60 * ((c.r - c.g) / d + 4);
    return out;
}

Rgb FromHsl(Hsl c) {
    const double chroma = (1 - std::fabs(2 * c.l - 1)) * c.s;
    const double hp = std::fmod(c.h, 360) / 60;
    const double x = chroma * (1 - std::fabs(std::fmod(hp, 2) - 1));
    double r = 0, g = 0, b = 0;
    if (hp < 1) r = chroma, g = x;
    else if (hp < 2) r = x, g = chroma;
    else if (hp < 3) g = chroma, b = x;
    else if (hp < 4) g = x, b = chroma;
    else if (hp < 5) r = x, b = chroma;
    else r = chroma, b = x;
    const double m = c.l - chroma / 2;
    return {r + m, g + m, b + m};
}

Rgb PerChannel(const Rgb& c, double (*f)(double, double), double arg) {
    return {f(c.r, arg), f(c.g, arg), f(c.b, arg)};
}

double LinearOf(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double GammaOf(double l) { return l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055; }
Rgb ToLinear(const Rgb& c) { return {LinearOf(c.r), LinearOf(c.g), LinearOf(c.b)}; }
Rgb FromLinear(const Rgb& c) { return {GammaOf(Clamp01(c.r)), GammaOf(Clamp01(c.g)), GammaOf(Clamp01(c.b))}; }

struct Named {
    const char* name;
    uint32_t rgb;
};

// The preset colours of DrawingML are the CSS/X11 named colours; its dk, lt and med prefixes
// stand for dark, light and medium.
const Named kCssColours[] = {
    {"aliceblue", 0xF0F8FF}, {"antiquewhite", 0xFAEBD7}, {"aqua", 0x00FFFF}, {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF}, {"beige", 0xF5F5DC}, {"bisque", 0xFFE4C4}, {"black", 0x000000},
    {"blanchedalmond", 0xFFEBCD}, {"blue", 0x0000FF}, {"blueviolet", 0x8A2BE2}, {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887}, {"cadetblue", 0x5F9EA0}, {"chartreuse", 0x7FFF00}, {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50}, {"cornflowerblue", 0x6495ED}, {"cornsilk", 0xFFF8DC}, {"crimson", 0xDC143C},
    {"cyan", 0x00FFFF}, {"darkblue", 0x00008B}, {"darkcyan", 0x008B8B}, {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9}, {"darkgrey", 0xA9A9A9}, {"darkgreen", 0x006400}, {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B}, {"darkolivegreen", 0x556B2F}, {"darkorange", 0xFF8C00}, {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000}, {"darksalmon", 0xE9967A}, {"darkseagreen", 0x8FBC8F}, {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F}, {"darkslategrey", 0x2F4F4F}, {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3}, {"deeppink", 0xFF1493}, {"deepskyblue", 0x00BFFF}, {"dimgray", 0x696969},
    {"dimgrey", 0x696969}, {"dodgerblue", 0x1E90FF}, {"firebrick", 0xB22222}, {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22}, {"fuchsia", 0xFF00FF}, {"gainsboro", 0xDCDCDC}, {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700}, {"goldenrod", 0xDAA520}, {"gray", 0x808080}, {"grey", 0x808080}, {"green", 0x008000},
    {"greenyellow", 0xADFF2F}, {"honeydew", 0xF0FFF0}, {"hotpink", 0xFF69B4}, {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082}, {"ivory", 0xFFFFF0}, {"khaki", 0xF0E68C}, {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5}, {"lawngreen", 0x7CFC00}, {"lemonchiffon", 0xFFFACD}, {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080}, {"lightcyan", 0xE0FFFF}, {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgray", 0xD3D3D3}, {"lightgrey", 0xD3D3D3}, {"lightgreen", 0x90EE90}, {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A}, {"lightseagreen", 0x20B2AA}, {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899}, {"lightslategrey", 0x778899}, {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0}, {"lime", 0x00FF00}, {"limegreen", 0x32CD32}, {"linen", 0xFAF0E6},
    {"magenta", 0xFF00FF}, {"maroon", 0x800000}, {"mediumaquamarine", 0x66CDAA}, {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3}, {"mediumpurple", 0x9370DB}, {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE}, {"mediumspringgreen", 0x00FA9A}, {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585}, {"midnightblue", 0x191970}, {"mintcream", 0xF5FFFA}, {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5}, {"navajowhite", 0xFFDEAD}, {"navy", 0x000080}, {"oldlace", 0xFDF5E6},
    {"olive", 0x808000}, {"olivedrab", 0x6B8E23}, {"orange", 0xFFA500}, {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6}, {"palegoldenrod", 0xEEE8AA}, {"palegreen", 0x98FB98}, {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093}, {"papayawhip", 0xFFEFD5}, {"peachpuff", 0xFFDAB9}, {"peru", 0xCD853F},
    {"pink", 0xFFC0CB}, {"plum", 0xDDA0DD}, {"powderblue", 0xB0E0E6}, {"purple", 0x800080}, {"red", 0xFF0000},
    {"rosybrown", 0xBC8F8F}, {"royalblue", 0x4169E1}, {"saddlebrown", 0x8B4513}, {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460}, {"seagreen", 0x2E8B57}, {"seashell", 0xFFF5EE}, {"sienna", 0xA0522D},
    {"silver", 0xC0C0C0}, {"skyblue", 0x87CEEB}, {"slateblue", 0x6A5ACD}, {"slategray", 0x708090},
    {"slategrey", 0x708090}, {"snow", 0xFFFAFA}, {"springgreen", 0x00FF7F}, {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C}, {"teal", 0x008080}, {"thistle", 0xD8BFD8}, {"tomato", 0xFF6347}, {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE}, {"wheat", 0xF5DEB3}, {"white", 0xFFFFFF}, {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00}, {"yellowgreen", 0x9ACD32},
};

// Windows' system colours as a sysClr without lastClr stands for them (default scheme).
const Named kSystemColours[] = {
    {"windowText", 0x000000}, {"window", 0xFFFFFF}, {"btnFace", 0xF0F0F0}, {"btnText", 0x000000},
    {"highlight", 0x3399FF}, {"highlightText", 0xFFFFFF}, {"grayText", 0x6D6D6D}, {"menu", 0xF0F0F0},
    {"menuText", 0x000000}, {"3dDkShadow", 0x696969}, {"3dLight", 0xE3E3E3}, {"btnShadow", 0xA0A0A0},
    {"btnHighlight", 0xFFFFFF}, {"infoBk", 0xFFFFE1}, {"infoText", 0x000000}, {"windowFrame", 0x646464},
};

}  // namespace

bool Theme::Lookup(const std::string& name, uint32_t& rgb) const {
    const int slot = SlotOf(name);
    if (slot < 0) return false;
    rgb = colours[slot];
    return true;
}

Theme ReadTheme(const pugi::xml_node& themeRoot, const pugi::xml_node& clrMap) {
    Theme t;
    for (int i = 0; i < Theme::kSchemeSize; ++i) t.scheme[i] = kDefaultScheme[i];
    // The theme part is its own document: find a:clrScheme by local names under a:themeElements.
    if (themeRoot) ReadScheme(t, ChildNamed(ChildNamed(themeRoot, "themeElements"), "clrScheme"));
    if (clrMap) Remap(t, clrMap);
    Resolve(t);
    return t;
}

Theme WithColourMap(const Theme& theme, const pugi::xml_node& map) {
    Theme t = theme;
    if (map) Remap(t, map);
    Resolve(t);
    return t;
}

std::map<std::string, std::string> ColourMapChanges(const Theme& theme) {
    const Theme identity;
    std::map<std::string, std::string> changes;
    for (int slot = Theme::Accent1; slot < Theme::SlotCount; ++slot)
        if (theme.map[slot] != identity.map[slot]) changes[kSlotNames[slot]] = kSlotNames[theme.map[slot]];
    return changes;
}

std::map<std::string, std::string> ChartColourMapChanges(const std::map<std::string, std::string>& slideChanges,
                                                         const pugi::xml_node& chartSpace) {
    Theme t;
    for (const auto& [name, target] : slideChanges) {
        const int slot = SlotOf(name), to = SlotOf(target);
        if (slot >= Theme::Accent1 && to >= 0 && to < Theme::kSchemeSize) t.map[slot] = to;
    }
    // Read by local names, as the chart may come from any writer; a c:clrMapOvr that wraps its
    // mapping in a:overrideClrMapping, as a slide's does, is read as well.
    pugi::xml_node map = ChildNamed(chartSpace, "clrMapOvr");
    if (pugi::xml_node inner = ChildNamed(map, "overrideClrMapping")) map = inner;
    if (map) Remap(t, map);
    return ColourMapChanges(t);
}

Theme WithThemeOverride(const Theme& theme, const pugi::xml_node& themeOverrideRoot) {
    Theme t = theme;
    if (themeOverrideRoot) ReadScheme(t, ChildNamed(themeOverrideRoot, "clrScheme"));
    Resolve(t);
    return t;
}

namespace detail {

int32_t ToModel(uint32_t rgb) {
    return static_cast<int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

uint32_t FromModel(int32_t bgr) {
    const uint32_t v = static_cast<uint32_t>(bgr);
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

uint32_t Transformed(uint32_t rgb, const std::vector<Transform>& transforms) {
    Rgb c = Unpack(rgb);
    for (const Transform& t : transforms) {
        const double v = t.value / 100000.0;
        if (t.name == "lumMod" || t.name == "lumOff") {
            Hsl h = ToHsl(c);
            h.l = Clamp01(t.name == "lumMod" ? h.l * v : h.l + v);
            c = FromHsl(h);
        } else if (t.name == "satMod" || t.name == "satOff") {
            Hsl h = ToHsl(c);
            h.s = Clamp01(t.name == "satMod" ? h.s * v : h.s + v);
            c = FromHsl(h);
        } else if (t.name == "hueOff" || t.name == "hueMod") {
            Hsl h = ToHsl(c);
            h.h = t.name == "hueOff" ? h.h + t.value / 60000.0 : h.h * v;
            h.h = std::fmod(std::fmod(h.h, 360) + 360, 360);
            c = FromHsl(h);
        } else if (t.name == "tint") {
            // A tint of t is t of the colour and the rest white, mixed in linear light as Office
            // mixes it: a 75% tint of black is 868686, not the sRGB mix 404040.
            c = FromLinear(PerChannel(ToLinear(c), [](double x, double k) { return x * k + (1 - k); }, Clamp01(v)));
        } else if (t.name == "shade") {
            // A shade of s is s of the colour and the rest black, in linear light as well.
            c = FromLinear(PerChannel(ToLinear(c), [](double x, double k) { return x * k; }, Clamp01(v)));
        } else if (t.name == "comp") {
            Hsl h = ToHsl(c);
            h.h = std::fmod(h.h + 180, 360);
            c = FromHsl(h);
        } else if (t.name == "inv") {
            c = {1 - c.r, 1 - c.g, 1 - c.b};
        } else if (t.name == "gray") {
            const double y = c.r * 0.299 + c.g * 0.587 + c.b * 0.114;
            c = {y, y, y};
        }
        // alpha and the rest change no colour that Excel's object model reports.
    }
    return Pack(c);
}

bool PresetColour(const std::string& name, uint32_t& rgb) {
    if (name.compare(0, 4, "sys:") == 0) {
        for (const Named& n : kSystemColours)
            if (name.compare(4, std::string::npos, n.name) == 0) return rgb = n.rgb, true;
        return false;
    }
    std::string css = name;
    if (css.compare(0, 3, "med") == 0) css = "medium" + css.substr(3);
    else if (css.compare(0, 2, "dk") == 0) css = "dark" + css.substr(2);
    else if (css.compare(0, 2, "lt") == 0) css = "light" + css.substr(2);
    std::transform(css.begin(), css.end(), css.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const Named& n : kCssColours)
        if (css == n.name) return rgb = n.rgb, true;
    return false;
}

bool ResolveColour(const Names& names, const pugi::xml_node& colour, const Theme& theme, uint32_t placeholder,
                   uint32_t& rgb) {
    if (names.NamespaceOf(colour) != Ns::Main) return false;
    const char* local = Names::Local(colour);
    const std::string val = colour.attribute("val").as_string();
    uint32_t base = 0;
    if (std::strcmp(local, "srgbClr") == 0) {
        base = ParseHex(val.c_str(), 0);
    } else if (std::strcmp(local, "schemeClr") == 0) {
        if (val == "phClr") base = placeholder;
        else if (!theme.Lookup(val, base)) return false;
    } else if (std::strcmp(local, "sysClr") == 0) {
        if (colour.attribute("lastClr")) base = ParseHex(colour.attribute("lastClr").value(), 0);
        else if (!PresetColour("sys:" + val, base)) return false;
    } else if (std::strcmp(local, "prstClr") == 0) {
        if (!PresetColour(val, base)) return false;
    } else if (std::strcmp(local, "scrgbClr") == 0) {
        // Linear light in 1/100,000 per channel; Excel reports it in sRGB.
        auto channel = [&](const char* a) { return GammaOf(Clamp01(colour.attribute(a).as_double() / 100000.0)); };
        base = Pack({channel("r"), channel("g"), channel("b")});
    } else if (std::strcmp(local, "hslClr") == 0) {
        base = Pack(FromHsl({colour.attribute("hue").as_double() / 60000.0,
                             colour.attribute("sat").as_double() / 100000.0,
                             colour.attribute("lum").as_double() / 100000.0}));
    } else {
        return false;
    }
    std::vector<Transform> transforms;
    for (pugi::xml_node t : colour.children())
        if (t.type() == pugi::node_element) transforms.push_back({Names::Local(t), t.attribute("val").as_int()});
    rgb = Transformed(base, transforms);
    return true;
}

bool ColourIn(const Names& names, const pugi::xml_node& holder, const Theme& theme, uint32_t placeholder,
              uint32_t& rgb) {
    for (pugi::xml_node c : holder.children())
        if (c.type() == pugi::node_element && ResolveColour(names, c, theme, placeholder, rgb)) return true;
    return false;
}

Theme WithColourMapOverride(const Theme& theme, const Names& names, const pugi::xml_node& clrMapOvr) {
    if (!clrMapOvr) return theme;
    // c:clrMapOvr carries the mapping in its own attributes; a part that wraps it in an
    // a:overrideClrMapping, as a slide's p:clrMapOvr does, is read as well.
    for (pugi::xml_node m : clrMapOvr.children())
        if (names.Is(m, Ns::Main, "overrideClrMapping")) return WithColourMap(theme, m);
    return WithColourMap(theme, clrMapOvr);
}

}  // namespace detail
}  // namespace office
