// Sample files the peer comparisons share, made of the manual pages' prose: the same text
// as Shift-JIS (Velmo's text mode) and as UTF-8 (for peers that cannot read Shift-JIS),
// and a formatted document written as RTF by LibreOffice, as a word processor writes it.
// LibreOffice is slow to start, so its output is kept in a cache folder between runs.
#pragma once

#include "japaneseprose.h"
#include "platform/cp932codec.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace velmo::bench {

inline bool writeFile(const std::string &path, const std::string &bytes)
{
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        if (!out.flush())
            return false;
    }
    return std::rename(part.c_str(), path.c_str()) == 0;
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The prose, CR LF line ends, about `bytes` long in Shift-JIS; the same text in both files.
inline bool writeTextPair(const std::string &sjisPath, const std::string &utf8Path, std::size_t bytes)
{
    std::u16string text = japaneseText(bytes / 2);
    std::string sjis = cp932::encode(text).bytes;
    // Cut on a line end near the size.
    const std::size_t cut = sjis.rfind("\r\n", bytes);
    if (cut != std::string::npos && cut > bytes / 2) {
        sjis.resize(cut + 2);
        text = cp932::decode(sjis);
    }
    return writeFile(sjisPath, sjis) && writeFile(utf8Path, prose_detail::toUtf8(text));
}

inline std::string cacheFolder()
{
    const char *cache = std::getenv("XDG_CACHE_HOME");
    const char *home = std::getenv("HOME");
    const std::string base = cache && *cache ? cache : std::string(home && *home ? home : "/tmp") + "/.cache";
    const std::string folder = base + "/velmo-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

namespace sample_detail {

inline std::string escapeHtml(const std::u16string &text)
{
    std::string out;
    for (const char c : prose_detail::toUtf8(text)) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// A formatted document of `units` characters: headings, centred and indented paragraphs,
// bold, italic, coloured and larger phrases in Japanese and Latin faces.
inline std::string formattedHtml(std::size_t units)
{
    const auto &paragraphs = requireJapaneseParagraphs();
    std::string html = "<html><head><meta charset=\"utf-8\"></head>"
                       "<body style=\"font-family:'IPAMincho'; font-size:10.5pt\">\n";
    std::size_t count = 0;
    for (std::size_t i = 0; count < units; ++i) {
        const std::u16string &p = paragraphs[i % paragraphs.size()];
        count += p.size();
        if (i % 12 == 0) {
            html += "<h2 style=\"font-family:'IPAGothic'\">" + escapeHtml(p.substr(0, 30)) + "</h2>\n";
            continue;
        }
        const char *open = i % 7 == 1 ? "<p align=\"center\">" : i % 7 == 2 ? "<p style=\"margin-left:2cm\">" : "<p>";
        const std::size_t a = p.size() / 3, b = 2 * p.size() / 3;
        static const char *const accents[] = {"<b>", "<i>", "<span style=\"color:#c00000\">",
                                              "<span style=\"font-size:14pt\">",
                                              "<span style=\"font-family:'DejaVu Sans'\">", "<u>"};
        static const char *const closes[] = {"</b>", "</i>", "</span>", "</span>", "</span>", "</u>"};
        html += open + escapeHtml(p.substr(0, a)) + accents[i % 6] + escapeHtml(p.substr(a, b - a)) + closes[i % 6]
                + escapeHtml(p.substr(b)) + "</p>\n";
    }
    return html + "</body></html>\n";
}

// LibreOffice converts html to rtf in `folder`; the rtf's path, or empty.
inline std::string convert(const std::string &folder, const std::string &name, const std::string &html)
{
    const std::string htmlPath = folder + "/" + name + ".html";
    const std::string rtfPath = folder + "/" + name + ".rtf";
    if (!writeFile(htmlPath, html))
        return {};
    const std::string command = "soffice --headless -env:UserInstallation=file://" + folder
                                + "/lo-profile --infilter='HTML (StarWriter)' --convert-to rtf --outdir '"
                                + folder + "' '" + htmlPath + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(rtfPath))
        return {};
    std::filesystem::remove(htmlPath);
    return rtfPath;
}

} // namespace sample_detail

// A LibreOffice-written RTF of about `bytes` (made once, then taken from the cache); empty,
// after saying why, when LibreOffice is missing or fails.
inline std::string libreOfficeRtf(std::size_t bytes)
{
    const std::string folder = cacheFolder();
    const std::string name = "formatted-" + std::to_string(bytes / 1024) + "k";
    const std::string path = folder + "/" + name + ".rtf";
    // Within 3% of the size asked for; a file cached by an older run that fell short is made again.
    const auto closeEnough = [bytes](std::uintmax_t size) { return size >= bytes - bytes * 3 / 100; };
    std::error_code error;
    if (std::filesystem::exists(path) && closeEnough(std::filesystem::file_size(path, error)))
        return path;
    // Calibrate the characters per byte on a small document, then write the real one; the
    // fixed part of the file weighs more in the small one, so correct once by the result.
    const std::string probe = sample_detail::convert(folder, name + "-probe", sample_detail::formattedHtml(20000));
    if (probe.empty()) {
        std::fprintf(stderr, "LibreOffice could not write the RTF sample: run scripts/benchsetup.sh\n");
        return {};
    }
    double units = double(bytes) / (double(std::filesystem::file_size(probe)) / 20000);
    std::filesystem::remove(probe);
    // Made under another name and renamed, so that an interrupted run leaves no half file.
    std::string made;
    for (int attempt = 0; attempt < 2; ++attempt) {
        made = sample_detail::convert(folder, name + "-part", sample_detail::formattedHtml(std::size_t(units)));
        if (made.empty())
            break;
        const std::uintmax_t size = std::filesystem::file_size(made);
        if (closeEnough(size) && size <= bytes + bytes * 3 / 100)
            break;
        units *= double(bytes) / double(size);
    }
    if (made.empty() || (std::filesystem::rename(made, path, error), error)) {
        std::fprintf(stderr, "LibreOffice could not write the RTF sample\n");
        return {};
    }
    return path;
}

} // namespace velmo::bench
