#include "PhpValue.h"

#include "PhpSerialized.h"

#include <algorithm>
#include <charconv>

namespace kestrel {

namespace {

bool isIntegerKey(std::string_view key)
{
    if (key.empty() || key.size() > 18)
        return false;
    const std::size_t first = key[0] == '-' ? 1 : 0;
    if (first == key.size() || (key[first] == '0' && key.size() > first + 1))
        return false;
    for (std::size_t i = first; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9')
            return false;
    }
    return true;
}

} // namespace

PhpValue PhpValue::string(std::string_view text)
{
    PhpValue value;
    value.m_raw = serializedString(text);
    return value;
}

PhpValue PhpValue::integer(std::int64_t number)
{
    PhpValue value;
    value.m_raw = "i:" + std::to_string(number) + ";";
    return value;
}

PhpValue PhpValue::array()
{
    PhpValue value;
    value.m_isArray = true;
    return value;
}

std::optional<PhpValue> PhpValue::parse(std::string_view serialized, SerializedProblem* problem)
{
    std::size_t position = 0;
    Reading reading;
    std::optional<PhpValue> value = read(serialized, position, 0, reading);
    if (value && position != serialized.size()) {
        value.reset();
        reading.problem = SerializedProblem::Malformed;
    }
    if (problem)
        *problem = value ? SerializedProblem::None : reading.problem;
    return value;
}

std::optional<PhpValue> PhpValue::read(std::string_view text, std::size_t& position, std::size_t depth,
                                       Reading& reading)
{
    if (++reading.values > mostSerializedValues) {
        reading.problem = SerializedProblem::TooManyValues;
        return std::nullopt;
    }
    if (text.substr(position, 2) != "a:") {
        // Scalars and objects whole: serializedValueEnd knows each form's end.
        const std::optional<std::size_t> end = serializedValueEnd(text, position, &reading.problem, depth);
        if (!end)
            return std::nullopt;
        PhpValue value;
        value.m_raw = std::string(text.substr(position, *end - position));
        position = *end;
        return value;
    }
    reading.problem = SerializedProblem::Malformed;
    if (depth >= deepestSerialized) {
        reading.problem = SerializedProblem::TooDeep;
        return std::nullopt;
    }
    position += 2;
    const std::optional<std::size_t> count = serializedNumber(text, position);
    if (!count || text.substr(position, 2) != ":{")
        return std::nullopt;
    position += 2;
    PhpValue array = PhpValue::array();
    for (std::size_t i = 0; i < *count; ++i) {
        std::optional<PhpValue> key = read(text, position, depth + 1, reading);
        if (!key)
            return std::nullopt;
        if (key->m_isArray || (key->m_raw[0] != 's' && key->m_raw[0] != 'i')) {
            reading.problem = SerializedProblem::Malformed;
            return std::nullopt;
        }
        std::optional<PhpValue> value = read(text, position, depth + 1, reading);
        if (!value)
            return std::nullopt;
        array.m_entries.emplace_back(key->text(), std::move(*value));
    }
    if (text.substr(position, 1) != "}") {
        reading.problem = SerializedProblem::Malformed;
        return std::nullopt;
    }
    ++position;
    return array;
}

std::string PhpValue::text() const
{
    if (m_isArray)
        return {};
    if (m_raw.rfind("s:", 0) == 0) {
        const std::size_t open = m_raw.find(":\"");
        return open == std::string::npos ? std::string() : m_raw.substr(open + 2, m_raw.size() - open - 4);
    }
    if (m_raw.rfind("i:", 0) == 0)
        return m_raw.substr(2, m_raw.size() - 3);
    return {};
}

std::optional<std::int64_t> PhpValue::asInteger() const
{
    const std::string digits = text();
    if (!isIntegerKey(digits))
        return std::nullopt;
    return std::stoll(digits);
}

const PhpValue* PhpValue::find(std::string_view key) const
{
    for (const auto& [name, value] : m_entries) {
        if (name == key)
            return &value;
    }
    return nullptr;
}

PhpValue* PhpValue::find(std::string_view key)
{
    return const_cast<PhpValue*>(static_cast<const PhpValue*>(this)->find(key));
}

PhpValue& PhpValue::at(std::string_view key)
{
    // As PHP's $a['x']['y'] = ... makes an array of what was none.
    if (!m_isArray)
        *this = array();
    if (PhpValue* value = find(key))
        return *value;
    return m_entries.emplace_back(std::string(key), PhpValue()).second;
}

void PhpValue::append(PhpValue value)
{
    m_entries.emplace_back(std::to_string(largestIntegerKey() + 1), std::move(value));
}

std::int64_t PhpValue::largestIntegerKey() const
{
    std::int64_t largest = -1;
    for (const auto& entry : m_entries) {
        if (isIntegerKey(entry.first))
            largest = std::max<std::int64_t>(largest, std::stoll(entry.first));
    }
    return largest;
}

std::string PhpValue::serialized() const
{
    if (!m_isArray)
        return m_raw;
    std::string text = "a:" + std::to_string(m_entries.size()) + ":{";
    for (const auto& [key, value] : m_entries) {
        text += isIntegerKey(key) ? "i:" + key + ";" : serializedString(key);
        text += value.serialized();
    }
    return text + "}";
}

} // namespace kestrel
