// A PHP-serialized value as emlog and WordPress keep their options: where it ends, PhpValue, and
// WordPress's cron with articles scheduled in it. A value read and written back is a fixed point:
// read again it writes the same.
#include "FuzzTargets.h"
#include "PhpSerialized.h"
#include "PhpValue.h"

#include <string>
#include <vector>

namespace kestrel::fuzz {

int phpSerialized(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    SerializedProblem problem = SerializedProblem::None;
    const std::optional<std::size_t> end = serializedValueEnd(text, 0, &problem);
    expect(end ? *end <= text.size() && problem == SerializedProblem::None : problem != SerializedProblem::None,
           "a value ends inside its text, or why not is said");

    const std::optional<PhpValue> value = PhpValue::parse(text, &problem);
    expect(value.has_value() == (problem == SerializedProblem::None), "a value is read, or why not is said");
    if (value) {
        expect(end == text.size(), "a value read whole ends at the text's end");
        const std::string written = value->serialized();
        const std::optional<PhpValue> again = PhpValue::parse(written);
        expect(again && again->serialized() == written, "a value written back reads and writes the same");
        for (const auto& [key, entry] : value->entries())
            expect(value->find(key) != nullptr, "an entry is found by its key");
    }

    const std::vector<CronEvent> events = {{1700000000, 12}, {1700000000, 13}, {1800000000, 12}, {-5, 1}};
    if (const std::optional<std::string> cron = addPublishingEvents(text, events))
        expect(serializedValueEnd(*cron, 0) == cron->size(), "WordPress's cron stays one serialized value");
    return 0;
}

} // namespace kestrel::fuzz
