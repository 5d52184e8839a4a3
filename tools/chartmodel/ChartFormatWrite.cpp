// Writing one element's fill and line into its c:spPr, only where the model changed.
#include "tools/chartmodel/ChartFormatWrite.h"

#include <cstdio>

namespace office::detail {

namespace {

using sim::BorderModel;
using sim::ElementModel;
using sim::FillModel;
using sim::InteriorModel;
using xml::Names;
using xml::Ns;

bool IsFillChoice(const Names& names, const pugi::xml_node& n) {
    if (names.NamespaceOf(n) != Ns::Main) return false;
    for (const char* f : {"noFill", "solidFill", "gradFill", "blipFill", "pattFill", "grpFill"})
        if (std::string(Names::Local(n)) == f) return true;
    return false;
}

std::string Hex(int32_t bgr) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(FromModel(bgr)));
    return buf;
}

// The colour a write stands for: a palette entry written through ColorIndex counts as its
// palette colour even where the colour itself was not kept in step.
int32_t ColourOf(int32_t colour, int32_t colorIndex, int32_t colourBefore, int32_t indexBefore) {
    if (colorIndex >= 1 && colorIndex <= 56 && colorIndex != indexBefore && colour == colourBefore)
        return PaletteColour(colorIndex);
    return colour;
}

bool FillShown(const InteriorModel& in, const FillModel& f) { return f.visible != 0 && in.colorIndex != -4142; }

bool LineShown(const BorderModel& b) { return b.lineStyle != -4142 && b.colorIndex != -4142; }

void AddColour(const Names& names, pugi::xml_node holder, int32_t bgr) {
    pugi::xml_node c = holder.append_child(names.Qualified(Ns::Main, "srgbClr").c_str());
    c.append_attribute("val") = Hex(bgr).c_str();
}

}  // namespace

pugi::xml_node ReplaceFill(const Names& names, pugi::xml_node holder, const char* fill) {
    for (pugi::xml_node c = holder.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (IsFillChoice(names, c)) holder.remove_child(c);
        c = next;
    }
    return xml::InsertOrdered(names, holder, Ns::Main, fill);
}

void SetSolid(const Names& names, pugi::xml_node holder, int32_t bgr) {
    AddColour(names, ReplaceFill(names, holder, "solidFill"), bgr);
}

bool FillDiffers(const ElementModel& b, const ElementModel& a) {
    const bool shownB = FillShown(b.interior, b.fill), shownA = FillShown(a.interior, a.fill);
    if (shownB != shownA) return true;
    if (!shownA) return false;  // no fill before or after, whatever the colours say
    return b.fill.type != a.fill.type || b.fill.pattern != a.fill.pattern || b.interior.color != a.interior.color ||
           b.interior.patternColor != a.interior.patternColor || b.interior.colorIndex != a.interior.colorIndex;
}

bool LineDiffers(const BorderModel& b, const BorderModel& a) {
    if (LineShown(b) != LineShown(a)) return true;
    if (!LineShown(a)) return false;
    return b.color != a.color || b.colorIndex != a.colorIndex || b.weight != a.weight || b.lineStyle != a.lineStyle;
}

size_t WriteFillInto(const Names& names, pugi::xml_node spPr, const ElementModel& b, const ElementModel& a) {
    if (!FillDiffers(b, a)) return 0;
    if (!FillShown(a.interior, a.fill)) {
        ReplaceFill(names, spPr, "noFill");
        return 1;
    }
    const int32_t fg = ColourOf(a.interior.color, a.interior.colorIndex, b.interior.color, b.interior.colorIndex);
    const char* preset = a.fill.type == FillModel::Type::Patterned ? PatternPreset(a.fill.pattern) : nullptr;
    if (preset) {
        pugi::xml_node patt = ReplaceFill(names, spPr, "pattFill");
        patt.append_attribute("prst") = preset;
        AddColour(names, patt.append_child(names.Qualified(Ns::Main, "fgClr").c_str()), fg);
        AddColour(names, patt.append_child(names.Qualified(Ns::Main, "bgClr").c_str()), a.interior.patternColor);
        return 1;
    }
    // Solid, and every fill whose colour Excel's Interior replaced: an Interior.Color write turns
    // a gradient, texture or picture into a solid fill of that colour.
    SetSolid(names, spPr, fg);
    return 1;
}

size_t WriteLineInto(const Names& names, pugi::xml_node spPr, const BorderModel& b, const BorderModel& a) {
    if (!LineDiffers(b, a)) return 0;
    const bool created = !xml::Child(names, spPr, Ns::Main, "ln");
    pugi::xml_node ln = xml::ChildOrNew(names, spPr, Ns::Main, "ln");
    if (!LineShown(a)) {
        ReplaceFill(names, ln, "noFill");
        return 1;
    }
    size_t written = 0;
    const bool appears = !LineShown(b);
    if (appears || created || b.color != a.color || b.colorIndex != a.colorIndex) {
        SetSolid(names, ln, ColourOf(a.color, a.colorIndex, b.color, b.colorIndex));
        written += appears || b.color != a.color || b.colorIndex != a.colorIndex;
    }
    if (appears || created || b.weight != a.weight) {
        pugi::xml_attribute w = ln.attribute("w");
        if (!w) w = ln.prepend_attribute("w");
        w.set_value(EmuOfWeight(a.weight));
        written += b.weight != a.weight;
    }
    if (appears || created || b.lineStyle != a.lineStyle) {
        const bool compound = a.lineStyle == -4119;
        if (compound) {
            pugi::xml_attribute cmpd = ln.attribute("cmpd");
            if (!cmpd) cmpd = ln.append_attribute("cmpd");
            cmpd.set_value("dbl");
        } else {
            ln.remove_attribute("cmpd");
        }
        pugi::xml_node custom = xml::Child(names, ln, Ns::Main, "custDash");
        if (custom) ln.remove_child(custom);
        const char* dash = DashOfLineStyle(a.lineStyle);
        xml::SetVal(xml::ChildOrNew(names, ln, Ns::Main, "prstDash"), dash ? dash : "solid");
        written += b.lineStyle != a.lineStyle;
    }
    return written == 0 ? 1 : written;
}

size_t WriteFormat(const Names& names, const pugi::xml_node& owner, const ElementModel& b, const ElementModel& a) {
    if (!FillDiffers(b, a) && !LineDiffers(b.border, a.border)) return 0;
    size_t written = 0;
    bool first = true;
    for (pugi::xml_node spPr : xml::ChildrenToWrite(names, owner, Ns::Chart, "spPr")) {
        const size_t n = WriteFillInto(names, spPr, b, a) + WriteLineInto(names, spPr, b.border, a.border);
        if (first) written = n;
        first = false;
    }
    return written;
}

size_t WriteLineFormat(const Names& names, const pugi::xml_node& owner, const BorderModel& b, const BorderModel& a) {
    if (!LineDiffers(b, a)) return 0;
    size_t written = 0;
    bool first = true;
    for (pugi::xml_node spPr : xml::ChildrenToWrite(names, owner, Ns::Chart, "spPr")) {
        const size_t n = WriteLineInto(names, spPr, b, a);
        if (first) written = n;
        first = false;
    }
    return written;
}

}  // namespace office::detail
