#pragma once

#include "OriginKeys.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class EmlogSource;

// A file emlog showed as a face: a member's photo, a comment's own avatar, the template's logo or
// favicon. `reference` is as emlog wrote it: a path below the blog ("../content/uploadfile/...")
// or an address.
struct Face
{
    enum class Role { photo, avatar, logo, favicon };
    Role role;
    const OriginKey* origin; // origin::photo (by uid), origin::avatar (by cid) or origin::templateImage
    std::int64_t emlogId;
    std::string reference;
};

// A row of emlog pro's tpl_options_data: one setting of one template, its value PHP-serialized.
struct TemplateOption
{
    std::int64_t id = 0;
    std::string templateName;
    std::string name;
    std::string data;
};

// The logo and the favicon the template `active` showed: its `logoimg` when its `logotype` is 1
// (the logo instead of the site's name), and its `favicon`; empty values and others' settings are none.
std::vector<Face> templateImages(const std::vector<TemplateOption>& options, std::string_view active);

// Every face of the blog, in the order of the tables (users, comments, template). A version without
// the column or the table has none of its kind; so, as for pro's covers, has a column that cannot be read.
std::vector<Face> readFaces(EmlogSource& source);

// The emlog table whose rows show a face of this origin ("user", "comment", "tpl_options_data").
std::string_view faceTable(const OriginKey& origin);
// The row that shows it, as the report names rows: "uid=1", "cid=4", "id=2".
std::string faceSourceId(const Face& face);

} // namespace kestrel
