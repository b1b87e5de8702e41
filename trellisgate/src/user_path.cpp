#include <trellisgate/path_setup.h>

#include <registry/registry_key.h>
#include <registry/win32_error.h>
#include <registry/wine_prefix.h>

namespace trellisgate {

namespace {

// A leading "%" asks for the expandable type and is not part of the directory.
bool TakeExpandMarker(std::string& directory) {
    if (directory.empty() || directory.front() != '%') return false;
    directory.erase(0, 1);
    return true;
}

// Reports a failed registry step with the key's own explanation, if any, and
// gives the exit code.
int Failed(const Context& ctx, std::string_view what, const registry::RegistryKey& key) {
    PrintError(ctx.report, what, key.LastError());
    if (!key.ErrorDetail().empty()) ctx.report.Line(key.ErrorDetail());
    return ExitCodeFor(key.LastError());
}

std::string AppendEntry(const std::string& list, const std::string& directory) {
    if (list.empty()) return directory;
    if (list.back() == ';') return list + directory;
    return list + ";" + directory;
}

}  // namespace

std::optional<size_t> FindPathEntry(std::string_view list, std::string_view directory) {
    if (list.empty()) return std::nullopt;
    size_t pos = 0;
    for (;;) {
        const size_t sep = list.find(';', pos);
        if (list.substr(pos, sep == std::string_view::npos ? std::string_view::npos : sep - pos) == directory) {
            return pos;
        }
        if (sep == std::string_view::npos) return std::nullopt;
        pos = sep + 1;
    }
}

int AddToUserPath(const Context& ctx, std::string_view name, std::string directory) {
    registry::RegistryKey key(registry::UserHivePath(ctx.prefix));
    if (!key.Create(kEnvironmentKey)) return Failed(ctx, "Set Value", key);
    uint32_t type = registry::kRegNone;
    uint32_t size = 0;
    std::string old;
    const bool exists = key.QueryValue(name, type, size);
    if (exists ? !key.ReadString(name, old, size + directory.size() + 1)
               : key.LastError() != registry::kErrorFileNotFound) {
        // A PATH that cannot be read as text (a binary value, say) is not ours to replace.
        return Failed(ctx, "Read Value", key);
    }

    bool written = true;
    if (exists) {
        // An existing plain-string PATH is extended like an expandable one and
        // keeps its type: writing the directory alone would drop its entries.
        const bool marker = TakeExpandMarker(directory);
        const bool expand = type == registry::kRegExpandSz || marker;
        if (!FindPathEntry(old, directory)) {
            written = key.WriteString(name, AppendEntry(old, directory), expand ? registry::kRegExpandSz : registry::kRegSz);
        }
    } else {
        const bool expand = TakeExpandMarker(directory);
        written = key.WriteString(name, directory, expand ? registry::kRegExpandSz : registry::kRegSz);
    }
    if (!written) return Failed(ctx, "Set Value", key);
    // Windows would now broadcast WM_SETTINGCHANGE ("Environment") so that
    // running programs reload the environment. Wine has no counterpart: a
    // Wine process reads the environment from the hive when it starts, so
    // there is nothing to notify.
    return 0;
}

}  // namespace trellisgate
