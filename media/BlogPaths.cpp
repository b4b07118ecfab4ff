#include "BlogPaths.h"

#include "TextHelpers.h"

#include <algorithm>
#include <array>

namespace kestrel {

namespace {

constexpr std::string_view uploadFolder = "content/uploadfile/";
constexpr std::string_view thumbnailPrefix = "thum-";

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && asciiLower(text.substr(0, prefix.size())) == asciiLower(prefix);
}

// A name a web server may run as a program, or read as its own settings, instead of sending its
// bytes: in WordPress's uploads such a file would run for whoever asks for it. Any of the name's
// extensions counts, as Apache's handlers take "x.php.jpg" for PHP.
bool serverMayRun(std::string_view path)
{
    const std::string name = asciiLower(path.substr(path.rfind('/') + 1));
    if (name.rfind(".ht", 0) == 0 || name == ".user.ini" || name == "web.config")
        return true;
    static constexpr std::array<std::string_view, 17> programs = {"php",   "php3", "php4", "php5", "php7", "php8",
                                                                  "phtml", "pht",  "phar", "phps", "cgi",  "pl",
                                                                  "py",    "asp",  "aspx", "jsp",  "shtml"};
    const std::vector<std::string> pieces = splitText(name, '.');
    return std::any_of(pieces.begin() + (pieces.empty() ? 0 : 1), pieces.end(), [](const std::string& piece) {
        return std::find(programs.begin(), programs.end(), piece) != programs.end();
    });
}

} // namespace

std::optional<Why::Code> unsafeNameBecause(std::string_view path)
{
    if (path.empty())
        return Why::Code::nameEmpty;
    if (path.find('\0') != std::string_view::npos)
        return Why::Code::nameHasNul;
    if (path.find('\\') != std::string_view::npos || path.find(':') != std::string_view::npos)
        return Why::Code::nameHasBackslash;
    if (path.front() == '/')
        return Why::Code::nameAbsolute;
    for (const std::string& piece : splitText(path, '/')) {
        if (piece.empty() || piece == "." || piece == "..")
            return Why::Code::nameLeavesFolder;
    }
    if (path.back() == '/')
        return Why::Code::nameIsFolder;
    if (serverMayRun(path))
        return Why::Code::nameRunnable;
    return std::nullopt;
}

bool isSafeName(std::string_view path)
{
    return !unsafeNameBecause(path);
}

BlogRoot BlogRoot::fromBlogUrl(std::string_view blogUrl)
{
    std::string url(blogUrl);
    while (!url.empty() && (url.back() == '/' || url.back() == ' '))
        url.pop_back();
    std::string rest;
    if (startsWithNoCase(url, "http://"))
        rest = url.substr(7);
    else if (startsWithNoCase(url, "https://"))
        rest = url.substr(8);
    if (rest.empty())
        return {};
    BlogRoot address;
    address.absolute = {"https://" + rest, "http://" + rest};
    if (const auto slash = rest.find('/'); slash != std::string::npos)
        address.rootPath = rest.substr(slash);
    return address;
}

std::string BlogRoot::oldUrl(std::string_view blogPath) const
{
    return (absolute.empty() ? std::string() : absolute.back()) + "/" + std::string(blogPath);
}

std::optional<BlogPath> blogPathOf(std::string_view reference, const BlogRoot& address)
{
    std::string_view rest;
    bool found = false;
    for (const std::string& absolute : address.absolute) {
        if (startsWithNoCase(reference, absolute + "/")) {
            rest = reference.substr(absolute.size() + 1);
            found = true;
            break;
        }
    }
    if (!found && !address.absolute.empty() && reference.rfind(address.rootPath + "/", 0) == 0 &&
        reference.rfind("//", 0) != 0) {
        rest = reference.substr(address.rootPath.size() + 1);
        found = true;
    }
    if (!found && reference.rfind("../", 0) == 0) {
        rest = reference.substr(3);
        found = true;
    }
    if (!found && reference.rfind("content/", 0) == 0) {
        rest = reference;
        found = true;
    }
    if (!found)
        return std::nullopt;
    BlogPath path{percentDecoded(rest, false), {}};
    path.unsafe = unsafeNameBecause(path.path);
    return path;
}

bool isBlogFile(std::string_view blogPath)
{
    if (blogPath.rfind(uploadFolder, 0) == 0)
        return true;
    static constexpr std::array<std::string_view, 28> extensions = {
        "jpg", "jpeg", "png", "gif", "webp", "bmp",  "ico", "svg",  "tif", "tiff", "pdf", "zip", "rar", "7z",
        "gz",  "tgz",  "bz2", "txt", "doc",  "docx", "xls", "xlsx", "ppt", "pptx", "mp3", "mp4", "swf", "flv"};
    const std::string_view name = baseName(blogPath);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string extension = asciiLower(name.substr(dot + 1));
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

std::string uploadsPathOf(std::string_view blogPath)
{
    if (blogPath.rfind(uploadFolder, 0) == 0)
        return "emlog/" + std::string(blogPath.substr(uploadFolder.size()));
    return "emlog/site/" + std::string(blogPath);
}

std::optional<std::string> blogPathOfUploads(std::string_view uploadsPath)
{
    constexpr std::string_view site = "emlog/site/";
    constexpr std::string_view months = "emlog/";
    if (uploadsPath.rfind(site, 0) == 0)
        return std::string(uploadsPath.substr(site.size()));
    if (uploadsPath.rfind(months, 0) == 0)
        return std::string(uploadFolder) + std::string(uploadsPath.substr(months.size()));
    return std::nullopt;
}

std::string_view baseName(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string originalOfThumbnail(std::string_view blogPath)
{
    const std::string_view name = baseName(blogPath);
    if (name.rfind(thumbnailPrefix, 0) != 0 || name.size() == thumbnailPrefix.size())
        return {};
    return std::string(blogPath.substr(0, blogPath.size() - name.size())) +
           std::string(name.substr(thumbnailPrefix.size()));
}

std::string thumbnailOf(std::string_view blogPath)
{
    const std::string_view name = baseName(blogPath);
    return std::string(blogPath.substr(0, blogPath.size() - name.size())) + std::string(thumbnailPrefix) +
           std::string(name);
}

} // namespace kestrel
