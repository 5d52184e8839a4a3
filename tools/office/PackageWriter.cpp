// Writing a package: the input's entries in their order, untouched ones as their compressed
// bytes (so that they stay byte for byte what Office wrote), replaced ones anew.
#include "tools/office/Package.h"

#include <zip.h>

#include <cctype>

namespace office {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Adds this package's entries and the replacements to out.
void Fill(ZipWriter& out, zip* in, const std::map<std::string, std::string>& replaced,
          const std::map<std::string, std::string>& replacedFromFiles) {
    // Lower-case name -> (contents or file name, whether it is a file name).
    std::map<std::string, std::pair<const std::string*, bool>> pending;
    for (const auto& [name, data] : replaced) pending[Lower(name)] = {&data, false};
    for (const auto& [name, file] : replacedFromFiles) pending[Lower(name)] = {&file, true};
    auto add = [&](const std::string& name, const std::pair<const std::string*, bool>& what) {
        if (what.second) out.AddFile(name, *what.first);
        else out.AddData(name, *what.first);
    };
    const zip_int64_t count = zip_get_num_entries(in, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const std::string name = zip_get_name(in, static_cast<zip_uint64_t>(i), 0);
        auto it = pending.find(Lower(name));
        if (it == pending.end()) {
            out.CopyEntry(in, static_cast<zip_uint64_t>(i), name);
            continue;
        }
        add(name, it->second);
        pending.erase(it);
    }
    for (const auto* names : {&replaced, &replacedFromFiles})
        for (const auto& entry : *names) {
            auto it = pending.find(Lower(entry.first));
            if (it != pending.end()) add(entry.first, it->second);
        }
}

}  // namespace

void Package::Write(const std::string& path, const std::map<std::string, std::string>& replaced,
                    const std::map<std::string, std::string>& replacedFromFiles) const {
    WriteZipFile(path, [&](ZipWriter& out) { Fill(out, archive_, replaced, replacedFromFiles); });
}

std::string Package::WriteBytes(const std::map<std::string, std::string>& replaced) const {
    // An embedded package that cannot be rewritten fails the file that holds it.
    try {
        return WriteZipBytes(displayName_, [&](ZipWriter& out) { Fill(out, archive_, replaced, {}); });
    } catch (const PackageWriteError& e) {
        throw OfficeFileError(e.what());
    }
}

}  // namespace office
