// RTF from other programs and other projects' test suites (tests/fixtures/rtf-corpus): the
// text Velmo shows must be the text LibreOffice shows, and LibreOffice must read back from
// what Velmo writes the text of the original. The files that differ for a fair reason are
// listed with the reason in the corpus's EXCEPTIONS file.
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include "rtf/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

using namespace velmo::rtf;
namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = fs::path(VELMO_FIXTURES) / "rtf-corpus";

std::string slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// White space runs (spaces, tabs, line and paragraph ends) as one space, none at the ends,
// and no byte-order mark: what is left is the text itself. LibreOffice's text export writes
// a run of spaces with typographic spaces (U+2000..U+200A) among them.
std::string collapsed(std::string text)
{
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    std::string out;
    bool space = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool typographic = c == '\xE2' && i + 2 < text.size() && text[i + 1] == '\x80'
                                 && static_cast<unsigned char>(text[i + 2]) <= 0x8A;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || typographic) {
            space = !out.empty();
            i += typographic ? 2 : 0;
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// A paragraph as LibreOffice's text export gives it: its list label (a bullet as the one of
// its level, •, ◦, ▪, again from the fourth, whatever the file draws) and its text without
// pictures.
std::u16string exported(const Paragraph &p, const std::u16string &label)
{
    std::u16string text;
    if (p.bullet && p.numbering.style == Numbering::Style::Bullet)
        text += std::u16string(1, u"\u2022\u25E6\u25AA"[p.numbering.level % 3]) + u' ';
    else if (p.bullet)
        text += label + u' ';
    for (const Run &run : p.runs)
        if (!run.picture)
            text += run.text;
    return text + u'\n';
}

// What Velmo shows of a document, by the rule of LibreOffice's text export: the body text,
// without frames, text boxes and shapes; but when the body is no more than one empty
// paragraph, the text of the first frame instead.
std::string shownText(const Document &d)
{
    std::u16string body;
    std::size_t bodyParagraphs = 0;
    std::u16string firstFrame;
    int first = 0; // the first frame's number, once met
    bool firstEnded = false;
    ListNumberer numberer;
    for (const Paragraph &p : d.paragraphs) {
        const std::u16string label = numberer.next(p);
        if (first == 0)
            first = p.frame;
        if (p.frame == 0) {
            body += exported(p, label);
            ++bodyParagraphs;
        } else if (p.frame == first && !firstEnded) {
            firstFrame += exported(p, label);
        }
        firstEnded = firstEnded || (first != 0 && p.frame != first);
    }
    const bool emptyBody = bodyParagraphs == 0 || (bodyParagraphs == 1 && body == u"\n");
    return utf8(emptyBody ? firstFrame : body);
}

// EXCEPTIONS: "read <file>: reason" and "write <file>: reason", one a line.
std::set<std::string> exceptions(const std::string &kind)
{
    std::set<std::string> names;
    std::istringstream lines(slurp(kCorpus / "EXCEPTIONS"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(kind + " ", 0) != 0)
            continue;
        const std::size_t colon = line.find(':');
        names.insert(line.substr(kind.size() + 1, colon - kind.size() - 1));
    }
    return names;
}

std::vector<fs::path> corpusFiles()
{
    std::vector<fs::path> files;
    for (const auto &entry : fs::directory_iterator(kCorpus))
        if (entry.path().extension() == ".rtf")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Checks the comparisons of one kind: every difference is a known one, listed with its
// reason, and at least 95 % of the files give LibreOffice's text (what keeps the rest apart
// is LibreOffice computing fields, drawings Velmo does not keep, and list quirks).
void expectAsLibreOffice(const std::map<std::string, std::pair<std::string, std::string>> &results,
                         const std::string &kind)
{
    const std::set<std::string> known = exceptions(kind);
    std::size_t equal = 0;
    for (const auto &[name, texts] : results) {
        const auto &[ours, theirs] = texts;
        if (ours == theirs) {
            ++equal;
            if (known.count(name))
                std::printf("[ corpus   ] %s %s is listed as an exception but gives LibreOffice's text\n",
                            kind.c_str(), name.c_str());
            continue;
        }
        EXPECT_TRUE(known.count(name)) << kind << " " << name << " differs from LibreOffice's text and is no "
                                       << "listed exception\n  Velmo:       " << ours
                                       << "\n  LibreOffice: " << theirs;
    }
    ASSERT_FALSE(results.empty());
    EXPECT_GE(equal * 100, results.size() * 95) << equal << " of " << results.size() << " equal";
    std::printf("[ corpus   ] %s: %zu of %zu files give LibreOffice's text\n", kind.c_str(), equal, results.size());
}

TEST(RtfCorpus, TextAsLibreOfficeShowsIt)
{
    std::map<std::string, std::pair<std::string, std::string>> results;
    for (const fs::path &file : corpusFiles()) {
        const ReadResult r = read(slurp(file));
        ASSERT_TRUE(r.ok()) << file;
        // What Velmo writes, Velmo reads back as it was (what the file held that Velmo
        // leaves out is not written, so it cannot be left out again).
        Document again = read(write(r.document)).document;
        again.dropped = r.document.dropped;
        EXPECT_TRUE(again == r.document) << file << " changes when written and read again";
        fs::path txt = file;
        txt.replace_extension(".txt");
        results[file.filename().string()] = {collapsed(shownText(r.document)), collapsed(slurp(txt))};
    }
    expectAsLibreOffice(results, "read");
}

TEST(RtfCorpus, LibreOfficeReadsWhatWeWrite)
{
    if (std::system("command -v soffice >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "LibreOffice (soffice) is not installed; this check needs it";
    const fs::path dir = fs::temp_directory_path() / ("velmo-rtf-corpus-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::map<std::string, std::pair<std::string, std::string>> results;
    for (const fs::path &file : corpusFiles()) {
        const ReadResult r = read(slurp(file));
        ASSERT_TRUE(r.ok()) << file;
        std::ofstream(dir / file.filename(), std::ios::binary) << write(r.document);
    }
    // A few conversions for all files: starting LibreOffice is what takes the time. One
    // LibreOffice process stops converting (without a word) after some 250 documents, so
    // the files go in batches. The profile folder is this run's own, so that other
    // LibreOffice users on the machine do not get in the way.
    const std::vector<fs::path> files = corpusFiles();
    constexpr std::size_t kBatch = 100;
    for (std::size_t first = 0; first < files.size(); first += kBatch) {
        std::string names;
        for (std::size_t i = first; i < std::min(files.size(), first + kBatch); ++i)
            names += " '" + files[i].filename().string() + "'";
        const std::string command = "cd '" + dir.string() + "' && timeout 600 soffice -env:UserInstallation=file://"
                                    + dir.string() + "/profile --headless --convert-to 'txt:Text (encoded):UTF8'"
                                      " --outdir out" + names + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    for (const fs::path &file : files) {
        fs::path txt = file.filename();
        txt.replace_extension(".txt");
        fs::path original = file;
        original.replace_extension(".txt");
        EXPECT_TRUE(fs::exists(dir / "out" / txt)) << "LibreOffice converted nothing for " << file.filename();
        results[file.filename().string()] = {collapsed(slurp(dir / "out" / txt)), collapsed(slurp(original))};
    }
    fs::remove_all(dir);
    expectAsLibreOffice(results, "write");
}

} // namespace
