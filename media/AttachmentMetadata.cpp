#include "AttachmentMetadata.h"

#include <vector>

namespace kestrel {

namespace {

// PHP's serialize() of strings, integers and arrays with string keys; lengths count bytes.
std::string phpString(const std::string& text)
{
    return "s:" + std::to_string(text.size()) + ":\"" + text + "\";";
}

std::string phpInteger(std::int64_t number)
{
    return "i:" + std::to_string(number) + ";";
}

std::string phpArray(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string text = "a:" + std::to_string(entries.size()) + ":{";
    for (const auto& [key, value] : entries)
        text += phpString(key) + value;
    return text + "}";
}

} // namespace

std::string attachmentMetadata(const std::string& attachedFile, const FileFacts& facts,
                               const std::optional<ImageSize>& thumbnail)
{
    if (!facts.isImage() || facts.width <= 0 || facts.height <= 0)
        return phpArray({{"filesize", phpInteger(facts.size)}});
    std::vector<std::pair<std::string, std::string>> sizes;
    if (thumbnail && thumbnail->facts.width > 0 && thumbnail->facts.height > 0) {
        sizes.push_back({"thumbnail", phpArray({
                                          {"file", phpString(thumbnail->file)},
                                          {"width", phpInteger(thumbnail->facts.width)},
                                          {"height", phpInteger(thumbnail->facts.height)},
                                          {"mime-type", phpString(thumbnail->facts.mimeType)},
                                          {"filesize", phpInteger(thumbnail->facts.size)},
                                      })});
    }
    return phpArray({
        {"width", phpInteger(facts.width)},
        {"height", phpInteger(facts.height)},
        {"file", phpString(attachedFile)},
        {"filesize", phpInteger(facts.size)},
        {"sizes", phpArray(sizes)},
    });
}

} // namespace kestrel
