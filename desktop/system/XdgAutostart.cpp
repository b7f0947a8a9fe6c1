#include "desktop/system/XdgAutostart.h"

#include "files/AtomicReplace.h"
#include "files/XdgFolders.h"

#include <cctype>
#include <cerrno>
#include <fstream>
#include <map>
#include <string_view>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace lumio {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view MARKER_KEY = "X-Lumio-Autostart";
constexpr std::string_view PROGRAM_NAME = "lumio";

using Keys = std::map<std::string, std::string, std::less<>>;

std::string failure(const fs::path& path, int error) {
    return path.string() + ": " + std::generic_category().message(error);
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// Desktop entry values of type string escape what a line cannot hold.
std::string escapeString(std::string_view s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescapeString(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (const char c = s[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += c;
        }
    }
    return out;
}

// One Exec argument: double-quoted when it holds a character the Exec grammar
// reserves, and with % doubled so it is never read as a field code.
std::string execArgument(std::string_view arg) {
    constexpr std::string_view RESERVED = " \t\n\"'\\><~|&;$*?#()`";
    constexpr std::string_view ESCAPED_IN_QUOTES = "\"`$\\";
    const bool quote = arg.find_first_of(RESERVED) != std::string_view::npos;
    std::string out = quote ? "\"" : "";
    for (const char c : arg) {
        if (quote && ESCAPED_IN_QUOTES.find(c) != std::string_view::npos) out += '\\';
        if (c == '%') out += '%';
        out += c;
    }
    if (quote) out += '"';
    return out;
}

// The program an Exec value (already string-unescaped) runs: its first argument.
std::string execProgram(std::string_view exec) {
    std::size_t i = exec.find_first_not_of(" \t");
    if (i == std::string_view::npos) return {};
    const bool quoted = exec[i] == '"';
    if (quoted) ++i;
    std::string program;
    for (; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted ? c == '"' : (c == ' ' || c == '\t')) break;
        if ((quoted && c == '\\') || (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%')) {
            if (++i == exec.size()) break;
        }
        program += exec[i];
    }
    return program;
}

// The keys of the [Desktop Entry] group, string values unescaped; nullopt
// when the file cannot be opened.
std::optional<Keys> readEntry(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    Keys keys;
    bool inMainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string::npos) continue;
        // A repeated key is malformed; the last one wins, as GLib reads it.
        keys.insert_or_assign(trimmed(std::string_view(line).substr(0, equals)),
                              unescapeString(trimmed(std::string_view(line).substr(equals + 1))));
    }
    return keys;
}

std::optional<bool> boolean(const Keys& keys, std::string_view key) {
    const auto it = keys.find(key);
    if (it == keys.end()) return std::nullopt;
    std::string value = it->second;
    for (char& c : value)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (value == "true") return true;
    if (value == "false") return false;
    return std::nullopt;
}

bool isOurs(const Keys& keys) {
    if (boolean(keys, MARKER_KEY) == true) return true;
    const auto exec = keys.find("Exec");
    return exec != keys.end() && fs::path(execProgram(exec->second)).filename() == PROGRAM_NAME;
}

bool isDisabled(const Keys& keys) {
    return boolean(keys, "Hidden") == true || boolean(keys, "X-GNOME-Autostart-enabled") == false;
}

std::string entryText(const fs::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Lumio\n"
           "Comment=Nhắc nghỉ mắt\n"
           "Exec=" +
           escapeString(execArgument(executable.string())) +
           "\n"
           "Icon=lumio\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n" +
           std::string(MARKER_KEY) + "=true\n";
}

} // namespace

XdgAutostart::XdgAutostart(fs::path executable, fs::path autostartDir)
    : executable(std::move(executable)), dir(std::move(autostartDir)) {}

fs::path XdgAutostart::defaultDir() {
    return configHome() / "autostart";
}

std::optional<std::string> XdgAutostart::install() {
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) return dir.string() + ": " + error.message();
    // Nothing private in it: the mode desktop entries usually have. The
    // temporary file is hidden, so a leftover of a killed save never shows.
    constexpr auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                          fs::perms::others_read;
    const auto replaced = replaceFile(entryFile(), entryText(executable), mode, {}, true);
    if (!replaced.ok()) return failure(replaced.status().path(), replaced.status().code());
    return std::nullopt;
}

std::optional<std::string> XdgAutostart::remove() {
    const fs::path file = entryFile();
    // A lumio.desktop that runs another program (say a wrapper script the user
    // wrote) is the user's own: it stays, and none of ours starts at login. A
    // file with no Exec at all may be a damaged one of ours, so it goes.
    if (const auto keys = readEntry(file); keys && !isOurs(*keys) && keys->contains("Exec")) {
        return std::nullopt;
    }
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) return failure(file, errno);
    return std::nullopt;
}

bool XdgAutostart::isInstalled() const {
    const auto keys = readEntry(entryFile());
    return keys && isOurs(*keys) && !isDisabled(*keys);
}

} // namespace lumio
