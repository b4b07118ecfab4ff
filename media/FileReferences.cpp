#include "FileReferences.h"

#include "TextHelpers.h"

namespace kestrel {

namespace {

bool endsReference(char c)
{
    switch (c) {
    case '"':
    case '\'':
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '?':
    case '#':
    case '\\':
        return true;
    default:
        return false;
    }
}

// Where a reference may begin: at the start, or after what opens an attribute value or a link.
bool opensReference(std::string_view content, std::size_t position)
{
    if (position == 0)
        return true;
    const char before = content[position - 1];
    return before == '"' || before == '\'' || before == '(' || before == '=' || before == ' ' || before == '\n' ||
           before == '\t' || before == '>' || before == '[';
}

bool startsHereNoCase(std::string_view content, std::size_t position, std::string_view prefix)
{
    return content.size() - position >= prefix.size() &&
           asciiLower(content.substr(position, prefix.size())) == asciiLower(prefix);
}

// The length of a reference starting here, 0 when none does.
std::size_t referenceAt(std::string_view content, std::size_t position, const BlogRoot& address)
{
    bool starts = false;
    for (const std::string& absolute : address.absolute)
        starts = starts || startsHereNoCase(content, position, absolute + "/");
    if (!starts && opensReference(content, position)) {
        const std::string_view rest = content.substr(position);
        starts = rest.rfind("../", 0) == 0 || rest.rfind("content/", 0) == 0 ||
                 (!address.absolute.empty() && rest.rfind(address.rootPath + "/", 0) == 0 && rest.rfind("//", 0) != 0);
    }
    if (!starts)
        return 0;
    std::size_t end = position;
    while (end < content.size() && !endsReference(content[end]))
        ++end;
    return end - position;
}

} // namespace

std::vector<FileReference> findFileReferences(std::string_view content, const BlogRoot& address)
{
    std::vector<FileReference> references;
    for (std::size_t position = 0; position < content.size();) {
        const std::size_t length = referenceAt(content, position, address);
        if (length > 0) {
            if (auto path = blogPathOf(content.substr(position, length), address); path && isBlogFile(path->path))
                references.push_back({position, length, std::move(*path)});
            position += length;
        } else {
            position += characterLength(content, position);
        }
    }
    return references;
}

std::string rewriteFileReferences(std::string_view content, const BlogRoot& address,
                                  const std::function<std::optional<std::string>(const BlogPath&)>& newAddress)
{
    std::string rewritten;
    rewritten.reserve(content.size());
    std::size_t done = 0;
    for (const FileReference& reference : findFileReferences(content, address)) {
        const std::optional<std::string> replacement = newAddress(reference.path);
        if (!replacement)
            continue;
        rewritten.append(content.substr(done, reference.position - done));
        rewritten += *replacement;
        done = reference.position + reference.length;
    }
    rewritten.append(content.substr(done));
    return rewritten;
}

} // namespace kestrel
