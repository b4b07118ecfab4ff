#include "FaceSources.h"

#include "EmlogSource.h"
#include "PhpValue.h"

namespace kestrel {

namespace {

// The text of a setting's serialized value; empty when it is none (or an array).
std::string settingText(std::string_view data)
{
    const std::optional<PhpValue> value = PhpValue::parse(data);
    return value && !value->isArray() ? value->text() : std::string();
}

bool blank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

} // namespace

std::vector<Face> templateImages(const std::vector<TemplateOption>& options, std::string_view active)
{
    std::optional<Face> logo;
    std::optional<Face> favicon;
    bool logoShown = false;
    for (const TemplateOption& option : options) {
        if (option.templateName != active)
            continue;
        const std::string value = settingText(option.data);
        if (option.name == "logotype")
            logoShown = value == "1";
        else if (option.name == "logoimg" && !blank(value))
            logo = Face{Face::Role::logo, &origin::templateImage, option.id, value};
        else if (option.name == "favicon" && !blank(value))
            favicon = Face{Face::Role::favicon, &origin::templateImage, option.id, value};
    }
    std::vector<Face> images;
    if (logo && logoShown)
        images.push_back(*logo);
    if (favicon)
        images.push_back(*favicon);
    return images;
}

std::vector<Face> readFaces(EmlogSource& source)
{
    std::vector<Face> faces;
    const auto add = [&](Face::Role role, const OriginKey& key, std::string_view table, std::string_view idColumn,
                         std::string_view column) {
        for (auto& [id, reference] : source.columns(table, idColumn, column).value_or(EmlogValues{})) {
            if (!blank(reference))
                faces.push_back({role, &key, id, std::move(reference)});
        }
    };
    add(Face::Role::photo, origin::photo, "user", "uid", "photo");
    add(Face::Role::avatar, origin::avatar, "comment", "cid", "avatar");
    if (source.hasTable("tpl_options_data").value_or(false)) {
        std::optional<std::string> active;
        source.option("nonce_templet", active);
        std::vector<TemplateOption> options;
        source.readTable("tpl_options_data", {"id", "template", "name", "data"}, [&](const EmlogRow& row) {
            TemplateOption& option = options.emplace_back();
            readField(row, "id", option.id);
            readField(row, "template", option.templateName);
            readField(row, "name", option.name);
            readField(row, "data", option.data);
        });
        for (Face& face : templateImages(options, active && !active->empty() ? *active : "default"))
            faces.push_back(std::move(face));
    }
    return faces;
}

std::string_view faceTable(const OriginKey& origin)
{
    for (const FaceOrigin& face : faceOrigins) {
        if (face.origin == &origin)
            return face.emlogTable;
    }
    return {};
}

std::string faceSourceId(const Face& face)
{
    for (const FaceOrigin& known : faceOrigins) {
        if (known.origin == face.origin)
            return std::string(known.idColumn) + "=" + std::to_string(face.emlogId);
    }
    return "id=" + std::to_string(face.emlogId);
}

} // namespace kestrel
