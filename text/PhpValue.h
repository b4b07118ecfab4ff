#pragma once

#include "PhpSerialized.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

// A PHP-serialized value as WordPress keeps its options (theme_mods_*, sidebars_widgets,
// widget_block): arrays are opened so that entries can be found, added and changed; every other
// value (numbers, booleans, objects) is kept as the bytes it was, so that writing the value back
// changes nothing the run did not touch.
class PhpValue
{
public:
    static PhpValue string(std::string_view text);
    static PhpValue integer(std::int64_t number);
    static PhpValue array();
    // Nothing when the text is not one whole serialized value, or one past the bounds of
    // PhpSerialized.h (`problem` then says which).
    static std::optional<PhpValue> parse(std::string_view serialized, SerializedProblem* problem = nullptr);

    bool isArray() const { return m_isArray; }
    // The text of a string, the digits of an integer; empty for anything else.
    std::string text() const;
    std::optional<std::int64_t> asInteger() const;

    // An array's entry by its key (a string key, or an integer key in decimal); null when none.
    const PhpValue* find(std::string_view key) const;
    PhpValue* find(std::string_view key);
    // The entry with that key, added at the end (as null) when the array has none. A value that is
    // not an array becomes an empty one first.
    PhpValue& at(std::string_view key);
    // Adds at the end with the next integer key, as PHP's $a[] = ... does.
    void append(PhpValue value);
    const std::vector<std::pair<std::string, PhpValue>>& entries() const { return m_entries; }
    // The largest integer key, or -1.
    std::int64_t largestIntegerKey() const;

    std::string serialized() const;

private:
    struct Reading
    {
        std::size_t values = 0;
        SerializedProblem problem = SerializedProblem::None;
    };
    static std::optional<PhpValue> read(std::string_view text, std::size_t& position, std::size_t depth,
                                        Reading& reading);

    bool m_isArray = false;
    std::string m_raw = "N;"; // a scalar or an object, as serialized
    // Keys as PHP prints them; an integer key is told by its digits.
    std::vector<std::pair<std::string, PhpValue>> m_entries;
};

} // namespace kestrel
