#include "tools/chartmodel/ChartXml.h"

#include <cstdlib>
#include <cstring>

namespace office::xml {

namespace {

struct NsInfo {
    Ns ns;
    const char* uri;
    const char* preferredPrefix;
    bool strict = false;
};

// A file saved as Strict Open XML names the chart and DrawingML namespaces anew; its parts are
// otherwise the same, so both names stand for one namespace here.
const NsInfo kNamespaces[] = {
    {Ns::Chart, "http://schemas.openxmlformats.org/drawingml/2006/chart", "c"},
    {Ns::Main, "http://schemas.openxmlformats.org/drawingml/2006/main", "a"},
    {Ns::Compat, "http://schemas.openxmlformats.org/markup-compatibility/2006", "mc"},
    {Ns::Chart2010, "http://schemas.microsoft.com/office/drawing/2007/8/2/chart", "c14"},
    {Ns::ChartEx, "http://schemas.microsoft.com/office/drawing/2014/chartex", "cx"},
    {Ns::Chart, "http://purl.oclc.org/ooxml/drawingml/chart", "c", true},
    {Ns::Main, "http://purl.oclc.org/ooxml/drawingml/main", "a", true},
};

Ns NsOfUri(const std::string& uri) {
    for (const NsInfo& i : kNamespaces)
        if (uri == i.uri) return i.ns;
    return Ns::Other;
}

std::string PrefixOf(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? std::string(name, colon) : std::string();
}

// The prefixes whose Choice branches this reader understands: the 2010 chart extensions carry
// only c14:style, which it reads.
bool ChoiceUnderstood(const pugi::xml_node& choice) {
    std::string requires_ = choice.attribute("Requires").as_string();
    if (requires_.empty()) return false;
    size_t start = 0;
    while (start < requires_.size()) {
        size_t end = requires_.find(' ', start);
        if (end == std::string::npos) end = requires_.size();
        const std::string prefix = requires_.substr(start, end - start);
        start = end + 1;
        if (prefix.empty()) continue;
        // Requires names prefixes in scope at the Choice.
        std::string uri;
        for (pugi::xml_node a = choice; a; a = a.parent()) {
            pugi::xml_attribute decl = a.attribute(("xmlns:" + prefix).c_str());
            if (decl) {
                uri = decl.value();
                break;
            }
        }
        if (NsOfUri(uri) != Ns::Chart2010) return false;
    }
    return true;
}

pugi::xml_node TakenBranch(const Names& names, const pugi::xml_node& alternate) {
    for (pugi::xml_node b : alternate.children()) {
        if (names.Is(b, Ns::Compat, "Choice") && ChoiceUnderstood(b)) return b;
    }
    for (pugi::xml_node b : alternate.children())
        if (names.Is(b, Ns::Compat, "Fallback")) return b;
    return {};
}

// The element an mc:AlternateContent stands for in its parent's order.
const char* StandIn(const pugi::xml_node& alternate) {
    for (pugi::xml_node b : alternate.children())
        for (pugi::xml_node e : b.children())
            if (e.type() == pugi::node_element) return Names::Local(e);
    return "";
}

const Order kChartSpace = {"date1904", "lang", "roundedCorners", "style", "clrMapOvr", "pivotSource",
                           "protection", "chart", "spPr", "txPr", "externalData", "printSettings",
                           "userShapes", "extLst"};
const Order kChart = {"title", "autoTitleDeleted", "pivotFmts", "view3D", "floor", "sideWall", "backWall",
                      "plotArea", "legend", "plotVisOnly", "dispBlanksAs", "showDLblsOverMax", "extLst"};
const Order kPlotArea = {"layout", "areaChart", "area3DChart", "lineChart", "line3DChart", "stockChart",
                         "radarChart", "scatterChart", "pieChart", "pie3DChart", "doughnutChart", "barChart",
                         "bar3DChart", "ofPieChart", "surfaceChart", "surface3DChart", "bubbleChart", "valAx",
                         "catAx", "dateAx", "serAx", "dTable", "spPr", "extLst"};
const Order kLegend = {"legendPos", "legendEntry", "layout", "overlay", "spPr", "txPr", "extLst"};
const Order kSurface = {"thickness", "spPr", "pictureOptions", "extLst"};
const Order kAxis = {"axId", "scaling", "delete", "axPos", "majorGridlines", "minorGridlines", "title",
                     "numFmt", "majorTickMark", "minorTickMark", "tickLblPos", "spPr", "txPr", "crossAx",
                     "crosses", "crossesAt", "crossBetween", "auto", "lblAlgn", "lblOffset", "baseTimeUnit",
                     "majorUnit", "majorTimeUnit", "minorUnit", "minorTimeUnit", "tickLblSkip", "tickMarkSkip",
                     "dispUnits", "noMultiLvlLbl", "extLst"};
const Order kChartLines = {"spPr"};
// The series of every chart group, merged: each group's own order is a subsequence of this one.
const Order kSeries = {"idx", "order", "tx", "spPr", "invertIfNegative", "pictureOptions", "marker",
                       "explosion", "dPt", "dLbls", "trendline", "errBars", "cat", "xVal", "val", "yVal",
                       "smooth", "bubbleSize", "bubble3D", "shape", "extLst"};
const Order kDataPoint = {"idx", "invertIfNegative", "marker", "bubble3D", "explosion", "spPr",
                          "pictureOptions", "extLst"};
const Order kMarker = {"symbol", "size", "spPr", "extLst"};
const Order kDataLabels = {"dLbl", "delete", "numFmt", "spPr", "txPr", "dLblPos", "showLegendKey", "showVal",
                           "showCatName", "showSerName", "showPercent", "showBubbleSize", "separator",
                           "showLeaderLines", "leaderLines", "extLst"};
const Order kDataLabel = {"idx", "delete", "layout", "tx", "numFmt", "spPr", "txPr", "dLblPos", "showLegendKey",
                          "showVal", "showCatName", "showSerName", "showPercent", "showBubbleSize", "separator",
                          "extLst"};
const Order kTrendline = {"name", "spPr", "trendlineType", "order", "period", "forward", "backward",
                          "intercept", "dispRSqr", "dispEq", "trendlineLbl", "extLst"};
const Order kSurfaceGroup = {"wireframe", "ser", "bandFmts", "axId", "extLst"};
const Order kBandFmts = {"bandFmt"};
const Order kBandFmt = {"idx", "spPr"};
const Order kShapeProperties = {"xfrm", "custGeom", "prstGeom", "noFill", "solidFill", "gradFill", "blipFill",
                                "pattFill", "grpFill", "ln", "effectLst", "effectDag", "scene3d", "sp3d",
                                "extLst"};
const Order kLine = {"noFill", "solidFill", "gradFill", "pattFill", "prstDash", "custDash", "round", "bevel",
                     "miter", "headEnd", "tailEnd", "extLst"};
const Order kPatternFill = {"fgClr", "bgClr"};

const std::map<std::string, const Order*>& ChartOrders() {
    static const std::map<std::string, const Order*> m = {
        {"chartSpace", &kChartSpace}, {"chart", &kChart}, {"plotArea", &kPlotArea}, {"legend", &kLegend},
        {"backWall", &kSurface}, {"sideWall", &kSurface}, {"floor", &kSurface}, {"catAx", &kAxis},
        {"valAx", &kAxis}, {"dateAx", &kAxis}, {"serAx", &kAxis}, {"majorGridlines", &kChartLines},
        {"minorGridlines", &kChartLines}, {"leaderLines", &kChartLines}, {"ser", &kSeries},
        {"dPt", &kDataPoint}, {"marker", &kMarker}, {"dLbls", &kDataLabels}, {"dLbl", &kDataLabel},
        {"trendline", &kTrendline}, {"surfaceChart", &kSurfaceGroup}, {"surface3DChart", &kSurfaceGroup},
        {"bandFmts", &kBandFmts}, {"bandFmt", &kBandFmt},
    };
    return m;
}

int Rank(const Order& order, const char* local) {
    for (size_t i = 0; i < order.size(); ++i)
        if (std::strcmp(order[i], local) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace

const char* Uri(Ns ns) {
    for (const NsInfo& i : kNamespaces)
        if (i.ns == ns) return i.uri;
    return "";
}

Names::Names(const pugi::xml_document& doc) {
    // Every element, depth first, without recursion: a part may nest deeply.
    for (pugi::xml_node n = doc.document_element(); n;) {
        for (pugi::xml_attribute a : n.attributes()) {
            const char* name = a.name();
            std::string prefix;
            if (std::strcmp(name, "xmlns") == 0) prefix = "";
            else if (std::strncmp(name, "xmlns:", 6) == 0) prefix = name + 6;
            else continue;
            auto it = prefixUri_.find(prefix);
            if (it == prefixUri_.end()) prefixUri_[prefix] = a.value();
            else if (it->second != a.value()) ambiguous_[prefix] = true;
        }
        pugi::xml_node next = n.first_child();
        while (next && next.type() != pugi::node_element) next = next.next_sibling();
        if (!next) {
            for (pugi::xml_node up = n; up && !next; up = up.parent()) {
                next = up.next_sibling();
                while (next && next.type() != pugi::node_element) next = next.next_sibling();
                if (up.parent() == doc) break;
            }
        }
        n = next;
    }
    pugi::xml_node root = doc.document_element();
    for (pugi::xml_attribute a : root.attributes()) {
        const char* name = a.name();
        if (std::strncmp(name, "xmlns:", 6) == 0) {
            const Ns ns = NsOfUri(a.value());
            if (ns != Ns::Other && !prefixOf_.count(ns)) prefixOf_[ns] = name + 6;
        } else if (std::strcmp(name, "xmlns") == 0) {
            const Ns ns = NsOfUri(a.value());
            if (ns != Ns::Other && !prefixOf_.count(ns)) prefixOf_[ns] = "";
        }
    }
}

std::string Names::UriOfPrefix(const pugi::xml_node& n, const std::string& prefix) const {
    if (ambiguous_.count(prefix)) {
        const std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
        for (pugi::xml_node a = n; a; a = a.parent()) {
            pugi::xml_attribute decl = a.attribute(attr.c_str());
            if (decl) return decl.value();
        }
        return {};
    }
    auto it = prefixUri_.find(prefix);
    return it == prefixUri_.end() ? std::string() : it->second;
}

const char* Names::Local(const pugi::xml_node& n) {
    const char* name = n.name();
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

Ns Names::NamespaceOf(const pugi::xml_node& n) const {
    if (n.type() != pugi::node_element) return Ns::Other;
    return NsOfUri(UriOfPrefix(n, PrefixOf(n.name())));
}

bool Names::Is(const pugi::xml_node& n, Ns ns, const char* local) const {
    return n.type() == pugi::node_element && std::strcmp(Local(n), local) == 0 && NamespaceOf(n) == ns;
}

std::string Names::Qualified(Ns ns, const char* local) const {
    auto it = prefixOf_.find(ns);
    std::string prefix;
    if (it != prefixOf_.end()) prefix = it->second;
    else
        for (const NsInfo& i : kNamespaces)
            if (i.ns == ns) prefix = i.preferredPrefix;
    return prefix.empty() ? std::string(local) : prefix + ":" + local;
}

void Names::EnsureDeclared(pugi::xml_node root, Ns ns) {
    if (prefixOf_.count(ns)) return;
    // A strict chart gets the strict name of the namespace.
    const bool strict = std::strncmp(UriOfPrefix(root, PrefixOf(root.name())).c_str(), "http://purl.oclc.org/", 21) == 0;
    const NsInfo* chosen = nullptr;
    for (const NsInfo& i : kNamespaces)
        if (i.ns == ns && (!chosen || i.strict == strict)) chosen = &i;
    if (!chosen) return;
    std::string prefix = chosen->preferredPrefix;
    // A prefix already bound to something else on the root would change that binding.
    while (root.attribute(("xmlns:" + prefix).c_str())) prefix += "x";
    root.append_attribute(("xmlns:" + prefix).c_str()) = chosen->uri;
    prefixOf_[ns] = prefix;
    if (!prefixUri_.count(prefix)) prefixUri_[prefix] = chosen->uri;
    else if (prefixUri_[prefix] != chosen->uri) ambiguous_[prefix] = true;
}

bool BoolVal(const pugi::xml_node& n, bool absent) {
    if (!n) return absent;
    pugi::xml_attribute v = n.attribute("val");
    if (!v) return true;
    const std::string s = v.value();
    return s == "1" || s == "true";
}

int IntVal(const pugi::xml_node& n, int absent) {
    if (!n) return absent;
    pugi::xml_attribute v = n.attribute("val");
    if (!v) return absent;
    char* end = nullptr;
    const long value = std::strtol(v.value(), &end, 10);
    return end && end != v.value() ? static_cast<int>(value) : absent;
}

std::string StrVal(const pugi::xml_node& n) { return n.attribute("val").as_string(); }

std::vector<pugi::xml_node> Children(const Names& names, const pugi::xml_node& parent, Ns ns, const char* local) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : parent.children()) {
        if (names.Is(c, ns, local)) {
            out.push_back(c);
        } else if (names.Is(c, Ns::Compat, "AlternateContent")) {
            pugi::xml_node branch = TakenBranch(names, c);
            for (pugi::xml_node w : branch.children())
                if (names.Is(w, ns, local)) out.push_back(w);
        }
    }
    return out;
}

std::vector<pugi::xml_node> ElementChildren(const Names& names, const pugi::xml_node& parent) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : parent.children()) {
        if (c.type() != pugi::node_element) continue;
        if (!names.Is(c, Ns::Compat, "AlternateContent")) {
            out.push_back(c);
            continue;
        }
        for (pugi::xml_node w : TakenBranch(names, c).children())
            if (w.type() == pugi::node_element) out.push_back(w);
    }
    return out;
}

pugi::xml_node Child(const Names& names, const pugi::xml_node& parent, Ns ns, const char* local) {
    for (pugi::xml_node c : parent.children()) {
        if (names.Is(c, ns, local)) return c;
        if (names.Is(c, Ns::Compat, "AlternateContent")) {
            pugi::xml_node branch = TakenBranch(names, c);
            for (pugi::xml_node w : branch.children())
                if (names.Is(w, ns, local)) return w;
        }
    }
    return {};
}

std::vector<pugi::xml_node> WithTwins(const Names& names, const pugi::xml_node& node) {
    std::vector<pugi::xml_node> out{node};
    // The path from the nearest branch down to the node: (name, position among same-named).
    std::vector<std::pair<std::string, int>> path;
    pugi::xml_node branch;
    for (pugi::xml_node n = node; n && n.parent(); n = n.parent()) {
        pugi::xml_node p = n.parent();
        if (names.Is(p, Ns::Compat, "Choice") || names.Is(p, Ns::Compat, "Fallback")) {
            int position = 0;
            for (pugi::xml_node s = n.previous_sibling(n.name()); s; s = s.previous_sibling(n.name())) ++position;
            path.insert(path.begin(), {n.name(), position});
            branch = p;
            break;
        }
        int position = 0;
        for (pugi::xml_node s = n.previous_sibling(n.name()); s; s = s.previous_sibling(n.name())) ++position;
        path.insert(path.begin(), {n.name(), position});
    }
    if (!branch) return out;
    for (pugi::xml_node other : branch.parent().children()) {
        if (other == branch || other.type() != pugi::node_element) continue;
        pugi::xml_node at = other;
        for (const auto& step : path) {
            pugi::xml_node found = at.child(step.first.c_str());
            for (int i = 0; found && i < step.second; ++i) found = found.next_sibling(step.first.c_str());
            at = found;
            if (!at) break;
        }
        if (at) out.push_back(at);
    }
    return out;
}

const Order* OrderFor(const pugi::xml_node& parent, const Names& names) {
    const Ns ns = names.NamespaceOf(parent);
    const char* local = Names::Local(parent);
    if (ns == Ns::Chart && std::strcmp(local, "spPr") == 0) return &kShapeProperties;
    if (ns == Ns::Chart) {
        auto it = ChartOrders().find(local);
        return it == ChartOrders().end() ? nullptr : it->second;
    }
    if (ns == Ns::Chart2010 || ns == Ns::Main) {
        if (std::strcmp(local, "spPr") == 0) return &kShapeProperties;
        if (std::strcmp(local, "ln") == 0) return &kLine;
        if (std::strcmp(local, "pattFill") == 0) return &kPatternFill;
    }
    return nullptr;
}

pugi::xml_node InsertOrdered(const Names& names, pugi::xml_node parent, Ns ns, const char* local) {
    const std::string qualified = names.Qualified(ns, local);
    const Order* order = OrderFor(parent, names);
    const int rank = order ? Rank(*order, local) : -1;
    if (rank >= 0) {
        for (pugi::xml_node c : parent.children()) {
            if (c.type() != pugi::node_element) continue;
            const char* name = names.Is(c, Ns::Compat, "AlternateContent") ? StandIn(c) : Names::Local(c);
            const int r = Rank(*order, name);
            if (r > rank) return parent.insert_child_before(qualified.c_str(), c);
        }
    }
    return parent.append_child(qualified.c_str());
}

pugi::xml_node ChildOrNew(const Names& names, pugi::xml_node parent, Ns ns, const char* local) {
    if (pugi::xml_node existing = Child(names, parent, ns, local)) return existing;
    return InsertOrdered(names, parent, ns, local);
}

std::vector<pugi::xml_node> ChildrenToWrite(const Names& names, const pugi::xml_node& owner, Ns ns, const char* local) {
    std::vector<pugi::xml_node> out;
    auto add = [&out](pugi::xml_node n) {
        for (pugi::xml_node o : out)
            if (o == n) return;
        out.push_back(n);
    };
    for (pugi::xml_node o : WithTwins(names, owner)) {
        pugi::xml_node existing = Child(names, o, ns, local);
        if (!existing) {
            add(InsertOrdered(names, o, ns, local));
            continue;
        }
        for (pugi::xml_node t : WithTwins(names, existing)) add(t);
    }
    return out;
}

void SetVal(pugi::xml_node n, const std::string& value) {
    pugi::xml_attribute v = n.attribute("val");
    if (!v) v = n.append_attribute("val");
    v.set_value(value.c_str());
}

}  // namespace office::xml
