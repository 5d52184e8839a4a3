#include "tools/bwoffice/ConsoleSummary.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

namespace bwoffice {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return line;
}

const char* Charts(size_t n) { return n == 1 ? "chart" : "charts"; }

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string ExtensionOf(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace

std::string WrittenAsText(const std::string& input, const std::string& output, office::FileKind kind) {
    const std::string extension = ExtensionOf(output);
    if (Lower(extension) == Lower(ExtensionOf(input))) return {};
    // The name's own ending as the user sees it: ".bw.ppsx" for a default name.
    const std::string name = output.substr(output.rfind('/') + 1);
    const std::string ending = Lower(name).size() >= extension.size() + 3 &&
                                       Lower(name).compare(name.size() - extension.size() - 3, 3, ".bw") == 0
                                   ? name.substr(name.size() - extension.size() - 3)
                                   : extension;
    const std::string what = office::NeedsImport(kind) ? std::string(office::NameOf(kind))
                                                       : "the package is " + std::string(office::NameOf(kind));
    return what + ": written as " + ending;
}

std::string TimingsText(const Timings& t) {
    return Format("  timings:          read %.3f s, pass %.3f s, write %.3f s, render %.3f s\n", t.read, t.pass,
                  t.write, t.render);
}

std::string SummaryText(const ConversionOptions& o, const ConversionSummary& s, bool timings) {
    std::string text = "bwpass: " + o.input + "\n";
    text += Format("  objects offered:  %zu (%zu with a workbook)\n", s.objects, s.excelObjects);
    text += Format("  charts:           %zu read, %zu converted, %zu properties changed\n", s.charts,
                   s.chartsConverted, s.propertiesChanged);
    // A converted chart whose part could not be written anew prints as it was: say so.
    if (s.chartsRewritten != s.chartsConverted)
        text += Format("  written back:     %zu of the %zu converted charts\n", s.chartsRewritten, s.chartsConverted);
    if (const std::string places = ChartPlacesText(s); !places.empty()) text += "  where they stand: " + places + "\n";
    text += Format("  look-alike series: %zu %s\n", s.chartsWithLookAlikes, Charts(s.chartsWithLookAlikes));
    text += Format("  vanishing text:   %zu %s\n", s.chartsWithVanishingText, Charts(s.chartsWithVanishingText));
    text += Format("  previews left in colour: %zu%s\n", s.previewsLeftInColour,
                   s.previewsLeftInColour ? " (named in the report)" : "");
    if (!s.unmodelled.empty())
        text += Format("  not modelled:     %zu %s left unchanged (listed in the report)\n", s.unmodelled.size(),
                       Charts(s.unmodelled.size()));
    const std::string writtenAs = WrittenAsText(o.input, o.output, s.kind);
    text += "  output:           " + o.output + (writtenAs.empty() ? "" : " (" + writtenAs + ")") + "\n";
    if (s.pdfWritten) text += "  pdf:              " + o.pdf + "\n";
    if (!o.report.empty()) text += "  report:           " + o.report + "\n";
    if (timings) text += TimingsText(s.timings);
    return text;
}

}  // namespace bwoffice
