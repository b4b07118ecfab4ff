#include "UploadsUrl.h"

#include "Reconnect.h"
#include "ResultSet.h"
#include "RunContext.h"
#include "WordPressQueries.h"

#include <map>

namespace kestrel {

namespace {

std::string trimmed(std::string text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string withoutClosingSlash(std::string text)
{
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    return text;
}

} // namespace

std::string uploadsUrlFrom(std::string siteUrl, std::string uploadPath, std::string uploadUrlPath)
{
    uploadPath = trimmed(std::move(uploadPath));
    if (!uploadUrlPath.empty())
        return withoutClosingSlash(uploadUrlPath);
    siteUrl = withoutClosingSlash(siteUrl);
    // An absolute upload_path is a folder WordPress has no address for of its own: WordPress then
    // uses the default address too.
    if (uploadPath.empty() || uploadPath == "wp-content/uploads" || uploadPath.front() == '/')
        return siteUrl + "/wp-content/uploads";
    return siteUrl + "/" + withoutClosingSlash(uploadPath);
}

std::string wordPressUploadsUrl(RunContext& run)
{
    ResultSet rows = readWithReconnect(
        run, run.wordPress, reads::options(run.wordPressPrefix, {"siteurl", "upload_path", "upload_url_path"}));
    if (!rows)
        return {};
    std::map<std::string, std::string> options;
    for (std::uint64_t i = 0; i < rowCount(rows); ++i, nextRow(rows)) {
        std::string name;
        std::string value;
        readField(rows, 0, name);
        readField(rows, 1, value);
        options[name] = value;
    }
    if (options["siteurl"].empty())
        return {};
    return uploadsUrlFrom(options["siteurl"], options["upload_path"], options["upload_url_path"]);
}

} // namespace kestrel
