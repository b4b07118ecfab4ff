#pragma once

#include <string>

namespace kestrel {

struct RunContext;

// The address of WordPress's uploads folder, without a closing "/", as wp_upload_dir() makes it:
// upload_url_path when set; otherwise siteurl + "/wp-content/uploads", or siteurl + "/" +
// upload_path when that names a folder of its own relative to WordPress. "" when WordPress
// cannot be asked.
std::string wordPressUploadsUrl(RunContext& run);

// The same from the options' values, for a WordPress whose options are known.
std::string uploadsUrlFrom(std::string siteUrl, std::string uploadPath, std::string uploadUrlPath);

} // namespace kestrel
