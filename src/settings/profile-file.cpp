#include "settings/profile-file.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

std::string_view TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

ProfileLine ParseProfileLine(std::string_view raw)
{
    ProfileLine line;
    line.raw = std::string(raw);
    const std::string_view text = TrimBlanks(raw);
    if (text.empty() || text.front() == ';')
        return line;
    if (text.front() == '[') {
        const auto close = text.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = ProfileLine::Kind::Section;
            line.name = std::string(TrimBlanks(text.substr(1, close - 1)));
        }
        return line;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        line.kind = ProfileLine::Kind::Bare;
        line.name = std::string(text);
        return line;
    }
    line.kind = ProfileLine::Kind::Entry;
    line.name = std::string(TrimBlanks(text.substr(0, equals)));
    line.value = std::string(TrimBlanks(text.substr(equals + 1)));
    return line;
}

namespace {

std::string FoldedName(std::string_view name)
{
    return LowerAscii(name);
}

} // namespace

ProfileDocument ProfileDocument::Parse(std::string_view text)
{
    ProfileDocument document;
    std::size_t start = 0;
    bool sawLineEnd = false;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        // Carriage returns before the line end belong to the line end, so a
        // CR LF answer saved as CR CR LF still reads as plain values.
        if (!line.empty() && line.back() == '\r' && !sawLineEnd && end != std::string_view::npos)
            document.m_crLf = true;
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (end != std::string_view::npos)
            sawLineEnd = true;
        ProfileLine parsed = ParseProfileLine(line);
        if (parsed.kind == ProfileLine::Kind::Section) {
            document.m_sections.push_back({std::move(parsed), {}});
            document.Index(document.m_sections.size() - 1);
        } else if (document.m_sections.empty()) {
            document.m_preamble.push_back(std::move(parsed));
        } else {
            document.m_sections.back().body.push_back(std::move(parsed));
        }
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return document;
}

std::string ProfileDocument::Serialize() const
{
    const std::string_view lineEnd = m_crLf ? "\r\n" : "\n";
    std::string text;
    const auto add = [&](const ProfileLine& line) {
        text += line.raw;
        text += lineEnd;
    };
    for (const ProfileLine& line : m_preamble)
        add(line);
    for (const ProfileSection& section : m_sections) {
        add(section.header);
        for (const ProfileLine& line : section.body)
            add(line);
    }
    return text;
}

const std::vector<std::size_t>& ProfileDocument::Find(std::string_view name) const
{
    static const std::vector<std::size_t> none;
    const auto found = m_index.find(FoldedName(name));
    return found == m_index.end() ? none : found->second;
}

void ProfileDocument::Index(std::size_t position)
{
    m_index[FoldedName(m_sections[position].header.name)].push_back(position);
}

void ProfileDocument::Reindex()
{
    m_index.clear();
    for (std::size_t i = 0; i < m_sections.size(); ++i)
        Index(i);
}

bool ProfileDocument::SwapSections(std::size_t a, std::size_t b)
{
    if (a >= m_sections.size() || b >= m_sections.size())
        return false;
    // Each section keeps a blank line after it, so that none runs into the
    // next where the last one of the file had none.
    for (std::size_t at : {a, b}) {
        auto& body = m_sections[at].body;
        if (body.empty() || !TrimBlanks(body.back().raw).empty())
            body.push_back(ParseProfileLine(""));
    }
    std::swap(m_sections[a], m_sections[b]);
    Reindex();
    return true;
}

std::size_t ProfileDocument::AppendSection(const std::string& name)
{
    const ProfileLine* last = nullptr;
    if (!m_sections.empty())
        last = m_sections.back().body.empty() ? &m_sections.back().header : &m_sections.back().body.back();
    else if (!m_preamble.empty())
        last = &m_preamble.back();
    if (last != nullptr && !TrimBlanks(last->raw).empty()) {
        if (m_sections.empty())
            m_preamble.push_back(ParseProfileLine(""));
        else
            m_sections.back().body.push_back(ParseProfileLine(""));
    }
    m_sections.push_back({MakeSectionLine(name), {}});
    Index(m_sections.size() - 1);
    return m_sections.size() - 1;
}

void ProfileDocument::RemoveSection(std::string_view name, bool keepFirst)
{
    const std::string folded = FoldedName(name);
    if (m_index.find(folded) == m_index.end())
        return;
    bool first = true;
    std::erase_if(m_sections, [&](const ProfileSection& section) {
        if (FoldedName(section.header.name) != folded)
            return false;
        const bool keep = keepFirst && first;
        first = false;
        return !keep;
    });
    Reindex();
}

ProfileLine MakeSectionLine(const std::string& name)
{
    return ParseProfileLine("[" + name + "]");
}

ProfileLine MakeEntryLine(const std::string& key, const std::string& value)
{
    ProfileLine line;
    line.kind = ProfileLine::Kind::Entry;
    line.raw = key + "=" + value;
    line.name = std::string(TrimBlanks(key));
    line.value = std::string(TrimBlanks(value));
    return line;
}

std::string ResolveProfilePath(const std::string& path)
{
    std::error_code error;
    const fs::path wanted(path);
    if (fs::exists(fs::symlink_status(wanted, error)))
        return path;
    const fs::path directory = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
    const std::string name = wanted.filename().string();
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const std::string candidate = it->path().filename().string();
        if (EqualsNoCase(candidate, name))
            return (wanted.has_parent_path() ? (directory / candidate) : fs::path(candidate)).string();
    }
    return path;
}

std::string ReadProfileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace velmora
