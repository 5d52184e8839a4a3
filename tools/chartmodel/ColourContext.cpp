#include "tools/chartmodel/ColourContext.h"
#include "tools/package/XmlNames.h"

#include <cstring>

namespace office {

namespace {

using xml::Child;

std::string Related(const Package& package, const std::string& part, const char* type) {
    for (const Relationship& r : package.Relationships(part))
        if (!r.external && IsRelationshipType(r, type) && package.HasPart(r.target)) return r.target;
    return {};
}

Theme WithOverrideOf(const Package& package, const std::string& part, const Theme& theme) {
    const pugi::xml_document xml = package.ParseXml(part);
    const pugi::xml_node map = Child(Child(xml.document_element(), "clrMapOvr"), "overrideClrMapping");
    return map ? WithColourMap(theme, map) : theme;
}

}  // namespace

Theme WithSlideColourMap(const Package& package, const std::string& slidePart, const Theme& masterTheme) {
    Theme theme = masterTheme;
    const std::string layout = Related(package, slidePart, "slideLayout");
    if (!layout.empty()) theme = WithOverrideOf(package, layout, theme);
    return WithOverrideOf(package, slidePart, theme);
}

std::string ThemeOverridePart(const Package& package, const std::string& chartPart) {
    return Related(package, chartPart, "themeOverride");
}

Theme WithChartThemeOverride(const Package& package, const std::string& chartPart, const Theme& theme) {
    const std::string part = ThemeOverridePart(package, chartPart);
    if (part.empty()) return theme;
    const pugi::xml_document xml = package.ParseXml(part);
    return WithThemeOverride(theme, xml.document_element());
}

}  // namespace office
