#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace kestrel {

// WordPress keeps slugs in 200-byte columns.
constexpr std::size_t slugColumnLength = 200;

// The slug WordPress itself makes of a title or a name when it saves one
// (sanitize_title): lower case, spaces and dots become "-", other punctuation
// goes, and every other character is percent-encoded UTF-8 in lower-case hex.
// WordPress finds a post or a term again only by such a slug: one it would
// change is never matched by the address of its own page. At most `limit`
// bytes, cut between characters.
std::string wordPressSlug(std::string_view text, std::size_t limit = slugColumnLength);

// The slugs in use, and for each slug made unique the number its next "name-n" is looked for
// from: 20,000 images called image.jpg then cost one step each, not a walk over all before them.
// Slugs are only ever added, so a number passed over once stays taken.
class TakenSlugs : public std::unordered_set<std::string>
{
public:
    TakenSlugs() = default;
    TakenSlugs(std::unordered_set<std::string> names) : std::unordered_set<std::string>(std::move(names)) {}

private:
    friend std::string uniqueSlug(std::string slug, const std::string& fallback, TakenSlugs& taken);
    std::unordered_map<std::string, int> m_next;
};

// A slug no other row of `taken` has, as WordPress makes one ("name-2", "name-3"),
// and never a bare number, which WordPress's addresses would read as a date or a
// page. An empty slug falls back to `fallback`. The result is added to `taken`.
std::string uniqueSlug(std::string slug, const std::string& fallback, TakenSlugs& taken);

} // namespace kestrel
