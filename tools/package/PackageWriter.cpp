// Writing a package: the input's entries in their order, untouched ones as their compressed
// bytes (so that they stay byte for byte what Office wrote), replaced ones anew.
#include "tools/package/Package.h"
#include "tools/package/CaseFold.h"

#include <zip.h>

namespace office {

namespace {

// A replaced entry keeps the time of the entry it replaces, and an added one takes the time of
// the package's first entry, so that the same input gives the same bytes each time.
time_t EntryTime(zip* in, zip_int64_t index) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (index >= 0 && zip_stat_index(in, static_cast<zip_uint64_t>(index), 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME))
        return st.mtime;
    return index == 0 ? ZipWriter::kFixedTime : EntryTime(in, 0);
}

// Adds this package's entries and the replacements to out.
void Fill(ZipWriter& out, zip* in, const std::map<std::string, std::string>& replaced,
          const std::map<std::string, std::string>& replacedFromFiles) {
    // Lower-case name -> (contents or file name, whether it is a file name).
    std::map<std::string, std::pair<const std::string*, bool>> pending;
    for (const auto& [name, data] : replaced) pending[Lower(name)] = {&data, false};
    for (const auto& [name, file] : replacedFromFiles) pending[Lower(name)] = {&file, true};
    auto add = [&](const std::string& name, const std::pair<const std::string*, bool>& what, zip_int64_t replacing) {
        const time_t mtime = EntryTime(in, replacing);
        if (what.second) out.AddFile(name, *what.first, mtime);
        else out.AddData(name, *what.first, mtime);
    };
    const zip_int64_t count = zip_get_num_entries(in, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const std::string name = zip_get_name(in, static_cast<zip_uint64_t>(i), 0);
        auto it = pending.find(Lower(name));
        if (it == pending.end()) {
            out.CopyEntry(in, static_cast<zip_uint64_t>(i), name);
            continue;
        }
        add(name, it->second, i);
        pending.erase(it);
    }
    for (const auto* names : {&replaced, &replacedFromFiles})
        for (const auto& entry : *names) {
            auto it = pending.find(Lower(entry.first));
            if (it != pending.end()) add(entry.first, it->second, -1);
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
