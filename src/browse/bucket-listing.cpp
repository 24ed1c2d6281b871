#include "browse/bucket-listing.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "browse/listing-text.h"

namespace velmora {

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

bool Named(const xmlNode* node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

// The text of the child element of that name; empty when there is none.
std::string ChildText(const xmlNode* parent, const char* name)
{
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (!Named(child, name))
            continue;
        xmlChar* content = xmlNodeGetContent(child);
        std::string text = content ? reinterpret_cast<const char*>(content) : "";
        xmlFree(content);
        return text;
    }
    return {};
}

} // namespace

bool LooksLikeBucketListing(std::string_view start)
{
    return start.substr(0, 1024).find("<ListBucketResult") != std::string_view::npos;
}

std::optional<std::vector<ListedEntry>> ParseBucketListing(std::string_view xml, std::string_view prefix,
                                                           std::string* nextMarker)
{
    if (xml.size() > static_cast<std::size_t>(INT32_MAX))
        return std::nullopt;
    // No network, no entities expanded: the answer is someone else's text.
    const std::unique_ptr<xmlDoc, DocumentDeleter> document(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA));
    const xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (root == nullptr || !Named(root, "ListBucketResult"))
        return std::nullopt;
    std::vector<ListedEntry> entries;
    std::unordered_set<std::string> folders;
    const auto addFolder = [&](std::string name) {
        if (IsListableName(name) && folders.insert(name).second)
            entries.push_back({std::move(name), true, {}, false, {}});
    };
    std::string lastKey;
    for (const xmlNode* node = root->children; node != nullptr; node = node->next) {
        const bool common = Named(node, "CommonPrefixes");
        if (!common && !Named(node, "Contents"))
            continue;
        const std::string key = ChildText(node, common ? "Prefix" : "Key");
        lastKey = std::max(lastKey, key);
        if (!key.starts_with(prefix) || key.size() == prefix.size())
            continue;
        const std::string rest = key.substr(prefix.size());
        const std::size_t slash = rest.find('/');
        if (common || slash != std::string::npos) {
            addFolder(rest.substr(0, slash));
            continue;
        }
        ListedEntry file;
        file.name = rest;
        file.size = ParseByteCount(ChildText(node, "Size"));
        file.modified = ParseIsoTime(ChildText(node, "LastModified"));
        if (IsListableName(file.name))
            entries.push_back(std::move(file));
    }
    if (nextMarker != nullptr) {
        const std::string marker = ChildText(root, "NextMarker");
        *nextMarker = ChildText(root, "IsTruncated") != "true" ? "" : marker.empty() ? lastKey : marker;
    }
    return entries;
}

} // namespace velmora
